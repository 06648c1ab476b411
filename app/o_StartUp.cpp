#include "app/o_StartUp.h"

#include "app/mm_main.h"
#include "app/o_Application.h"
#include "components/o_OptionsManager.h"
#include "modules/f_Settings.h"
#include "modules/mc_Settings.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"

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

int StartUp::run(HourwrightApplication& app)
{
    GetOptionsManager()->setOptionsFileName(AppPaths::applicationFolder() + QStringLiteral("options.ini"));
    TCustomModule::Ptr<TdmSettings> settingsController;
    TdmMain::Ptr<TdmMain> mainController;
    try {
        if (HourwrightApplication::isSetupMode(app.arguments())) {
            // No connection and no sign-in: the settings window is the whole
            // program, and closing it ends the program.
            app.setApplicationDisplayName(QString());
            app.setApplicationName(QStringLiteral("Hourwright"));
            app.setQuitOnLastWindowClosed(true);
            settingsController = TCustomModule::Create<TdmSettings, TFrmSettings>();
            settingsController->ModuleForm()->show();
        } else {
            // Only Terminate ends a normal run; closing windows never does.
            app.setQuitOnLastWindowClosed(false);
            auto main = TdmMain::create();
            main->ModuleForm()->show();
            mainController = std::move(main);
        }
        quitAfterRequestedTime(app);
        const int code = app.exec();
        mainController.reset();
        settingsController.reset();
        return code;
    } catch (const std::exception& error) {
        mainController.reset();
        settingsController.reset();
        HourwrightApplication::reportStartupFailure(errorMessage(error));
        return 1;
    }
}
