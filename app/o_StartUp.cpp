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
            auto main = TdmMain::create();
            main->showMainForm();
            controller = std::move(main);
        }
        const int code = app.exec();
        controller.reset();
        return code;
    } catch (const std::exception& error) {
        controller.reset();
        HourwrightApplication::reportStartupFailure(errorMessage(error));
        return 1;
    }
}
