#include "modules/mc_Settings.h"

#include "toolkit/IdleSource.h"

#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>

#include "components/o_ConnectionProbe.h"
#include "components/o_ConnectionSettings.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "components/o_SignIn.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {
const QString kTitle = QStringLiteral("Hourwright - Settings");
// A server that never answers cannot hold the window longer than this.
const int kTestLoginTimeoutSeconds = 5;
}

TFileChooser TdmSettings::Chooser = &FileChooser::askToOpen;

QString TdmSettings::optionPathFor(const QString& chosenFile, const QString& applicationFolder)
{
    const QString file = QDir::cleanPath(QFileInfo(chosenFile).absoluteFilePath());
    const QString folder = QDir::cleanPath(QFileInfo(applicationFolder).absoluteFilePath());
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (file.startsWith(prefix))
        return file.mid(prefix.size());
    return file;
}

void TdmSettings::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnOk"), cmdOk, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnCancel"), cmdCancel, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnTestConnection"), cmdTestConnection, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnSetExcelPath"), cmdChooseExcelPath, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("Button1"), cmdChooseDataBasePath, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnSslRootCert"), cmdChooseSslRootCert, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("edtDataBaseKind"), cmdKindChanged, 0, QStringLiteral("OnChange"));
    LoadSettings();
    ShowFieldsOfKind();
}

void TdmSettings::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdOk:
        SaveSettings(); // a failed write leaves the window open
        Close();
        break;
    case cmdCancel:
        Close();
        break;
    case cmdTestConnection:
        TestConnection();
        break;
    case cmdKindChanged:
        ShowFieldsOfKind();
        break;
    case cmdChooseExcelPath:
        choosePath("edtExcelFilePath", tr("Excel workbook"), tr("Excel workbooks (*.xlsx);;All files (*)"));
        break;
    case cmdChooseSslRootCert:
        choosePath("edtSslRootCert", tr("Root certificate"), tr("Certificates (*.pem *.crt);;All files (*)"));
        break;
    case cmdChooseDataBasePath:
        choosePath("edtDataBasePath", tr("Database file"),
                   tr("SQLite databases (*.db *.sqlite *.sqlite3);;All files (*)"));
        break;
    default:
        break;
    }
}

QString TdmSettings::text(const char* editName)
{
    return Lookup(QString::fromLatin1(editName))->AsLabeledEdit()->text();
}

void TdmSettings::setText(const char* editName, const QString& value)
{
    Lookup(QString::fromLatin1(editName))->AsLabeledEdit()->setText(value);
}

void TdmSettings::showPath(const char* editName, const QString& path)
{
    QLineEdit* edit = Lookup(QString::fromLatin1(editName))->AsLabeledEdit();
    edit->setText(path);
    // A path longer than its field shows its end, where the file's name
    // is; the whole of it is in the tip.
    edit->setCursorPosition(int(path.size()));
    edit->setToolTip(path);
}

void TdmSettings::ShowFieldsOfKind()
{
    const int kind = SelectedKind();
    const bool chosen = Dialect::isKnownKind(kind);
    Lookup(QStringLiteral("grpServer"))->as<QWidget>()->setVisible(!chosen || !Dialect::isFile(kind));
    Lookup(QStringLiteral("grpDatabaseFile"))->as<QWidget>()->setVisible(!chosen || Dialect::isFile(kind));
    Lookup(QStringLiteral("grpTls"))->as<QWidget>()->setVisible(!chosen || Dialect::hasPersonalLogins(kind));
}

void TdmSettings::LoadSettings()
{
    using namespace Options;
    TqvOptionsManager* options = GetOptionsManager();
    setText("edtServerName", options->ReadValue(ConnectionSection, ServerName, QString()).toString());
    setText("edtDataBaseName", options->ReadValue(ConnectionSection, DataBaseName, QString()).toString());
    setText("edtUserName", options->ReadEncodedValue(ConnectionSection, UserName, QString()).toString());
    setText("edtPassWord", options->ReadEncodedValue(ConnectionSection, Password, QString()).toString());
    QComboBox* sslModes = Lookup(QStringLiteral("edtSslMode"))->AsComboBox();
    const int mode = sslModes->findData(options->ReadValue(ConnectionSection, SslMode, QString()).toString().trimmed());
    sslModes->setCurrentIndex(qMax(mode, 0));
    showPath("edtSslRootCert", options->ReadValue(ConnectionSection, SslRootCert, QString()).toString());

    // The one repair tool opens whatever the file holds: a value that is no
    // number shows as nothing chosen and is left as it is unless changed.
    bool kindIsNumber = false;
    const int kind = options->ReadValue(ConnectionSection, DatabaseType, -1).toString().trimmed().toInt(&kindIsNumber);
    m_unreadableKind = !kindIsNumber;
    QComboBox* kinds = Lookup(QStringLiteral("edtDataBaseKind"))->AsComboBox();
    if (kindIsNumber && kind >= 0 && kind < kinds->count()) {
        kinds->setCurrentIndex(kind);
    } else {
        kinds->setCurrentIndex(-1);
        kinds->setEditText(QString());
    }

    showPath("edtExcelFilePath", options->ReadValue(ExportSection, ExcelPath, DefaultExcelPath).toString());
    showPath("edtDataBasePath", options->ReadValue(ExportSection, DataBasePath, DefaultDataBasePath).toString());

    // A limit that is no number or out of range shows as the default and is
    // rewritten only when the user sets another one.
    m_idleMinutes = showLimit("edtIdleMinutes", IdleMinutes, 0);
    m_longIntervalHours = showLimit("edtLongIntervalHours", LongIntervalHours, DefaultLongIntervalHours);
    const std::unique_ptr<IdleSource> source = IdleSource::detect();
    Lookup(QStringLiteral("lblIdleSource"))
        ->AsLabel()
        ->setText(source ? QStringLiteral("Idle time is read from the %1.").arg(source->name())
                         : QStringLiteral("Idle detection is not available on this desktop, so the time-away "
                                          "question is off. None of these answers: %1.")
                               .arg(IdleSource::candidateNames().join(QStringLiteral(", "))));
    m_desktop.load(ModuleForm(), *options);
}

