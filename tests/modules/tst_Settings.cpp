#include "components/o_OptionsManager.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_Settings.h"
#include "modules/mc_Settings.h"
#include "modules/o_DesktopSettings.h"
#include "toolkit/AutostartEntry.h"
#include "support/TestDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MessageService.h"
#include "toolkit/ProfileFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTimeEdit>
#include <QtTest>
#include <QScopeGuard>
#include <QSpinBox>

#include "toolkit/IdleSource.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct ChooserCall
{
    QString caption;
    QString filter;
    QString start;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_options;
    QList<ChooserCall> m_chooserCalls;
    QString m_chooserAnswer;

    QString folder() const { return m_dir->path() + QLatin1Char('/'); }

    TCustomModule::Ptr<TdmSettings> open()
    {
        auto module = TCustomModule::Create<TdmSettings, TFrmSettings>();
        module->Execute(false);
        return module;
    }
    static QLineEdit* edit(TdmSettings& module, const char* name)
    {
        QLineEdit* found = module.Lookup(QString::fromLatin1(name))->AsLabeledEdit();
        Q_ASSERT(found);
        return found;
    }
    static QComboBox* kinds(TdmSettings& module) { return module.Lookup("edtDataBaseKind")->AsComboBox(); }
    static void click(TdmSettings& module, const char* name)
    {
        QPushButton* button = module.Lookup(QString::fromLatin1(name))->as<QPushButton>();
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QStringList shownTexts()
    {
        QStringList texts;
        for (const MessageService::Request& request : MessageService::shownForTests())
            texts << request.text;
        return texts;
    }
    // Ok with these connection values, from an empty window.
    void saveConnection(const QString& user, const QString& password, int kind)
    {
        auto module = open();
        edit(*module, "edtServerName")->setText("db-host");
        edit(*module, "edtDataBaseName")->setText("hours");
        edit(*module, "edtUserName")->setText(user);
        edit(*module, "edtPassWord")->setText(password);
        kinds(*module)->setCurrentIndex(kind);
        click(*module, "btnOk");
    }

private slots:
    // The idle limit is written only when it was changed, and the window
    // says whether this desktop can tell idle time at all.
    void idleMinutes_data()
    {
        QTest::addColumn<bool>("available");
        QTest::newRow("source present") << true;
        QTest::newRow("no source") << false;
    }
    void idleMinutes()
    {
        QFETCH(bool, available);
        struct Fake : IdleSource
        {
            qint64 idleMSecs() override { return 0; }
            QString name() const override { return QStringLiteral("test source"); }
        };
        if (available)
            IdleSource::setFactoryForTests([]() -> std::unique_ptr<IdleSource> { return std::make_unique<Fake>(); });
        else
            IdleSource::setFactoryForTests([]() -> std::unique_ptr<IdleSource> { return nullptr; });
        auto restore = qScopeGuard([] { IdleSource::setFactoryForTests(nullptr); });
        {
            auto module = open();
            const QString note = module->Lookup("lblIdleSource")->AsLabel()->text();
            QVERIFY2(available ? note.contains("test source") : note.contains("not available"), qPrintable(note));
            click(*module, "btnOk");
        }
        QCOMPARE(ProfileFile(m_options).readString("ProjectsSection", "IdleMinutes", "<missing>"), QStringLiteral("<missing>"));
        {
            auto module = open();
            module->Lookup("edtIdleMinutes")->as<QSpinBox>()->setValue(20);
            click(*module, "btnOk");
        }
        QCOMPARE(ProfileFile(m_options).readString("ProjectsSection", "IdleMinutes"), QStringLiteral("20"));
        auto module = open();
        QCOMPARE(module->Lookup("edtIdleMinutes")->as<QSpinBox>()->value(), 20);
    }

    // The limit of the forgotten-stop question shows its default, is written
    // only when changed, and a mistyped value shows as the default.
    void longIntervalHours()
    {
        {
            auto module = open();
            QCOMPARE(module->Lookup("edtLongIntervalHours")->as<QSpinBox>()->value(), 10);
            click(*module, "btnOk");
        }
        QCOMPARE(ProfileFile(m_options).readString("ProjectsSection", "LongIntervalHours", "<missing>"),
                 QStringLiteral("<missing>"));
        {
            auto module = open();
            module->Lookup("edtLongIntervalHours")->as<QSpinBox>()->setValue(0);
            click(*module, "btnOk");
        }
        QCOMPARE(ProfileFile(m_options).readString("ProjectsSection", "LongIntervalHours"), QStringLiteral("0"));
        QCOMPARE(open()->Lookup("edtLongIntervalHours")->as<QSpinBox>()->value(), 0);
        ProfileFile(m_options).writeString("ProjectsSection", "LongIntervalHours", "ten");
        QCOMPARE(open()->Lookup("edtLongIntervalHours")->as<QSpinBox>()->value(), 10);
    }

    // Reminders are off, the week Monday to Friday 09:00-17:00 and nothing
    // starts at login until changed; Ok writes only what changed, and the
    // autostart entry comes and goes with its box.
    void desktopPage()
    {
        const AutostartEntry entry(DesktopSettings::autostartId());
        auto find = [](TdmSettings& module, const char* name) { return module.Lookup(name)->as<QWidget>(); };
        auto day = [](TdmSettings& module, int number) {
            return module.ModuleForm()->findChild<QCheckBox*>(QStringLiteral("chkWorkDay%1").arg(number));
        };
        {
            auto module = open();
            QCOMPARE(qobject_cast<QSpinBox*>(find(*module, "edtReminderMinutes"))->value(), 0);
            QVERIFY(day(*module, 5)->isChecked() && !day(*module, 6)->isChecked());
            QCOMPARE(qobject_cast<QTimeEdit*>(find(*module, "edtWorkEnd"))->time(), QTime(17, 0));
            click(*module, "btnOk");
        }
        QVERIFY(!ProfileFile(m_options).sectionNames().contains("DesktopSettings"));
        QVERIFY(!entry.exists());
        for (bool on : {true, false}) {
            auto module = open();
            QCOMPARE(qobject_cast<QCheckBox*>(find(*module, "chkStartAtLogin"))->isChecked(), !on);
            qobject_cast<QSpinBox*>(find(*module, "edtReminderMinutes"))->setValue(on ? 20 : 0);
            for (int number = 1; number <= 7; ++number)
                day(*module, number)->setChecked(on && number == 6);
            qobject_cast<QTimeEdit*>(find(*module, "edtWorkEnd"))->setTime(QTime(18, 30));
            qobject_cast<QComboBox*>(find(*module, "edtOnLockOrSuspend"))->setCurrentIndex(on ? 1 : 2);
            qobject_cast<QCheckBox*>(find(*module, "chkStartAtLogin"))->setChecked(on);
            click(*module, "btnOk");
            ProfileFile file(m_options);
            QCOMPARE(file.readString("DesktopSettings", "ReminderMinutes"), on ? QStringLiteral("20") : QStringLiteral("0"));
            QCOMPARE(file.readString("DesktopSettings", "WorkDays"), on ? QStringLiteral("6") : QStringLiteral("0"));
            QCOMPARE(file.readString("DesktopSettings", "WorkEnd"), QStringLiteral("18:30"));
            QCOMPARE(file.readString("DesktopSettings", "OnLockOrSuspend"), on ? QStringLiteral("1") : QStringLiteral("2"));
            QCOMPARE(entry.exists(), on);
            if (on)
                QVERIFY(readAll(entry.path()).contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8()
                                                       + "\" \"-hidden\"\n"));
        }
        auto module = open();
        for (int number = 1; number <= 7; ++number)
            QVERIFY(!day(*module, number)->isChecked());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        AppPaths::setApplicationFolderForTests(m_dir->path());
        m_options = folder() + "options.ini";
        GetOptionsManager()->setOptionsFileName(m_options);
        MessageService::resetForTests();
        m_chooserCalls.clear();
        m_chooserAnswer.clear();
        TdmSettings::Chooser = [this](QWidget*, const QString& caption, const QString& filter, const QString& start) {
            m_chooserCalls << ChooserCall{caption, filter, start};
            return m_chooserAnswer;
        };
    }
    void cleanup()
    {
        TdmSettings::Chooser = &FileChooser::askToOpen;
        AppPaths::setApplicationFolderForTests(QString());
        m_dir.reset();
    }

    void formHasItsControls()
    {
        auto module = open();
        QWidget* form = module->ModuleForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Hourwright - Settings"));
        QVERIFY(form->width() >= 359 && form->height() >= 307);
        auto* pages = module->Lookup("PageControl1")->as<QTabWidget>();
        QVERIFY(pages);
        QCOMPARE(pages->count(), 4);
        // Each value sits on the tab that names what it concerns.
        const QMap<QString, QString> tabOf{{"edtDataBaseKind", "Database"},   {"edtServerName", "Database"},
                                           {"edtDataBasePath", "Database"},   {"edtIdleMinutes", "Monitoring"},
                                           {"edtLongIntervalHours", "Monitoring"}, {"edtExcelFilePath", "Reports"},
                                           {"edtReminderMinutes", "Reminders"}, {"chkStartAtLogin", "Monitoring"}};
        for (auto it = tabOf.begin(); it != tabOf.end(); ++it) {
            auto* control = module->Lookup(it.key())->as<QWidget>();
            int page = 0;
            while (page < pages->count() && !pages->widget(page)->isAncestorOf(control))
                ++page;
            QCOMPARE(pages->tabText(page), it.value());
        }
        QCOMPARE(kinds(*module)->count(), 3);
        QCOMPARE(kinds(*module)->itemText(0), QStringLiteral("SQLite"));
        QCOMPARE(kinds(*module)->itemText(1), QStringLiteral("MSSSQL"));
        QCOMPARE(kinds(*module)->itemText(2), QStringLiteral("PostgreSQL"));
        QVERIFY(kinds(*module)->isEditable());
        QCOMPARE(edit(*module, "edtPassWord")->echoMode(), QLineEdit::Password);
        // Every edit carries its caption as a buddy label.
        const QMap<QString, QString> captions{{"edtServerName", "Server :"},   {"edtDataBaseName", "DB Name :"},
                                              {"edtUserName", "UserName :"},   {"edtPassWord", "Password :"},
                                              {"edtExcelFilePath", "Excel Path :"},
                                              {"edtDataBasePath", "Database Path :"}};
        for (auto it = captions.begin(); it != captions.end(); ++it) {
            QWidget* control = module->Lookup(it.key())->AsLabeledEdit();
            const QList<QLabel*> labels = form->findChildren<QLabel*>();
            const bool captioned = std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
                return label->buddy() == control && label->text() == it.value();
            });
            QVERIFY2(captioned, qPrintable(it.key()));
        }
        QCOMPARE(module->Lookup("Label1")->AsLabel()->buddy(), kinds(*module));
        // Ok sits left of Cancel.
        QWidget* ok = module->Lookup("btnOk")->as<QPushButton>();
        QWidget* cancel = module->Lookup("btnCancel")->as<QPushButton>();
        QVERIFY(ok->mapTo(form, QPoint()).x() < cancel->mapTo(form, QPoint()).x());
    }

    void tabOrderFollowsTheConnectionFields()
    {
        auto module = open();
        QWidget* form = module->ModuleForm();
        QComboBox* kind = kinds(*module);
        kind->setCurrentIndex(2);
        const QList<QWidget*> expected{kind, edit(*module, "edtServerName"), edit(*module, "edtDataBaseName"),
                                       edit(*module, "edtUserName"), edit(*module, "edtPassWord"),
                                       module->Lookup("edtSslMode")->as<QComboBox>(), edit(*module, "edtSslRootCert"),
                                       module->Lookup("btnSslRootCert")->as<QPushButton>(),
                                       module->Lookup("btnTestConnection")->as<QPushButton>()};
        QList<QWidget*> reached{expected.first()};
        QWidget* widget = expected.first();
        while (reached.size() < expected.size()) {
            widget = widget->nextInFocusChain();
            if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(form))
                continue;
            // The combo's own edit stands for the combo.
            QWidget* stop = widget->parentWidget() == kind ? kind : widget;
            if (reached.last() != stop)
                reached << stop;
        }
        QCOMPARE(reached, expected);
    }

    // The server's login shows for the server kinds only, the file for the
    // embedded kind only; with no kind chosen both show. A long path shows
    // its end.
    void fieldsFollowTheKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("serverShown");
        QTest::addColumn<bool>("fileShown");
        QTest::addColumn<bool>("tlsShown");
        QTest::newRow("none") << -1 << true << true << true;
        QTest::newRow("SQLite") << 0 << false << true << false;
        QTest::newRow("SQL Server") << 1 << true << false << false;
        QTest::newRow("PostgreSQL") << 2 << true << false << true;
    }
    void fieldsFollowTheKind()
    {
        QFETCH(int, kind);
        QFETCH(bool, serverShown);
        QFETCH(bool, fileShown);
        QFETCH(bool, tlsShown);
        const QString longPath = QStringLiteral("/home/someone/%1/hwr.db").arg(QString(300, QLatin1Char('x')));
        ProfileFile(m_options).writeString("ExportSettings", "DataBasePath", longPath);
        auto module = open();
        kinds(*module)->setCurrentIndex(kind);
        QWidget* form = module->ModuleForm();
        QCOMPARE(edit(*module, "edtServerName")->isVisibleTo(form), serverShown);
        QCOMPARE(edit(*module, "edtPassWord")->isVisibleTo(form), serverShown);
        QLineEdit* path = edit(*module, "edtDataBasePath");
        QCOMPARE(path->isVisibleTo(form), fileShown);
        QCOMPARE(edit(*module, "edtSslRootCert")->isVisibleTo(form), tlsShown);
        QCOMPARE(path->cursorPosition(), int(longPath.size()));
        QCOMPARE(path->toolTip(), longPath);
        QVERIFY(form->width() < 1000);
    }

    void noOptionsFileShowsDefaultsAndOkWritesSevenKeys()
    {
        QVERIFY(!QFile::exists(m_options));
        auto module = open();
        for (const char* name : {"edtServerName", "edtDataBaseName", "edtUserName", "edtPassWord"})
            QCOMPARE(edit(*module, name)->text(), QString());
        QCOMPARE(kinds(*module)->currentIndex(), -1);
        QCOMPARE(kinds(*module)->currentText(), QString());
        QCOMPARE(edit(*module, "edtExcelFilePath")->text(), QStringLiteral("Reports\\Hourwright.xlsx"));
        QCOMPARE(edit(*module, "edtDataBasePath")->text(), QStringLiteral("DataBase\\hwr.db"));

        click(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QVERIFY(MessageService::shownForTests().isEmpty());
        QVERIFY(QFile::exists(m_options));
        ProfileFile file(m_options);
        QCOMPARE(file.sectionNames(), (QStringList{"ConnectionSettings", "ExportSettings"}));
        QCOMPARE(file.keyNames("ConnectionSettings"),
                 (QStringList{"ServerName", "DataBaseName", "UserName", "Password", "DatabaseType"}));
        QCOMPARE(file.keyNames("ExportSettings"), (QStringList{"ExcelPath", "DataBasePath"}));
        QCOMPARE(file.readString("ConnectionSettings", "DatabaseType"), QStringLiteral("-1"));
        QCOMPARE(file.readString("ExportSettings", "ExcelPath"), QStringLiteral("Reports\\Hourwright.xlsx"));
        QCOMPARE(file.readString("ExportSettings", "DataBasePath"), QStringLiteral("DataBase\\hwr.db"));
    }

    void okWritesEveryKeyAgainAndKeepsOtherSections()
    {
        {
            ProfileFile file(m_options);
            file.writeString("ProjectsSection", "LastProjectTimeElapsed", "45000.5");
            file.writeString("ConnectionSettings", "ServerName", "old-host");
        }
        auto module = open();
        QCOMPARE(edit(*module, "edtServerName")->text(), QStringLiteral("old-host"));
        edit(*module, "edtServerName")->setText("new-host");
        click(*module, "btnOk");
        ProfileFile file(m_options);
        QCOMPARE(file.readString("ConnectionSettings", "ServerName"), QStringLiteral("new-host"));
        QCOMPARE(file.keyNames("ConnectionSettings").size(), 5);
        QCOMPARE(file.keyNames("ExportSettings").size(), 2);
        QCOMPARE(file.readString("ProjectsSection", "LastProjectTimeElapsed"), QStringLiteral("45000.5"));
    }

    void databaseKindIsStoredAndShownAgain_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("chosenIndex"); // -2: type the text instead of choosing
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shownIndex");
        QTest::newRow("SQLite chosen") << QString() << 0 << "0" << 0;
        QTest::newRow("MSSSQL chosen") << QString() << 1 << "1" << 1;
        QTest::newRow("MSSSQL typed in other case") << "msssql" << -2 << "1" << 1;
        QTest::newRow("PostgreSQL chosen") << QString() << 2 << "2" << 2;
        QTest::newRow("unknown kind typed") << "Access" << -2 << "-1" << -1;
        QTest::newRow("choice cleared") << "" << -2 << "-1" << -1;
        QTest::newRow("nothing chosen") << QString() << -1 << "-1" << -1;
    }
    void databaseKindIsStoredAndShownAgain()
    {
        QFETCH(QString, typed);
        QFETCH(int, chosenIndex);
        QFETCH(QString, stored);
        QFETCH(int, shownIndex);
        {
            auto module = open();
            kinds(*module)->setCurrentIndex(1); // a choice that the row then replaces
            if (chosenIndex == -2) {
                kinds(*module)->lineEdit()->clear();
                QTest::keyClicks(kinds(*module)->lineEdit(), typed);
                QTest::keyClick(kinds(*module)->lineEdit(), Qt::Key_Return);
            } else {
                kinds(*module)->setCurrentIndex(chosenIndex);
            }
            QCOMPARE(kinds(*module)->count(), 3); // Return adds no item
            click(*module, "btnOk");
        }
        QCOMPARE(ProfileFile(m_options).readString("ConnectionSettings", "DatabaseType"), stored);
        auto module = open();
        QCOMPARE(kinds(*module)->currentIndex(), shownIndex);
        QCOMPARE(kinds(*module)->currentText(), shownIndex < 0 ? QString() : kinds(*module)->itemText(shownIndex));
    }

    void kindOutsideTheListShowsNone_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("3") << QByteArray("3");
        QTest::newRow("-5") << QByteArray("-5");
        QTest::newRow("empty") << QByteArray("");
    }
    void kindOutsideTheListShowsNone()
    {
        QFETCH(QByteArray, value);
        QFile file(m_options);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[ConnectionSettings]\r\nDatabaseType=" + value + "\r\n");
        file.close();
        auto module = open();
        QCOMPARE(kinds(*module)->currentIndex(), -1);
        QCOMPARE(kinds(*module)->currentText(), QString());
    }

    void unreadableNumbersOpenAndStayUntilChanged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("idle");
        QTest::addColumn<bool>("userChanges");
        QTest::newRow("words, kept") << "Access" << "abc" << false;
        QTest::newRow("words, changed") << "Access" << "abc" << true;
        QTest::newRow("out of range, kept") << "1x" << "100000" << false;
        QTest::newRow("negative idle, changed") << " " << "-5" << true;
    }
    void unreadableNumbersOpenAndStayUntilChanged()
    {
        QFETCH(QString, kind);
        QFETCH(QString, idle);
        QFETCH(bool, userChanges);
        {
            ProfileFile file(m_options);
            file.writeString("ConnectionSettings", "DatabaseType", kind);
            file.writeString("ProjectsSection", "IdleMinutes", idle);
        }
        {
            auto module = open();
            QVERIFY(module->ModuleForm()->isVisible());
            QCOMPARE(kinds(*module)->currentIndex(), -1);
            QCOMPARE(kinds(*module)->currentText(), QString());
            QCOMPARE(module->Lookup("edtIdleMinutes")->as<QSpinBox>()->value(), 0);
            edit(*module, "edtServerName")->setText("new-host");
            if (userChanges) {
                kinds(*module)->setCurrentIndex(0);
                module->Lookup("edtIdleMinutes")->as<QSpinBox>()->setValue(15);
            }
            click(*module, "btnOk");
            QVERIFY(!module->ModuleForm()->isVisible());
        }
        ProfileFile file(m_options);
        QCOMPARE(file.readString("ConnectionSettings", "ServerName"), QStringLiteral("new-host"));
        QCOMPARE(file.readString("ConnectionSettings", "DatabaseType"), userChanges ? QStringLiteral("0") : kind);
        QCOMPARE(file.readString("ProjectsSection", "IdleMinutes"), userChanges ? QStringLiteral("15") : idle);
        QVERIFY(MessageService::shownForTests().isEmpty());
    }

    void credentialsAreEncodedOnDisk_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << "sa" << "secret7";
        QTest::newRow("letters beyond ASCII") << QString::fromUtf8("Jürgen") << QString::fromUtf8("pässwört€");
        QTest::newRow("profile and connection-string characters") << "dom\\user" << "a=b;c}[x]";
        QTest::newRow("spaces at the ends") << " lead" << "trail ";
    }
    void credentialsAreEncodedOnDisk()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        saveConnection(user, password, 1);

        const QByteArray bytes = readAll(m_options);
        QVERIFY(!bytes.contains(user.trimmed().toUtf8()));
        QVERIFY(!bytes.contains(password.trimmed().toUtf8()));
        ProfileFile file(m_options);
        QCOMPARE(file.readString("ConnectionSettings", "UserName"), TqvOptionsManager::EncodeValue(user.toUtf8()));
        QCOMPARE(file.readString("ConnectionSettings", "Password"),
                 TqvOptionsManager::EncodeValue(password.toUtf8()));

        auto module = open();
        QCOMPARE(edit(*module, "edtUserName")->text(), user);
        QCOMPARE(edit(*module, "edtPassWord")->text(), password);
        QCOMPARE(edit(*module, "edtPassWord")->echoMode(), QLineEdit::Password);
        QVERIFY(!edit(*module, "edtPassWord")->displayText().contains(password));
        QCOMPARE(edit(*module, "edtServerName")->text(), QStringLiteral("db-host"));
        QCOMPARE(edit(*module, "edtDataBaseName")->text(), QStringLiteral("hours"));
    }

    void clearedValueReadsBackAsDefault_data()
    {
        QTest::addColumn<QString>("editName");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("excel path") << "edtExcelFilePath" << "ExcelPath" << "Reports\\Hourwright.xlsx";
        QTest::newRow("database path") << "edtDataBasePath" << "DataBasePath" << "DataBase\\hwr.db";
        QTest::newRow("server name") << "edtServerName" << "ServerName" << "";
    }
    void clearedValueReadsBackAsDefault()
    {
        QFETCH(QString, editName);
        QFETCH(QString, key);
        QFETCH(QString, shownAfter);
        {
            auto module = open();
            edit(*module, qPrintable(editName))->setText("Other\\value.x");
            click(*module, "btnOk");
        }
        {
            auto module = open();
            QCOMPARE(edit(*module, qPrintable(editName))->text(), QStringLiteral("Other\\value.x"));
            edit(*module, qPrintable(editName))->clear();
            click(*module, "btnOk");
        }
        const QString section = key == "ServerName" ? "ConnectionSettings" : "ExportSettings";
        QCOMPARE(ProfileFile(m_options).readString(section, key, "<missing>"), QString());
        auto module = open();
        QCOMPARE(edit(*module, qPrintable(editName))->text(), shownAfter);
    }

    void discardingLeavesTheFileUntouched_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "cancel";
        QTest::newRow("close box") << "close";
        QTest::newRow("Escape key") << "escape";
    }
    void discardingLeavesTheFileUntouched()
    {
        QFETCH(QString, how);
        saveConnection("sa", "secret", 0);
        const QByteArray before = readAll(m_options);
        const QDateTime modified = QFileInfo(m_options).lastModified();

        auto module = open();
        for (const char* name :
             {"edtServerName", "edtDataBaseName", "edtUserName", "edtPassWord", "edtExcelFilePath", "edtDataBasePath"})
            edit(*module, name)->setText("changed");
        kinds(*module)->setCurrentIndex(1);
        if (how == "cancel")
            click(*module, "btnCancel");
        else if (how == "close")
            module->ModuleForm()->close();
        else
            QTest::keyClick(module->ModuleForm(), Qt::Key_Escape);
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(readAll(m_options), before);
        QCOMPARE(QFileInfo(m_options).lastModified(), modified);
    }

    void cancelWithNoFileCreatesNone()
    {
        auto module = open();
        edit(*module, "edtServerName")->setText("host");
        click(*module, "btnCancel");
        QVERIFY(!QFile::exists(m_options));
    }

    void failingWriteIsShownAndTheWindowStays()
    {
        const QString unwritable = folder() + "missing-folder/options.ini";
        GetOptionsManager()->setOptionsFileName(unwritable);
        auto module = open();
        edit(*module, "edtServerName")->setText("host");
        click(*module, "btnOk");
        QCOMPARE(shownTexts(), QStringList{"Unable to write to " + unwritable});
        QCOMPARE(MessageService::shownForTests().first().icon, QMessageBox::Critical);
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(edit(*module, "edtServerName")->text(), QStringLiteral("host"));
        QVERIFY(!QFile::exists(unwritable));

        // Once the file can be written, Ok of the same window succeeds.
        GetOptionsManager()->setOptionsFileName(m_options);
        click(*module, "btnOk");
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(ProfileFile(m_options).readString("ConnectionSettings", "ServerName"), QStringLiteral("host"));
    }

    void modalRunEndsWithOk()
    {
        auto module = TCustomModule::Create<TdmSettings, TFrmSettings>();
        TdmSettings* settings = module.get();
        QTimer::singleShot(0, settings, [settings] {
            edit(*settings, "edtDataBaseName")->setText("from-modal");
            click(*settings, "btnOk");
        });
        module->Execute(true);
        QVERIFY(!module->ModuleForm()); // the form is gone after a modal run
        QCOMPARE(ProfileFile(m_options).readString("ConnectionSettings", "DataBaseName"),
                 QStringLiteral("from-modal"));
    }

    void testConnectionSqlite_data()
    {
        QTest::addColumn<QString>("pathKind");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::newRow("database with the tables, absolute path")
            << "absolute" << "Connection succeeded" << QMessageBox::Information;
        QTest::newRow("database with the tables, relative path with backslash")
            << "relative" << "Connection succeeded" << QMessageBox::Information;
        QTest::newRow("missing file") << "missing" << "does not exist" << QMessageBox::Critical;
        QTest::newRow("empty database") << "empty" << "table USERS is missing" << QMessageBox::Warning;
        QTest::newRow("not a database") << "garbage" << "not a database" << QMessageBox::Critical;
    }
    void testConnectionSqlite()
    {
        QFETCH(QString, pathKind);
        QFETCH(QString, expected);
        QFETCH(QMessageBox::Icon, icon);
        SKIP_ON_SERVER();
        TestDatabase db; // stands for the program's own connection too
        QString path;
        if (pathKind == "absolute") {
            path = db.path();
        } else if (pathKind == "relative") {
            QVERIFY(QDir().mkpath(folder() + "DataBase"));
            QVERIFY(QFile::copy(db.path(), folder() + "DataBase/copy.db"));
            path = "DataBase\\copy.db";
        } else if (pathKind == "missing") {
            path = "DataBase\\nothere.db";
        } else if (pathKind == "empty") {
            path = folder() + "empty.db";
            DbConnection maker;
            maker.createSqlite(path);
        } else {
            path = folder() + "garbage.db";
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        }

        auto module = open();
        kinds(*module)->setCurrentIndex(0);
        edit(*module, "edtDataBasePath")->setText(path);
        click(*module, "btnTestConnection");

        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(shownTexts().first().contains(expected), qPrintable(shownTexts().first()));
        QCOMPARE(MessageService::shownForTests().first().icon, icon);
        QVERIFY(module->ModuleForm()->isVisible());
        QVERIFY(!QFile::exists(m_options)); // testing writes no option
        QVERIFY(!QFile::exists(folder() + "DataBase/nothere.db"));
        QVERIFY(db.connection().isOpen());
        QCOMPARE(db.count("USERS"), 0);
    }

    // A closed port on this machine refuses at once; a server that takes the
    // connection and never answers the login is given up on in time.
    void testConnectionUnreachableServerFails_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("portSeparator");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("boundMs");
        QTest::newRow("SQL Server, closed port") << 1 << "," << false << 15000;
        QTest::newRow("SQL Server, silent server") << 1 << "," << true << 30000;
        QTest::newRow("PostgreSQL, closed port") << 2 << ":" << false << 15000;
        QTest::newRow("PostgreSQL, silent server") << 2 << ":" << true << 30000;
    }
    void testConnectionUnreachableServerFails()
    {
        QFETCH(int, kind);
        QFETCH(QString, portSeparator);
        QFETCH(bool, silent);
        QFETCH(int, boundMs);
        int listener = -1;
        auto closeListener = qScopeGuard([&listener] {
            if (listener >= 0)
                ::close(listener);
        });
        QString server = QStringLiteral("127.0.0.1") + portSeparator + QStringLiteral("1");
        if (silent) {
            listener = ::socket(AF_INET, SOCK_STREAM, 0);
            QVERIFY(listener >= 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0);
            QVERIFY(::listen(listener, 4) == 0);
            QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
            server = QStringLiteral("127.0.0.1") + portSeparator + QString::number(ntohs(address.sin_port));
        }

        auto module = open();
        kinds(*module)->setCurrentIndex(kind);
        edit(*module, "edtServerName")->setText(server);
        edit(*module, "edtDataBaseName")->setText("hours");
        edit(*module, "edtUserName")->setText("sa");
        edit(*module, "edtPassWord")->setText("pw");
        QElapsedTimer elapsed;
        elapsed.start();
        click(*module, "btnTestConnection");
        QVERIFY2(elapsed.elapsed() < boundMs, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().icon, QMessageBox::Critical);
        QVERIFY(!shownTexts().first().contains("succeeded"));
        QVERIFY(!shownTexts().first().isEmpty());
        QVERIFY(module->ModuleForm()->isVisible());
        QVERIFY(!QFile::exists(m_options));
    }

    // The values on screen reach the server and its database, and nothing
    // is written; a wrong password is the server's refusal in its own words.
    void testConnectionToAServer()
    {
        SKIP_ON_FILE();
        TestDatabase db;
        const ConnectionSettings& server = db.settings();
        auto module = open();
        kinds(*module)->setCurrentIndex(server.kind);
        edit(*module, "edtServerName")->setText(server.serverName);
        edit(*module, "edtDataBaseName")->setText(server.dataBaseName);
        edit(*module, "edtUserName")->setText(server.userName);
        edit(*module, "edtPassWord")->setText(server.password);
        click(*module, "btnTestConnection");
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(shownTexts().first().contains("succeeded"), qPrintable(shownTexts().first()));
        MessageService::resetForTests();
        edit(*module, "edtPassWord")->setText(server.password + "x");
        click(*module, "btnTestConnection");
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY2(shownTexts().first().contains("password authentication failed"), qPrintable(shownTexts().first()));
        QVERIFY(!QFile::exists(m_options));

        // A team server's desktop names no login: the server answering is
        // what can be tested.
        MessageService::resetForTests();
        edit(*module, "edtUserName")->clear();
        edit(*module, "edtPassWord")->clear();
        click(*module, "btnTestConnection");
        QVERIFY2(shownTexts().value(0).contains("The server answers"), qPrintable(shownTexts().value(0)));
        // TLS reaches libpq: the test server offers none, so requiring it fails.
        MessageService::resetForTests();
        module->Lookup("edtSslMode")->AsComboBox()->setCurrentText("require");
        click(*module, "btnTestConnection");
        QVERIFY2(shownTexts().value(0).contains("SSL"), qPrintable(shownTexts().value(0)));
        edit(*module, "edtSslRootCert")->setText("certs/team-ca.pem");
        click(*module, "btnOk");
        const ConnectionSettings saved = ConnectionSettings::read(*GetOptionsManager());
        QCOMPARE(saved.sslMode, QStringLiteral("require"));
        QCOMPARE(saved.sslRootCert, QStringLiteral("certs/team-ca.pem"));
        QVERIFY(saved.personalLogins());
    }

    void testConnectionWithoutKindAsksForOne()
    {
        auto module = open();
        click(*module, "btnTestConnection");
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(shownTexts().first().contains("DB Type"));
        QVERIFY(!QFile::exists(folder() + "DataBase/hwr.db"));
    }

    void testConnectionUsesTheValuesOnScreen()
    {
        // The file names a working database; the screen names a missing one.
        TestDatabase db;
        ProfileFile(m_options).writeString("ConnectionSettings", "DatabaseType", "0");
        ProfileFile(m_options).writeString("ExportSettings", "DataBasePath", db.path());
        const QByteArray before = readAll(m_options);
        auto module = open();
        edit(*module, "edtDataBasePath")->setText(folder() + "elsewhere.db");
        click(*module, "btnTestConnection");
        QVERIFY2(shownTexts().first().contains("does not exist"), qPrintable(shownTexts().first()));
        QCOMPARE(readAll(m_options), before);
    }

    void fileChooserFillsThePath_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("editName");
        QTest::addColumn<QString>("answer"); // relative answers are taken inside the program folder
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("filterPart");
        QTest::newRow("workbook inside the program folder")
            << "btnSetExcelPath" << "edtExcelFilePath" << "Reports/Book.xlsx" << "Reports/Book.xlsx" << "*.xlsx";
        QTest::newRow("workbook elsewhere") << "btnSetExcelPath" << "edtExcelFilePath" << "/srv/share/Book.xlsx"
                                            << "/srv/share/Book.xlsx" << "*.xlsx";
        QTest::newRow("workbook dialog cancelled") << "btnSetExcelPath" << "edtExcelFilePath" << ""
                                                   << "Reports\\Hourwright.xlsx" << "*.xlsx";
        QTest::newRow("database inside the program folder")
            << "Button1" << "edtDataBasePath" << "data/main.db" << "data/main.db" << "*.db";
        QTest::newRow("database elsewhere")
            << "Button1" << "edtDataBasePath" << "/var/lib/hours.db" << "/var/lib/hours.db" << "*.db";
        QTest::newRow("database dialog cancelled")
            << "Button1" << "edtDataBasePath" << "" << "DataBase\\hwr.db" << "*.db";
    }
    void fileChooserFillsThePath()
    {
        QFETCH(QString, button);
        QFETCH(QString, editName);
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        QFETCH(QString, filterPart);
        m_chooserAnswer = answer.isEmpty() || answer.startsWith('/') ? answer : folder() + answer;
        auto module = open();
        click(*module, qPrintable(button));
        QCOMPARE(m_chooserCalls.size(), 1);
        QVERIFY2(m_chooserCalls.first().filter.contains(filterPart), qPrintable(m_chooserCalls.first().filter));
        // Nothing on the default path exists, so the dialog starts in the program folder.
        QCOMPARE(m_chooserCalls.first().start, QDir::cleanPath(m_dir->path()));
        QCOMPARE(edit(*module, qPrintable(editName))->text(), shown);
        QVERIFY(!QFile::exists(m_options));
        QVERIFY(module->ModuleForm()->isVisible());
    }

    void fileChooserStartsAtTheShownFile()
    {
        QVERIFY(QDir().mkpath(folder() + "Reports"));
        QFile book(folder() + "Reports/Hourwright.xlsx");
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.close();
        auto module = open();
        click(*module, "btnSetExcelPath");
        QCOMPARE(m_chooserCalls.size(), 1);
        QCOMPARE(m_chooserCalls.first().start, folder() + "Reports/Hourwright.xlsx");
        edit(*module, "edtExcelFilePath")->setText("Reports\\missing\\x.xlsx");
        click(*module, "btnSetExcelPath");
        QCOMPARE(m_chooserCalls.at(1).start, folder() + "Reports");
    }

    void optionPathFor_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("directly inside") << "/opt/hw/hwr.db" << "/opt/hw/" << "hwr.db";
        QTest::newRow("nested inside") << "/opt/hw/a/b/Book.xlsx" << "/opt/hw/" << "a/b/Book.xlsx";
        QTest::newRow("folder without slash") << "/opt/hw/a/x.db" << "/opt/hw" << "a/x.db";
        QTest::newRow("sibling with the same prefix") << "/opt/hw2/x.db" << "/opt/hw/" << "/opt/hw2/x.db";
        QTest::newRow("outside") << "/home/u/x.db" << "/opt/hw/" << "/home/u/x.db";
        QTest::newRow("dot segments cleaned") << "/opt/hw/a/../b/x.db" << "/opt/hw/" << "b/x.db";
        QTest::newRow("up and out") << "/opt/hw/../x.db" << "/opt/hw/" << "/opt/x.db";
    }
    void optionPathFor()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(TdmSettings::optionPathFor(chosen, folder), expected);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_Settings.moc"
