#include "modules/mc_FirstStart.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Settings.h"
#include "modules/mc_Settings.h"
#include "tools/PersonalDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MessageService.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>

namespace {
const QString kTitle = QStringLiteral("Hourwright - First Start");
}

TFileChooser TdmFirstStart::Chooser = &FileChooser::askToSave;

void TdmFirstStart::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnCreate"), cmdCreate, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnUseExisting"), cmdUseExisting, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnQuit"), cmdQuit, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnChooseDataBasePath"), cmdChooseDataBasePath, 0, QStringLiteral("OnClick"));
    const QString path = DefaultDataBasePath.isEmpty() ? OptionsLocation::userDatabaseFile() : DefaultDataBasePath;
    Lookup(QStringLiteral("edtDataBasePath"))->as<QLineEdit>()->setText(QDir::toNativeSeparators(path));
    Lookup(QStringLiteral("edtLastName"))->as<QLineEdit>()->setFocus();
}

void TdmFirstStart::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdCreate:
        if (CreatePersonalDatabase())
            Close();
        break;
    case cmdUseExisting:
        UseExistingDatabase();
        if (m_completed)
            Close();
        break;
    case cmdQuit:
        Close();
        break;
    case cmdChooseDataBasePath: {
        const QString chosen = Chooser ? Chooser(ModuleForm(), tr("New database file"),
                                                 tr("SQLite databases (*.db);;All files (*)"),
                                                 text("edtDataBasePath"))
                                       : QString();
        if (!chosen.isEmpty())
            Lookup(QStringLiteral("edtDataBasePath"))->as<QLineEdit>()->setText(chosen);
        break;
    }
    default:
        break;
    }
}

QString TdmFirstStart::text(const char* editName)
{
    return Lookup(QString::fromLatin1(editName))->as<QLineEdit>()->text();
}

bool TdmFirstStart::CreatePersonalDatabase()
{
    const QString path = AppPaths::resolve(text("edtDataBasePath"), QDir::homePath());
    PersonalDatabase::Owner owner;
    owner.lastName = text("edtLastName").trimmed();
    owner.name = text("edtName").trimmed();
    owner.userName = text("edtUserName").trimmed();
    owner.password = text("edtPassword");

    QString refusal;
    if (text("edtDataBasePath").trimmed().isEmpty())
        refusal = tr("Enter the file of the new database.");
    else if (QFileInfo::exists(path))
        refusal = tr("%1 already exists. Choose another file, or use it as an existing database.").arg(path);
    else if (owner.lastName.isEmpty() && owner.name.isEmpty())
        refusal = tr("Enter your last name and name: you become the database's first developer.");
    else if (owner.userName.isEmpty())
        refusal = tr("Enter the user name you will sign in with.");
    else if (owner.password.isEmpty())
        refusal = tr("Enter a password.");
    else if (owner.password != text("edtPasswordAgain"))
        refusal = tr("The two passwords differ. Type the same password twice.");
    if (!refusal.isEmpty()) {
        MessageService::warning(kTitle, refusal, ModuleForm());
        return false;
    }

    using namespace Options;
    TqvOptionsManager* options = GetOptionsManager();
    try {
        QDir().mkpath(QFileInfo(options->OptionsFileName()).absolutePath());
        PersonalDatabase::create(path, owner);
        try {
            options->WriteValue(ExportSection, DataBasePath, path);
            writeExportPath();
            // The kind last: only a complete file names a database.
            options->WriteValue(ConnectionSection, DatabaseType, int(Dialect::LocalFile));
        } catch (...) {
            QFile::remove(path);
            throw;
        }
    } catch (const std::exception& error) {
        MessageService::error(kTitle, errorMessage(error), ModuleForm());
        return false;
    }
    m_createdUser = owner.userName;
    m_createdPassword = owner.password;
    m_completed = true;
    return true;
}

void TdmFirstStart::writeExportPath()
{
    // The workbook template ships with the program, not beside a per-user
    // options file: name it where it is.
    using namespace Options;
    TqvOptionsManager* options = GetOptionsManager();
    const QString current = options->ReadValue(ExportSection, ExcelPath, DefaultExcelPath).toString();
    const QString shipped = OptionsLocation::workbookTemplate();
    if (!shipped.isEmpty() && !QFileInfo::exists(AppPaths::resolve(current)))
        options->WriteValue(ExportSection, ExcelPath, shipped);
}

void TdmFirstStart::UseExistingDatabase()
{
    QDir().mkpath(QFileInfo(GetOptionsManager()->OptionsFileName()).absolutePath());
    {
        auto settings = TCustomModule::Create<TdmSettings, TFrmSettings>();
        settings->Execute(true);
    }
    if (!QFileInfo(GetOptionsManager()->OptionsFileName()).isFile())
        return; // cancelled
    const ConnectionSettings chosen = ConnectionSettings::read(*GetOptionsManager());
    if (!Dialect::isKnownKind(chosen.kind))
        return;
    writeExportPath();
    m_completed = true;
}
