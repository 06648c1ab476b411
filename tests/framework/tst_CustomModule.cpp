#include "framework/mc_CustomModule.h"

#include "components/o_ModalFormHook.h"
#include "components/o_QVMessageBox.h"
#include "components/o_QVTimer.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_ModuleForm.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MessageService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

#include <functional>

namespace {
// Forms and module data count themselves, so a test can tell that a torn
// down module left nothing behind.
int s_liveObjects = 0;

class CountedData : public QObject
{
public:
    explicit CountedData(QObject* owner)
        : QObject(owner)
    {
        ++s_liveObjects;
    }
    ~CountedData() override { --s_liveObjects; }
};
} // namespace

// A window as the program's windows are built: controls, layout, a menu, a
// kit timer and a kit message box; nothing is connected here.
class TFrmKitTest : public TModuleForm
{
    Q_OBJECT
public:
    TFrmKitTest()
    {
        ++s_liveObjects;
        setObjectName(QStringLiteral("FrmKitTest"));
        auto* layout = new QVBoxLayout(this);

        auto* menuBar = new QMenuBar(this);
        QMenu* fileMenu = menuBar->addMenu(QStringLiteral("&File"));
        fileMenu->setObjectName(QStringLiteral("mnuFile"));
        fileMenu->addAction(QStringLiteral("Refresh"))->setObjectName(QStringLiteral("mnuRefresh"));
        layout->setMenuBar(menuBar);

        auto* panel = new QWidget(this);
        panel->setObjectName(QStringLiteral("ToolPanel"));
        auto* panelLayout = new QHBoxLayout(panel);
        auto* start = new QToolButton(panel);
        start->setObjectName(QStringLiteral("btnStartMonitoring"));
        panelLayout->addWidget(start);
        layout->addWidget(panel);

        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edtDataBaseName"));
        layout->addWidget(edit);
        auto* label = new QLabel(QStringLiteral("Time Elapsed :"), this);
        label->setObjectName(QStringLiteral("lblTimeElapsed"));
        layout->addWidget(label);
        for (const char* name : {"btnApply", "btnFail", "btnSpare", "btnOk", "btnCancel"}) {
            auto* button = new QPushButton(QString::fromLatin1(name), this);
            button->setObjectName(QString::fromLatin1(name));
            button->setAutoDefault(false);
            layout->addWidget(button);
        }

        auto* timer = new TqvTimer(this);
        timer->setObjectName(QStringLiteral("KitTimer"));
        timer->setEnabled(false);
        auto* box = new TqvMessageBox(this);
        box->setObjectName(QStringLiteral("InfoMsgBox"));
    }
    ~TFrmKitTest() override { --s_liveObjects; }
};

// A main window: closing it is asked through an event filter.
class TFrmKitMain : public QMainWindow
{
    Q_OBJECT
public:
    TFrmKitMain()
    {
        ++s_liveObjects;
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("btnStartMonitoring"));
        setCentralWidget(button);
    }
    ~TFrmKitMain() override { --s_liveObjects; }
};

class TdmKitTest : public TCustomModule
{
    Q_OBJECT
public:
    using TCustomModule::TCustomModule;

    enum Command { cmdOk = 10, cmdCancel = 11, cmdApply = 12, cmdRefresh = 100, cmdTick = 108, cmdStart = 400,
                   cmdFail = 500 };

    static inline QStringList log;
    static inline bool throwInCreateData = false;
    static inline bool throwInWireEvents = false;

    bool allowClose = true;
    bool throwInCanClose = false;
    int closeQueries = 0;
    int ticks = 0;
    QList<QObject*> senders;
    std::function<void()> onAfterShow;