int TdmSettings::showLimit(const char* spinName, const QString& key, int fallback)
{
    auto* spin = Lookup(QString::fromLatin1(spinName))->as<QSpinBox>();
    bool isNumber = false;
    const int value =
        GetOptionsManager()->ReadValue(Options::ProjectsSection, key, fallback).toString().trimmed().toInt(&isNumber);
    spin->setValue(isNumber && value >= spin->minimum() && value <= spin->maximum() ? value : fallback);
    return spin->value();
}

int TdmSettings::SelectedKind()
{
    // The list is editable, so the text decides: a typed "mssSQL" is kind 1,
    // and a selection whose text was edited away is no kind at all.
    QComboBox* kinds = Lookup(QStringLiteral("edtDataBaseKind"))->AsComboBox();
    const QString shown = kinds->currentText().trimmed();
    return shown.isEmpty() ? -1 : kinds->findText(shown, Qt::MatchFixedString);
}

void TdmSettings::SaveSettings()
{
    using namespace Options;
    TqvOptionsManager* options = GetOptionsManager();
    const int kind = SelectedKind();
    options->WriteValue(ConnectionSection, ServerName, text("edtServerName"));
    options->WriteValue(ConnectionSection, DataBaseName, text("edtDataBaseName"));
    options->WriteEncodedValue(ConnectionSection, UserName, text("edtUserName"));
    options->WriteEncodedValue(ConnectionSection, Password, text("edtPassWord"));
    if (!m_unreadableKind || kind != -1)
        options->WriteValue(ConnectionSection, DatabaseType, kind);
    const ConnectionSettings shown = ScreenSettings();
    if (Dialect::hasPersonalLogins(kind) || !shown.sslMode.isEmpty() || !shown.sslRootCert.isEmpty()) {
        options->WriteValue(ConnectionSection, SslMode, shown.sslMode);
        options->WriteValue(ConnectionSection, SslRootCert, shown.sslRootCert);
    }
    options->WriteValue(ExportSection, ExcelPath, text("edtExcelFilePath"));
    options->WriteValue(ExportSection, DataBasePath, text("edtDataBasePath"));
    // Only a changed idle limit is written, so the file keeps its usual keys.
    const int idle = Lookup(QStringLiteral("edtIdleMinutes"))->as<QSpinBox>()->value();
    if (idle != m_idleMinutes)
        options->WriteValue(ProjectsSection, IdleMinutes, idle);
    const int longHours = Lookup(QStringLiteral("edtLongIntervalHours"))->as<QSpinBox>()->value();
    if (longHours != m_longIntervalHours)
        options->WriteValue(ProjectsSection, LongIntervalHours, longHours);
    m_desktop.save(ModuleForm(), *options);
}

ConnectionSettings TdmSettings::ScreenSettings()
{
    ConnectionSettings settings;
    settings.kind = SelectedKind();
    settings.dataBasePath = text("edtDataBasePath");
    settings.serverName = text("edtServerName");
    settings.dataBaseName = text("edtDataBaseName");
    settings.userName = text("edtUserName");
    settings.password = text("edtPassWord");
    if (Dialect::hasPersonalLogins(settings.kind)) {
        settings.sslMode = Lookup(QStringLiteral("edtSslMode"))->AsComboBox()->currentData().toString();
        settings.sslRootCert = text("edtSslRootCert");
    }
    return settings;
}

void TdmSettings::TestConnection()
{
    const ConnectionSettings settings = ScreenSettings();
    QWidget* form = ModuleForm();
    if (!Dialect::isKnownKind(settings.kind)) {
        MessageService::warning(kTitle, tr("Choose a DB Type to test its connection."), form);
        return;
    }

    const ConnectionProbe probe = ConnectionProbe::run(settings, kTestLoginTimeoutSeconds);
    const QStringList& missing = probe.missing;
    if (probe.outcome == ConnectionProbe::Failed && settings.personalLogins()
        && SignIn::isRefusedPair(probe.failure))
        // No login to test with: the server answered and asked for one.
        MessageService::information(kTitle,
                                    tr("The server answers. Each person signs in with their own login."), form);
    else if (probe.outcome != ConnectionProbe::Ready)
        MessageService::error(kTitle, probe.failure.isEmpty() ? tr("The connection failed.") : probe.failure, form);
    else if (!missing.isEmpty())
        // It opens, but the program would fail on it at the next start.
        MessageService::warning(kTitle,
                                tr("The connection opens, but the database is not ready for this program:\n%1")
                                    .arg(missing.join(QLatin1Char('\n'))),
                                form);
    else
        MessageService::information(kTitle, tr("Connection succeeded"), form);
}

void TdmSettings::choosePath(const char* editName, const QString& caption, const QString& filter)
{
    const QString folder = AppPaths::optionsFolder();
    const QString current = AppPaths::resolve(text(editName), folder);
    // Start at the file shown, or at the nearest folder of it that exists.
    QString start = current;
    while (!QFileInfo::exists(start)) {
        const QString up = QFileInfo(start).absolutePath();
        if (up == start)
            break;
        start = up;
    }

    const QString chosen = Chooser ? Chooser(ModuleForm(), caption, filter, start) : QString();
    if (chosen.isEmpty())
        return;
    showPath(editName, optionPathFor(chosen, folder));
}
