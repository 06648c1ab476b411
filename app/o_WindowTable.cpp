#include "app/o_WindowTable.h"

#include "app/mm_main.h"
#include "app/o_IntervalCommands.h"
#include "components/o_ProjectMonitor.h"
#include "modules/f_About.h"
#include "modules/f_ChangePassword.h"
#include "modules/f_Customers.h"
#include "modules/f_Developers.h"
#include "modules/f_ProjectPerDeveloper.h"
#include "modules/f_Projects.h"
#include "modules/f_Reports.h"
#include "modules/f_Settings.h"
#include "modules/f_SpecialEntry.h"
#include "modules/f_Users.h"
#include "modules/f_Week.h"
#include "modules/mc_ChangePassword.h"
#include "modules/mc_Customers.h"
#include "modules/mc_Developers.h"
#include "modules/mc_ProjectPerDeveloper.h"
#include "modules/mc_Projects.h"
#include "modules/mc_Reports.h"
#include "modules/mc_Settings.h"
#include "modules/mc_SpecialEntry.h"
#include "modules/mc_Users.h"
#include "modules/mc_Week.h"

namespace {

// Create, set the inputs, run modally; the controller is freed on the way
// out, also when the window raised.
template <class Module, class Form, class Setup>
TdmMain::WindowRunner runner(Setup setup)
{
    return [setup](TdmMain& main) {
        auto module = TCustomModule::Create<Module, Form>();
        setup(*module, main);
        module->Execute(true);
    };
}

template <class Module, class Form>
TdmMain::WindowRunner runner()
{
    return runner<Module, Form>([](Module&, TdmMain&) {});
}

} // namespace

void registerHourwrightWindows()
{
    TdmMain::registerWindow(TdmMain::cmdAbout, [](TdmMain& main) { ShowAboutBox(main.ModuleForm()); });
    // Saved connection values take effect at the next start.
    TdmMain::registerWindow(TdmMain::cmdOptions, runner<TdmSettings, TFrmSettings>());
    TdmMain::registerWindow(TdmMain::cmdChangePassword, runner<TdmChangePassword, TFrmChangePassword>(
                                                            [](TdmChangePassword& module, TdmMain& main) {
                                                                module.User = main.signedInUser();
                                                            }));
    TdmMain::registerWindow(TdmMain::cmdProjects, runner<TdmProjects, TFrmProjects>());
    TdmMain::registerWindow(TdmMain::cmdDevelopers, runner<TdmDevelopers, TFrmDevelopers>());
    TdmMain::registerWindow(TdmMain::cmdCustomers, runner<TdmCustomers, TFrmCustomers>());
    TdmMain::registerWindow(TdmMain::cmdUsers, runner<TdmUsers, TFrmUsers>());
    TdmMain::registerWindow(TdmMain::cmdSpecialEntry,
                            runner<TdmSpecialEntry, TFrmSpecialEntry>([](TdmSpecialEntry& module, TdmMain& main) {
                                module.DeveloperID = main.signedInUser().developerId;
                                module.UserName = main.signedInUser().userName;
                                module.IsAdmin = main.IsAdmin();
                            }));
    // The week of the signed-in user's developer, as Edit Interval knows them.
    TdmMain::registerWindow(TdmMain::cmdWeek, runner<TdmWeek, TFrmWeek>([](TdmWeek& module, TdmMain& main) {
                                module.User = main.intervalCommands()->user();
                            }));
    TdmMain::registerWindow(TdmMain::cmdProjectsPerDeveloper,
                            runner<TdmProjectPerDeveloper, TFrmProjectPerDeveloper>(
                                [](TdmProjectPerDeveloper& module, TdmMain& main) {
                                    module.DatabaseKind = main.DatabaseKind();
                                }));
    TdmMain::registerWindow(TdmMain::cmdReports, runner<TdmReports, TFrmReports>([](TdmReports& module, TdmMain& main) {
                                module.DatabaseKind = main.DatabaseKind();
                            }));
}