    static int count(const QString& entry) { return int(log.count(entry)); }

protected:
    void CreateData() override
    {
        TCustomModule::CreateData();
        log << QStringLiteral("CreateData");
        new CountedData(this);
        if (throwInCreateData)
            throw DatabaseError(QStringLiteral("no such table: PROJECTS"));
    }
    void DestroyData() override
    {
        log << (ModuleForm() ? QStringLiteral("DestroyData with form") : QStringLiteral("DestroyData without form"));
    }
    void WireEvents() override
    {
        TCustomModule::WireEvents();
        log << QStringLiteral("WireEvents");
        AssignEventByName(QStringLiteral("BTNOK"), cmdOk, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("btncancel"), cmdCancel, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("btnApply"), cmdApply, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("btnFail"), cmdFail, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("btnStartMonitoring"), cmdStart, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("mnuRefresh"), cmdRefresh, 0, QStringLiteral("OnClick"));
        AssignEventByName(QStringLiteral("KitTimer"), cmdTick, 0, QStringLiteral("OnTimer"));
        if (throwInWireEvents)
            throw AppError(QStringLiteral("Cannot open PROJECTS"));
    }
    void HandleEvent0(QObject* sender) override
    {
        TCustomModule::HandleEvent0(sender);
        log << QStringLiteral("HandleEvent0 %1").arg(TagOf(sender));
        senders << sender;
        switch (TagOf(sender)) {
        case cmdOk:
            Close();
            break;
        case cmdCancel:
            static_cast<QDialog*>(ModuleForm())->accept();
            break;
        case cmdTick:
            if (++ticks == 3)
                Lookup(QStringLiteral("KitTimer"))->AsTimer()->setEnabled(false);
            break;
        case cmdFail:
            throw DatabaseError(QStringLiteral("database is locked"));
        default:
            break;
        }
    }
    void HandleEvent3(QObject* sender, const QVariant&, const QVariant&) override
    {
        log << QStringLiteral("HandleEvent3 %1").arg(TagOf(sender));
    }
    void BeforeShow() override { log << QStringLiteral("BeforeShow"); }
    void AfterShow() override
    {
        log << QStringLiteral("AfterShow");
        if (onAfterShow)
            onAfterShow();
    }
    void BeforeClose() override { log << QStringLiteral("BeforeClose"); }
    void AfterClose() override { log << QStringLiteral("AfterClose"); }
    bool CanClose() override
    {
        ++closeQueries;
        if (throwInCanClose)
            throw AppError(QStringLiteral("Still saving"));
        return allowClose;
    }
};

namespace {
using Module = TCustomModule::Ptr<TdmKitTest>;
using Action = std::function<void(TdmKitTest&)>;

Module makeModule()
{
    return TCustomModule::Create<TdmKitTest, TFrmKitTest>();
}

template <class T>
T* find(TdmKitTest& module, const QString& name)
{
    return module.Lookup(name)->as<T>();
}

void click(TdmKitTest& module, const QString& name)
{
    QTest::mouseClick(find<QAbstractButton>(module, name), Qt::LeftButton);
}

// A modal run that a broken close would leave hanging is ended after a while.
void guardModalRun(TdmKitTest& module)
{
    QTimer::singleShot(10000, &module, [&module] {
        module.allowClose = true;
        if (auto* dialog = qobject_cast<QDialog*>(module.ModuleForm()))
            dialog->reject();
        else if (module.ModuleForm())
            module.ModuleForm()->close();
    });
}

void addCloseWays()
{
    QTest::addColumn<Action>("closeWay");
    QTest::addColumn<bool>("throughClose");
    QTest::newRow("Close command button") << Action([](TdmKitTest& m) { click(m, QStringLiteral("btnOk")); }) << true;
    QTest::newRow("button setting a modal result")
        << Action([](TdmKitTest& m) { click(m, QStringLiteral("btnCancel")); }) << false;
    QTest::newRow("close box") << Action([](TdmKitTest& m) { m.ModuleForm()->windowHandle()->close(); }) << false;
    QTest::newRow("Escape key") << Action([](TdmKitTest& m) { QTest::keyClick(m.ModuleForm(), Qt::Key_Escape); })
                                << false;
    QTest::newRow("module Close") << Action([](TdmKitTest& m) { m.Close(); }) << true;
}
} // namespace

