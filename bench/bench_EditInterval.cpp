// Edit Interval and Delete Interval in the main window on a database of
// 1,000,000 intervals: from the command to a usable window again (the
// change written, the window's rows refreshed and the corrected row current).
#include "app/mm_main.h"
#include "app/o_IntervalCommands.h"
#include "components/LoginDialog.h"
#include "components/o_IntervalEditor.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "modules/mc_EditInterval.h"
#include "modules/f_EditInterval.h"
#include "support/LargeDatabase.h"
#include "toolkit/AppPaths.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTemporaryDir>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {
constexpr qint64 Intervals = 1000000;

// The benchmarks write, so each works on its own copy.
void prepareOptions(const QTemporaryDir& dir)
{
    ::prepareOptions(dir, LargeDatabase::freshCopy(Intervals, dir.path()));
}

TdmMain::Ptr<TdmMain> signedInWindow(const QString& user)
{
    auto main = signIn(user);
    main->ModuleForm()->show();
    return main;
}

// Answers the edit window as soon as it shows: a new comment, then Ok, run
// from the window's own modal loop.
class EditWindowAnswer : public QObject
{
public:
    int round = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* form = qobject_cast<TFrmEditInterval*>(watched))
                QMetaObject::invokeMethod(
                    form,
                    [this, form] {
                        form->findChild<QLineEdit*>("edtComment")->setText(QStringLiteral("round %1").arg(++round));
                        form->findChild<QPushButton*>("btnOk")->click();
                        // Nothing written (a question said no): leave rather than wait.
                        if (form->isVisible())
                            form->reject();
                    },
                    Qt::QueuedConnection);
        return false;
    }
};

// The signed-in developer's intervals on the selected project, by row.
QList<int> ownIntervals(TdmMain& main, int count)
{
    MemTable* rows = main.ProjectWorkData();
    const int developer = main.ProjectMonitor()->DeveloperID;
    QList<int> ids;
    for (rows->first(); !rows->eof() && ids.size() < count; rows->next())
        if (rows->value("DEVELOPER_ID").toInt() == developer)
            ids << rows->value("ID").toInt();
    return ids;
}

void EditIntervalBackToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir);
    auto main = signedInWindow("anna");
    const QList<int> ids = ownIntervals(*main, 1);
    if (ids.isEmpty()) {
        state.SkipWithError("no interval of the signed-in developer in the first project");
        return;
    }
    EditWindowAnswer answer;
    qApp->installEventFilter(&answer);
    // Sample intervals may overlap: the question is asked and answered yes.
    MessageService::setHandler([](const MessageService::Request&) { return QMessageBox::Yes; });
    for (auto _ : state) {
        main->ProjectWorkData()->locate("ID", ids.first());
        if (!main->intervalCommands()->editCurrent())
            state.SkipWithError("the edit was not written");
        QCoreApplication::processEvents();
    }
    state.counters["work_rows"] = main->ProjectWorkData()->recordCount();
    MessageService::useTestAnswers();
}
BENCHMARK(EditIntervalBackToUsableWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

void DeleteIntervalBackToUsableWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    prepareOptions(dir);
    auto main = signedInWindow("anna");
    constexpr int Rounds = 5;
    const QList<int> ids = ownIntervals(*main, Rounds);
    if (ids.size() < Rounds) {
        state.SkipWithError("too few intervals of the signed-in developer in the first project");
        return;
    }
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        main->ProjectWorkData()->locate("ID", ids.at(next++));
        MessageService::queueAnswer(QMessageBox::Yes);
        state.ResumeTiming();
        if (!main->intervalCommands()->deleteCurrent())
            state.SkipWithError("the interval was not deleted");
        QCoreApplication::processEvents();
    }
    state.counters["work_rows"] = main->ProjectWorkData()->recordCount();
}
BENCHMARK(DeleteIntervalBackToUsableWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
// The correction alone, without the window: the overlap question's search
// and the one-transaction update that Ok runs, on the same database.
// The History tab of Edit Interval on 1,000,000 intervals and 100,000
// recorded changes, 20 of them of the interval shown: from the click on
// the tab to the list filled.
void HistoryTabOfOneInterval(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = LargeDatabase::freshCopy(Intervals, dir.path());
    ::prepareOptions(dir, file);
    auto main = signedInWindow("anna");
    const QList<int> ids = ownIntervals(*main, 1);
    if (ids.isEmpty()) {
        state.SkipWithError("no interval of the signed-in developer in the first project");
        return;
    }
    {
        DbConnection seed;
        seed.openSqlite(file);
        Schema::upgradeOwnFile(seed);
        const QStringList columns = TWorkValues::historyColumns();
        QStringList values;
        for (const QString& column : TWorkValues::columns())
            values << column << (column == QLatin1String("COMMENTS") ? QStringLiteral("'changed'") : column);
        const QString insert = QStringLiteral("insert into %1 (WORK_ID,ACTION,CHANGED_BY,SOURCE,%2) "
                                              "select ID,'update','anna','window',%3 from PROJECTWORK where %4")
                                   .arg(Schema::HistoryTable, columns.join(','), values.join(','));
        seed.exec(insert.arg(QStringLiteral("ID % 10 = 0 limit 99980")));
        for (int i = 0; i < 20; ++i)
            seed.exec(insert.arg(QStringLiteral("ID = %1").arg(ids.first())));
        QSqlQuery count = seed.exec(QStringLiteral("select count(*) from ") + Schema::HistoryTable);
        state.counters["history_rows"] = count.next() ? count.value(0).toDouble() : 0;
    }
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto module = TCustomModule::Create<TdmEditInterval, TFrmEditInterval>();
        module->WorkID = ids.first();
        module->User = main->intervalCommands()->user();
        module->Execute(false);
        QWidget* form = module->ModuleForm();
        state.ResumeTiming();
        form->findChild<QTabWidget*>("pages")->setCurrentWidget(form->findChild<QWidget*>("tabHistory"));
        QCoreApplication::processEvents();
        shown = form->findChild<QTreeWidget*>("lstHistory")->topLevelItemCount();
        state.PauseTiming();
        module->Close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["changes_shown"] = shown;
}
BENCHMARK(HistoryTabOfOneInterval)->Unit(benchmark::kMillisecond)->Iterations(20);

void EditIntervalWriteOnly(benchmark::State& state)
{
    QTemporaryDir dir;
    DbConnection connection;
    connection.openSqlite(LargeDatabase::freshCopy(Intervals, dir.path()));
    TIntervalEditor editor(connection, 0);
    QSqlQuery newest = connection.exec(QStringLiteral("select max(ID) from PROJECTWORK where COMPLETED = 1"));
    const int id = newest.next() ? newest.value(0).toInt() : 0;
    TInterval interval = *editor.find(id);
    const TIntervalUser owner{interval.developerId, false};
    int round = 0;
    for (auto _ : state) {
        const TIntervalChange change{id, interval.projectId, interval.start, interval.end,
                                     QStringLiteral("round %1").arg(++round)};
        benchmark::DoNotOptimize(editor.overlapping(interval.developerId, change.start, change.end, id).size());
        interval = editor.update(owner, change);
    }
}
BENCHMARK(EditIntervalWriteOnly)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
