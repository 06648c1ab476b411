#include "app/o_StartUp.h"

#include "app/mm_main.h"
#include "app/o_Application.h"
#include "components/o_OptionsManager.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"

#include <QMainWindow>

#include <memory>

int StartUp::run(HourwrightApplication& app)
{
    GetOptionsManager()->setOptionsFileName(AppPaths::applicationFolder() + QStringLiteral("options.ini"));
    std::unique_ptr<QObject> controller;
    TdmMain::Ptr<TdmMain> mainController;
    try {
        if (HourwrightApplication::isSetupMode(app.arguments())) {
            app.setApplicationDisplayName(QString());
            app.setApplicationName(QStringLiteral("Hourwright"));
            auto window = std::make_unique<QMainWindow>();
            window->setWindowTitle(QStringLiteral("Hourwright"));
            window->resize(359, 307);
            window->show();
            controller = std::move(window);
        } else {
            // Only Terminate ends a normal run; closing windows never does.
            app.setQuitOnLastWindowClosed(false);
            auto main = TdmMain::create();
            main->ModuleForm()->show();
            mainController = std::move(main);
        }
        const int code = app.exec();
        mainController.reset();
        controller.reset();
        return code;
    } catch (const std::exception& error) {
        mainController.reset();
        controller.reset();
        HourwrightApplication::reportStartupFailure(errorMessage(error));
        return 1;
    }
}