class tst_CustomModule : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TdmKitTest::log.clear();
        TdmKitTest::throwInCreateData = false;
        TdmKitTest::throwInWireEvents = false;
        MessageService::resetForTests();
        QCOMPARE(s_liveObjects, 0);
    }

    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            delete widget;
        s_liveObjects = 0;
    }

    void constructionRunsDataFormAndWiring()
    {
        Module module = makeModule();
        QCOMPARE(TdmKitTest::log, QStringList({"CreateData", "WireEvents"}));
        QVERIFY(qobject_cast<TFrmKitTest*>(module->ModuleForm()));
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(s_liveObjects, 2);
        QVERIFY(module->ModuleCaster());
        QCOMPARE(module->ApplicationFolder(), AppPaths::applicationFolder());
        QVERIFY(module->ApplicationFolder().endsWith(QLatin1Char('/')));

        TModalFormHook* hook = module->ModalHook();
        QVERIFY(hook);
        QVERIFY(!hook->Enabled());
        QCOMPARE(hook->FormClassName(), QStringLiteral("TFrmKitTest"));
        QVERIFY(hook->FormName().isEmpty());
        QCOMPARE(hook->timerInterval(), 1000);
    }

    void lookupIgnoresLetterCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::newRow("as written") << "edtDataBaseName" << "edtDataBaseName";
        QTest::newRow("in capitals") << "EDTDATABASENAME" << "edtDataBaseName";
        QTest::newRow("other letter case") << "edtDatabaseName" << "edtDataBaseName";
        QTest::newRow("tool button inside a panel") << "btnstartmonitoring" << "btnStartMonitoring";
        QTest::newRow("menu action") << "MNUREFRESH" << "mnuRefresh";
        QTest::newRow("kit timer") << "kittimer" << "KitTimer";
        QTest::newRow("kit message box") << "infomsgbox" << "InfoMsgBox";
        QTest::newRow("misspelt") << "edtDataBseName" << "";
        QTest::newRow("empty name") << "" << "";
        QTest::newRow("the form itself") << "FrmKitTest" << "";
    }

    void lookupIgnoresLetterCase()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        Module module = makeModule();
        QObject* component = module->Lookup(name)->AsComponent();
        if (found.isEmpty())
            QVERIFY(!component);
        else
            QCOMPARE(component ? component->objectName() : QString(), found);
    }

    void lookupReusesItsCaster()
    {
        Module module = makeModule();
        TqvComponentCaster* first = module->Lookup(QStringLiteral("lblTimeElapsed"));
        QVERIFY(first->AsLabel());
        TqvComponentCaster* second = module->Lookup(QStringLiteral("KitTimer"));
        QCOMPARE(second, first);
        QVERIFY(!first->AsLabel());
        QVERIFY(first->AsTimer());
        QCOMPARE(module->Lookup(QStringLiteral("nothing")), first);
        QVERIFY(!first->AsComponent());
    }

    void wiredEventsDispatchByTag_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tag");
        QTest::newRow("push button") << "btnApply" << int(TdmKitTest::cmdApply);
        QTest::newRow("tool button in a panel") << "btnStartMonitoring" << int(TdmKitTest::cmdStart);
        QTest::newRow("menu action") << "mnuRefresh" << int(TdmKitTest::cmdRefresh);
    }

    void wiredEventsDispatchByTag()
    {
        QFETCH(QString, name);
        QFETCH(int, tag);
        Module module = makeModule();
        module->Execute(false);
        QObject* component = module->Lookup(name)->AsComponent();
        QCOMPARE(component->property("Tag").toInt(), tag);

        if (auto* action = qobject_cast<QAction*>(component))
            action->trigger();
        else
            QTest::mouseClick(qobject_cast<QAbstractButton*>(component), Qt::LeftButton);

        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 %1").arg(tag)), 1);
        QCOMPARE(module->senders, QList<QObject*>({component}));
    }

    void timerTicksReachTheHandler()
    {
        Module module = makeModule();
        TqvTimer* timer = module->Lookup(QStringLiteral("KitTimer"))->AsTimer();
        timer->setInterval(5);
        timer->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(module->ticks, 3, 5000);
        QVERIFY(!timer->isRunning()); // the handler switched it off
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 108")), 3);
        QCOMPARE(module->senders.first(), timer);
    }

    void unknownEventChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("eventName");
        QTest::newRow("button has no OnTimer") << "btnApply" << "OnTimer";
        QTest::newRow("timer has no OnClick") << "KitTimer" << "OnClick";
        QTest::newRow("label has no OnClick") << "lblTimeElapsed" << "OnClick";
        QTest::newRow("no such event") << "btnApply" << "OnWobble";
    }

    void unknownEventChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, eventName);
        Module module = makeModule();
        QObject* component = module->Lookup(name)->AsComponent();
        const QVariant tagBefore = component->property("Tag");
        module->AssignEventByName(name, 999, 0, eventName);
        QCOMPARE(component->property("Tag"), tagBefore);
        if (auto* button = qobject_cast<QAbstractButton*>(component)) {
            module->Execute(false);
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 999")), 0);
            QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 %1").arg(tagBefore.toInt())), 1);
        }
    }

    void unknownNameWiresNothing()
    {
        Module module = makeModule();
        const QStringList before = TdmKitTest::log;
        module->AssignEventByName(QStringLiteral("btnNowhere"), 5, 0, QStringLiteral("OnClick"));
        module->AssignEvent(nullptr, 5, 0, QStringLiteral("OnClick"));
        QCOMPARE(TdmKitTest::log, before);
    }

    void kindOutsideRangeSetsTagOnly_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("kind 6") << 6;
        QTest::newRow("kind -1") << -1;
        QTest::newRow("kind 100") << 100;
    }

    void kindOutsideRangeSetsTagOnly()
    {
        QFETCH(int, kind);
        Module module = makeModule();
        module->Execute(false);
        module->AssignEventByName(QStringLiteral("btnSpare"), 77, kind, QStringLiteral("OnClick"));
        QCOMPARE(TCustomModule::TagOf(module->Lookup(QStringLiteral("btnSpare"))->AsComponent()), 77);
        const QStringList before = TdmKitTest::log;
        click(*module, QStringLiteral("btnSpare"));
        QCOMPARE(TdmKitTest::log, before);
    }

    void wiringAgainReplacesTheConnection()
    {
        Module module = makeModule();
        module->Execute(false);
        // btnApply is already wired by WireEvents.
        module->AssignEventByName(QStringLiteral("btnApply"), TdmKitTest::cmdApply, 0, QStringLiteral("OnClick"));
        click(*module, QStringLiteral("btnApply"));
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 12")), 1);

        module->AssignEventByName(QStringLiteral("btnApply"), 13, 0, QStringLiteral("onclick"));
        click(*module, QStringLiteral("btnApply"));
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 12")), 1);
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 13")), 1);
    }

    void otherKindsReachTheirHandler()
    {
        Module module = makeModule();
        module->Execute(false);
        module->AssignEventByName(QStringLiteral("btnSpare"), 55, 3, QStringLiteral("OnClick"));
        click(*module, QStringLiteral("btnSpare"));
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent3 55")), 1);
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 55")), 0);
    }

    void handlerErrorIsShownAndTheWindowGoesOn()
    {
        Module module = makeModule();
        module->Execute(false);
        click(*module, QStringLiteral("btnFail"));
        QCOMPARE(MessageService::shownForTests().size(), 1);
        const MessageService::Request& shown = MessageService::shownForTests().first();
        QCOMPARE(shown.title, QStringLiteral("Hourwright"));
        QCOMPARE(shown.text, QStringLiteral("database is locked"));
        QCOMPARE(shown.icon, QMessageBox::Critical);
        QVERIFY(module->ModuleForm()->isVisible());
        click(*module, QStringLiteral("btnApply"));
        QCOMPARE(TdmKitTest::count(QStringLiteral("HandleEvent0 12")), 1);
    }

    void failedConstructionTearsDown_data()
    {
        QTest::addColumn<bool>("inCreateData");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::newRow("CreateData fails") << true << "no such table: PROJECTS"
                                          << QStringList({"CreateData", "DestroyData without form"});
        QTest::newRow("WireEvents fails") << false << "Cannot open PROJECTS"
                                          << QStringList({"CreateData", "WireEvents", "DestroyData with form"});
    }

    void failedConstructionTearsDown()
    {
        QFETCH(bool, inCreateData);
        QFETCH(QString, message);
        QFETCH(QStringList, expectedLog);
        TdmKitTest::throwInCreateData = inCreateData;
        TdmKitTest::throwInWireEvents = !inCreateData;
        QString caught;
        try {
            makeModule();
        } catch (const AppError& error) {
            caught = error.message();
        }
        QCOMPARE(caught, message);
        QCOMPARE(TdmKitTest::log, expectedLog);
        QCOMPARE(s_liveObjects, 0);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void nilFormClass_data()
    {
        QTest::addColumn<TCustomModule::FormClass>("formClass");
        QTest::newRow("no form class") << TCustomModule::FormClass();
        QTest::newRow("form class makes nothing") << TCustomModule::FormClass([]() -> QWidget* { return nullptr; });
    }

    void nilFormClass()
    {
        QFETCH(TCustomModule::FormClass, formClass);
        QString caught;
        try {
            TCustomModule::Create<TdmKitTest>(formClass);
        } catch (const AppError& error) {
            caught = error.message();
        }
        QCOMPARE(caught, QStringLiteral("Error Creating Form"));
        QCOMPARE(TdmKitTest::log, QStringList({"CreateData", "DestroyData without form"}));
        QCOMPARE(s_liveObjects, 0);
    }

    void freeingRunsDestroyDataThenFreesEverything()
    {
        Module module = makeModule();
        QPointer<QWidget> form(module->ModuleForm());
        QPointer<TqvComponentCaster> caster(module->ModuleCaster());
        QPointer<TModalFormHook> hook(module->ModalHook());
        module.reset();
        QCOMPARE(TdmKitTest::log.last(), QStringLiteral("DestroyData with form"));
        QVERIFY(form.isNull());
        QVERIFY(caster.isNull());
        QVERIFY(hook.isNull());
        QCOMPARE(s_liveObjects, 0);
    }

    void ownerFreesTheModule()
    {
        auto* owner = new QObject;
        TdmKitTest* module = TCustomModule::Create<TdmKitTest, TFrmKitTest>(owner).release();
        QPointer<TdmKitTest> guard(module);
        delete owner;
        QVERIFY(guard.isNull());
        QCOMPARE(TdmKitTest::count(QStringLiteral("DestroyData with form")), 1);
        QCOMPARE(s_liveObjects, 0);
    }

    void formDestroyedElsewhereClearsModuleForm()
    {
        Module module = makeModule();
        delete module->ModuleForm();
        QVERIFY(!module->ModuleForm());
        QVERIFY(!module->Lookup(QStringLiteral("btnOk"))->AsComponent());
        module.reset();
        QCOMPARE(TdmKitTest::log.last(), QStringLiteral("DestroyData without form"));
    }

    void modalRunEnds_data() { addCloseWays(); }

    void modalRunEnds()
    {
        QFETCH(Action, closeWay);
        QFETCH(bool, throughClose);
        Module module = makeModule();
        QPointer<QWidget> form(module->ModuleForm());
        bool wasModal = false;
        QTimer::singleShot(0, module.get(), [&] {
            wasModal = QApplication::activeModalWidget() == form;
            closeWay(*module);
        });
        guardModalRun(*module);
        module->Execute(true);

        QVERIFY(wasModal);
        QVERIFY(form.isNull());
        QVERIFY(!module->ModuleForm());
        QCOMPARE(module->closeQueries, 1);
        QCOMPARE(TdmKitTest::count(QStringLiteral("BeforeClose")), throughClose ? 1 : 0);
        QCOMPARE(TdmKitTest::count(QStringLiteral("AfterClose")), throughClose ? 1 : 0);
        QCOMPARE(s_liveObjects, 1); // the module's data is still there
    }

    void canCloseKeepsTheModalWindowOpen_data() { addCloseWays(); }

    void canCloseKeepsTheModalWindowOpen()
    {
        QFETCH(Action, closeWay);
        QFETCH(bool, throughClose);
        Module module = makeModule();
        module->allowClose = false;
        QPointer<QWidget> form(module->ModuleForm());
        bool stillOpen = false;
        int afterCloseWhenRefused = -1;
        QTimer::singleShot(0, module.get(), [&] {
            closeWay(*module);
            stillOpen = form && form->isVisible() && QApplication::activeModalWidget() == form;
            afterCloseWhenRefused = TdmKitTest::count(QStringLiteral("AfterClose"));
            module->allowClose = true;
            module->Close();
        });
        guardModalRun(*module);
        module->Execute(true);

        QVERIFY(stillOpen);
        QCOMPARE(module->closeQueries, 2);
        // Close runs AfterClose even when the window refused to go.
        QCOMPARE(afterCloseWhenRefused, throughClose ? 1 : 0);
        QVERIFY(form.isNull());
    }

    void afterShowRunsInsideTheModalLoop()
    {
        Module module = makeModule();
        module->ModalHook()->setSearchInterval(30);
        QPointer<QWidget> form(module->ModuleForm());
        bool visible = false;
        bool modal = false;
        qint64 elapsed = -1;
        QElapsedTimer sinceExecute;
        module->onAfterShow = [&] {
            elapsed = sinceExecute.elapsed();
            visible = form->isVisible();
            modal = QApplication::activeModalWidget() == form;
            module->Close();
        };
        guardModalRun(*module);
        sinceExecute.start();
        module->Execute(true);

        QCOMPARE(TdmKitTest::log.mid(2),
                 QStringList({"BeforeShow", "AfterShow", "BeforeClose", "AfterClose"}));
        QVERIFY(visible);
        QVERIFY(modal);
        // About one search interval after opening (timers may fire a little early).
        QVERIFY2(elapsed >= 25, qPrintable(QString::number(elapsed)));
        QVERIFY(!module->ModalHook()->Enabled());
    }

    void windowClosedBeforeTheSearchNeverRunsAfterShow()
    {
        Module module = makeModule();
        module->ModalHook()->setSearchInterval(60000);
        QTimer::singleShot(0, module.get(), [&] { module->Close(); });
        guardModalRun(*module);
        module->Execute(true);
        QCOMPARE(TdmKitTest::count(QStringLiteral("AfterShow")), 0);
        QVERIFY(!module->ModalHook()->isSearching());
    }

    void modelessRunShowsAndRunsAfterShow()
    {
        Module module = makeModule();
        module->Execute(false);
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(TdmKitTest::log.mid(2), QStringList({"BeforeShow", "AfterShow"}));
        module->Close();
        QVERIFY(module->ModuleForm()); // hidden, not freed
        QVERIFY(!module->ModuleForm()->isVisible());
    }

    // A window opens over the main window it was opened from, within its screen.
    void windowOpensCentredOnTheMainWindow_data()
    {
        QTest::addColumn<QPoint>("mainAt");
        QTest::newRow("in the middle") << QPoint(200, 150);
        QTest::newRow("at the screen's left edge") << QPoint(0, 0);
    }
    void windowOpensCentredOnTheMainWindow()
    {
        QFETCH(QPoint, mainAt);
        QMainWindow main;
        main.setGeometry(QRect(mainAt, QSize(300, 200)));
        main.show();
        Module module = makeModule();
        module->ModuleForm()->resize(400, 300);
        module->Execute(false);
        const QRect room = main.screen()->availableGeometry();
        const QRect form = module->ModuleForm()->frameGeometry();
        QVERIFY(room.contains(form));
        // Within the width of a window frame.
        if (mainAt.x() > 100)
            QVERIFY((form.center() - main.frameGeometry().center()).manhattanLength() <= 8);
        module->Close();
    }

    void closeRunsAfterCloseWhenRefused()
    {
        Module module = makeModule();
        module->Execute(false);
        module->allowClose = false;
        module->Close();
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(TdmKitTest::log.mid(4), QStringList({"BeforeClose", "AfterClose"}));
    }

    void secondModalRunFails()
    {
        Module module = makeModule();
        QTimer::singleShot(0, module.get(), [&] { module->Close(); });
        guardModalRun(*module);
        module->Execute(true);
        bool failed = false;
        try {
            module->Execute(true);
        } catch (const AppError&) {
            failed = true;
        }
        QVERIFY(failed);
        QCOMPARE(TdmKitTest::count(QStringLiteral("BeforeShow")), 1);
    }

    void failingCloseQueryKeepsTheWindowOpen()
    {
        Module module = makeModule();
        module->Execute(false);
        module->throwInCanClose = true;
        module->ModuleForm()->close();
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, QStringLiteral("Still saving"));
    }

    void mainWindowAsksBeforeClosing_data()
    {
        QTest::addColumn<Action>("closeWay");
        QTest::newRow("close()") << Action([](TdmKitTest& m) { m.ModuleForm()->close(); });
        QTest::newRow("close box") << Action([](TdmKitTest& m) { m.ModuleForm()->windowHandle()->close(); });
        QTest::newRow("module Close") << Action([](TdmKitTest& m) { m.Close(); });
    }

    void mainWindowAsksBeforeClosing()
    {
        QFETCH(Action, closeWay);
        auto module = TCustomModule::Create<TdmKitTest, TFrmKitMain>();
        module->Execute(false);
        QVERIFY(QTest::qWaitForWindowExposed(module->ModuleForm()));
        module->allowClose = false;
        closeWay(*module);
        QVERIFY(module->ModuleForm()->isVisible());
        QCOMPARE(module->closeQueries, 1);
        module->allowClose = true;
        closeWay(*module);
        QVERIFY(!module->ModuleForm()->isVisible());
        QCOMPARE(module->closeQueries, 2);
    }

    void windowThatIsNoDialogRunsModally()
    {
        auto module = TCustomModule::Create<TdmKitTest, TFrmKitMain>();
        QPointer<QWidget> form(module->ModuleForm());
        bool wasModal = false;
        QTimer::singleShot(0, module.get(), [&] {
            wasModal = QApplication::activeModalWidget() == form;
            module->Close();
        });
        guardModalRun(*module);
        module->Execute(true);
        QVERIFY(wasModal);
        QVERIFY(form.isNull());
    }
};

QTEST_MAIN(tst_CustomModule)
#include "tst_CustomModule.moc"
