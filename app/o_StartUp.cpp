#include "app/o_StartUp.h"

#include "app/mm_main.h"
#include "app/o_Application.h"
#include "components/LoginDialog.h"
#include "components/TrayIcon.h"
#include "components/o_AppIcons.h"
#include "components/o_OptionsLocation.h"
#include "modules/f_FirstStart.h"
#include "modules/f_Settings.h"
#include "modules/mc_FirstStart.h"
#include "modules/mc_Settings.h"
#include "toolkit/AppError.h"
#include "toolkit/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Scripted-run aid: HW_QUIT_AFTER_MS=<n> ends the message loop after n
// milliseconds, first printing the titles of the windows on screen to
// stderr, so that a script can see what the program showed and still get
// its exit status.
void quitAfterRequestedTime(QApplication& app)
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("HW_QUIT_AFTER_MS", &ok);
    if (!ok || ms < 0)
        return;
    QTimer::singleShot(ms, &app, [&app] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible())
                std::fprintf(stderr, "hourwright: window shown: %s\n", qPrintable(widget->windowTitle()));
        }
        // Not quit(): windows that refuse to close (the main window goes to
        // the tray) would keep the program running.
        app.exit(0);
    });
}

} // namespace

void StartUp::bringForward(TdmMain* main)
{
    if (main && main->MainTrayIcon())
        main->MainTrayIcon()->Restore();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->show();
        modal->raise();
        modal->activateWindow();
    }
    std::fprintf(stderr, "hourwright: another start asked this one to show its window\n");
}

int StartUp::run(HourwrightApplication& app)
{
    QApplication::setWindowIcon(AppIcons::idle());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.hourwright.Hourwright"));
    const QString optionsFile = OptionsLocation::chosen();
    OptionsLocation::useForProgram(optionsFile);
    const bool setupMode = HourwrightApplication::isSetupMode(app.arguments());

    // One program per user session; the settings window alone is not limited.
    SingleInstance instance(QStringLiteral("hourwright"));
    if (!setupMode && !instance.claim()) {
        std::fprintf(stderr, "hourwright: already running; its window is brought forward\n");
        return 0;
    }

    TCustomModule::Ptr<TdmSettings> settingsController;
    TdmMain::Ptr<TdmMain> mainController;
    QObject::connect(&instance, &SingleInstance::activationRequested, &app,
                     [&mainController] { bringForward(mainController.get()); });
    quitAfterRequestedTime(app);
    try {
        if (setupMode) {
            // No connection and no sign-in: the settings window is the whole
            // program, and closing it ends the program. Its Ok writes the
            // options file, in the per-user folder when there is none.
            QDir().mkpath(QFileInfo(optionsFile).absolutePath());
            app.setApplicationDisplayName(QString());
            app.setApplicationName(QStringLiteral("Hourwright"));
            app.setQuitOnLastWindowClosed(true);
            settingsController = TCustomModule::Create<TdmSettings, TFrmSettings>();
            settingsController->ModuleForm()->show();
        } else {
            // Only Terminate ends a normal run; closing windows never does.
            app.setQuitOnLastWindowClosed(false);
            QString createdUser, createdPassword;
            if (!QFileInfo(optionsFile).isFile()) {
                // An installed program started for the first time: make or
                // choose the database first; Quit there ends the program.
                auto firstStart = TCustomModule::Create<TdmFirstStart, TFrmFirstStart>();
                firstStart->Execute(true);
                if (!firstStart->Completed())
                    return 0;
                createdUser = firstStart->CreatedUserName();
                createdPassword = firstStart->CreatedPassword();
            }
            auto main = TdmMain::create();
            // "Create and Sign In": who just made the database is signed in.
            if (!createdUser.isEmpty())
                main->loginDialog()->SignInWith(createdUser, createdPassword);
            // Started with the session: after the sign-in the window stays in
            // the notification area, unless there is none to find it in.
            if (!HourwrightApplication::startsHidden(app.arguments()) || !main->MainTrayIcon()->isActive())
                main->ModuleForm()->show();
            mainController = std::move(main);
        }
        const int code = app.exec();
        mainController.reset();
        settingsController.reset();
        return code;
    } catch (const std::exception& error) {
        mainController.reset();
        settingsController.reset();
        // The driver's own words too: nothing else can be asked about it.
        const QString detail = errorDetail(error);
        HourwrightApplication::reportStartupFailure(errorMessage(error)
                                                    + (detail.isEmpty() ? QString() : QStringLiteral("\n\n") + detail));
        return 1;
    }
}
