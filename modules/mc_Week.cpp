#include "modules/mc_Week.h"

#include "components/o_ReminderScheduler.h"

#include "components/o_Dialect.h"
#include "components/o_DurationText.h"
#include "components/o_HandEntries.h"
#include "components/o_OptionsManager.h"
#include "components/o_ReportTotals.h"
#include "components/o_Schema.h"
#include "components/o_WeekModel.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Hourwright");

struct CommandWiring
{
    const char* name;
    int command;
};
const CommandWiring kWirings[] = {
    {"btnClose", TdmWeek::cmdClose},
    {"btnPreviousWeek", TdmWeek::cmdPreviousWeek},
    {"actPreviousWeek", TdmWeek::cmdPreviousWeek},
    {"btnNextWeek", TdmWeek::cmdNextWeek},
    {"actNextWeek", TdmWeek::cmdNextWeek},
    {"btnThisWeek", TdmWeek::cmdThisWeek},
    {"actThisWeek", TdmWeek::cmdThisWeek},
    {"btnAddProject", TdmWeek::cmdAddProject},
    {"btnCopyLastWeek", TdmWeek::cmdCopyLastWeek},
};

// Qt calls these from its own event handling: nothing may escape.
template <class Body>
void reporting(QWidget* parent, Body&& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        MessageService::error(kTitle, errorMessage(error), parent);
    }
}

QString developerName(const QString& lastName, const QString& name, int id)
{
    const QString full = (lastName + QLatin1Char(' ') + name).trimmed();
    return full.isEmpty() ? QStringLiteral("developer %1").arg(id) : full;
}

} // namespace

TdmWeek::~TdmWeek() = default;

const TWeekSheet& TdmWeek::Sheet() const
{
    return m_model->sheet();
}

QTime TdmWeek::workingDayStart()
{
    // The day's time starts with the working hours the reminders use.
    return WorkingHours::read(*GetOptionsManager()).start;
}

void TdmWeek::CreateData()
{
    TCustomModule::CreateData();
    DbConnection& connection = mainConnection();
    m_entries = std::make_unique<THandEntries>(connection, Dialect::kindOf(connection));
    m_handMarks = Schema::hasHandEntryMark(connection);
    m_model = new TWeekModel(this);
    m_model->OnCellEdited = [this](int projectId, int day, const QString& text) {
        return SetCell(projectId, day, text);
    };
}

QTableView* TdmWeek::grid()
{
    return Lookup(QStringLiteral("WeekGrid"))->as<QTableView>();
}

void TdmWeek::WireEvents()
{
    TCustomModule::WireEvents();
    for (const CommandWiring& wiring : kWirings)
        AssignEventByName(QString::fromLatin1(wiring.name), wiring.command, 0, QStringLiteral("OnClick"));

    QTableView* view = grid();
    view->setModel(m_model);
    // The days and the total share the width; the names keep theirs.
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->horizontalHeader()->setSectionResizeMode(TWeekModel::NameColumn, QHeaderView::Interactive);
    view->setColumnWidth(TWeekModel::NameColumn, 200);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { showCellComment(current); });
    QLineEdit* comment = Lookup(QStringLiteral("edtComment"))->AsLabeledEdit();
    connect(comment, &QLineEdit::returnPressed, view, [view] { view->setFocus(); });
    QWidget* form = ModuleForm();
    connect(Lookup(QStringLiteral("cbProject"))->AsComboBox(), &QComboBox::activated, this,
            [this, form] { reporting(form, [this] { AddProject(); }); });
    QComboBox* developers = Lookup(QStringLiteral("cbDeveloper"))->AsComboBox();
    connect(developers, &QComboBox::activated, this, [this, developers, form](int index) {
        reporting(form, [&] { ShowDeveloper(developers->itemData(index).toInt()); });
    });
}

void TdmWeek::BeforeShow()
{
    TCustomModule::BeforeShow();
    // Who opens the window is known only now, after it was made.
    DbConnection& connection = mainConnection();
    m_projects = TIntervalEditor(connection, Dialect::kindOf(connection)).projectsOf(User);
    QComboBox* projects = Lookup(QStringLiteral("cbProject"))->AsComboBox();
    for (const TIntervalEditor::Project& project : std::as_const(m_projects))
        projects->addItem(project.name, project.id);
    projects->setCurrentIndex(-1);

    QComboBox* developers = Lookup(QStringLiteral("cbDeveloper"))->AsComboBox();
    m_developerId = User.developerId;
    if (User.isAdmin) {
        QSqlQuery query =
            connection.exec(QStringLiteral("select ID, LASTNAME, NAME from DEVELOPERS order by LASTNAME, NAME, ID"));
        while (query.next())
            developers->addItem(developerName(query.value(1).toString(), query.value(2).toString(),
                                              query.value(0).toInt()),
                                query.value(0).toInt());
        // An administrator without a developer of their own starts on the first.
        if (developers->findData(m_developerId) < 0 && developers->count() > 0)
            m_developerId = developers->itemData(0).toInt();
        developers->setCurrentIndex(developers->findData(m_developerId));
    } else {
        developers->setVisible(false);
        Lookup(QStringLiteral("lblDeveloper"))->AsLabel()->setVisible(false);
    }
    ShowDeveloper(m_developerId);
    grid()->setFocus(); // typing starts in the grid
    if (m_developerId == 0) {
        // Nobody's week: a user without a developer has no time of their own.
        m_model->setEditable(false);
        showMessage(QStringLiteral("Your user has no developer, so there is no week of yours to show."), true);
    }
}

void TdmWeek::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdClose:
        Close();
        break;
    case cmdPreviousWeek:
        ShowWeek(m_week.previous());
        break;
    case cmdNextWeek:
        ShowWeek(m_week.next());
        break;
    case cmdThisWeek:
        ShowWeek(TWeek::containing(Clock::now().date()));
        break;
    case cmdAddProject:
        AddProject();
        break;
    case cmdCopyLastWeek:
        CopyLastWeek();
        break;
    default:
        break;
    }
}

void TdmWeek::ShowDeveloper(int developerId)
{
    if (!User.isAdmin && developerId != User.developerId)
        throw AppError(QStringLiteral("Only an administrator may open another developer's week."));
    m_developerId = developerId;
    m_developerName = TWeekSheet::developerName(mainConnection(), developerId);
    ShowWeek(m_week.isValid() ? m_week : TWeek::containing(Clock::now().date()));
}

void TdmWeek::ShowWeek(const TWeek& week)
{
    QTableView* view = grid();
    // A cell still being typed into is written first, in the week it belongs to.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus != view && view->isAncestorOf(focus))
        view->setFocus();
    const QModelIndex before = view->currentIndex();
    m_week = week;
    m_model->setSheet(TWeekSheet::load(mainConnection(), m_handMarks, m_developerId, week), false);
    showTitle();
    showMessage(QString(), false);
    // The cursor stays in its column, on the first project.
    const int column = before.isValid() && before.column() >= TWeekModel::FirstDayColumn
                               && before.column() < TWeekModel::TotalColumn
                           ? before.column()
                           : TWeekModel::FirstDayColumn;
    view->setCurrentIndex(m_model->index(0, column));
    showCellComment(view->currentIndex());
}

void TdmWeek::reload()
{
    m_model->setSheet(TWeekSheet::load(mainConnection(), m_handMarks, m_developerId, m_week), true);
}

void TdmWeek::showTitle()
{
    if (QLabel* label = Lookup(QStringLiteral("lblWeek"))->AsLabel())
        label->setText(m_week.title());
    ModuleForm()->setWindowTitle(QStringLiteral("Week %1 - %2").arg(m_week.title(), m_developerName));
}

void TdmWeek::showMessage(const QString& text, bool problem)
{
    QStringList lines;
    if (!text.isEmpty())
        lines << text;
    // Standing notes, below a problem.
    if (!m_handMarks && text != THandEntries::upgradeNeededText())
        lines << THandEntries::upgradeNeededText();
    if (Sheet().anyRunning())
        lines << TWeekSheet::runningNote();
    QLabel* label = Lookup(QStringLiteral("lblMessage"))->AsLabel();
    label->setText(lines.join(QLatin1Char('\n')));
    label->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

void TdmWeek::showCellComment(const QModelIndex& current)
{
    QString text;
    const int day = current.column() - TWeekModel::FirstDayColumn;
    const int row = current.row();
    if (row >= 0 && row < Sheet().Rows.size() && day >= 0 && day < 7) {
        const QList<TWeekInterval>& intervals = Sheet().Rows.at(row).days.at(std::size_t(day)).intervals;
        const auto newest =
            std::find_if(intervals.rbegin(), intervals.rend(), [](const TWeekInterval& i) { return i.hand; });
        if (newest != intervals.rend())
            text = newest->comment;
    }
    Lookup(QStringLiteral("edtComment"))->AsLabeledEdit()->setText(text);
}

bool TdmWeek::SetCell(int projectId, int day, const QString& text)
{
    // Called from the grid's editor, inside Qt's event handling.
    m_model->clearProblem();
    QString refusal;
    try {
        const std::optional<qint64> minutes = DurationText::minutes(text);
        if (!minutes)
            throw AppError(QStringLiteral("\"%1\" is no time. %2").arg(text.trimmed(), DurationText::forms()));
        TCellChange change;
        change.projectId = projectId;
        change.day = m_week.day(day);
        change.minutes = *minutes;
        change.comment = Lookup(QStringLiteral("edtComment"))->AsLabeledEdit()->text();
        m_entries->WorkingDayStart = workingDayStart();
        m_entries->apply(User, m_developerId, {change});
    } catch (const std::exception& error) {
        refusal = errorMessage(error);
    }
    try {
        reload();
    } catch (const std::exception& error) {
        refusal += (refusal.isEmpty() ? QString() : QStringLiteral("\n")) + errorMessage(error);
    }
    if (!refusal.isEmpty())
        m_model->setProblem(projectId, day, refusal);
    showMessage(refusal, !refusal.isEmpty());
    return refusal.isEmpty();
}

void TdmWeek::AddProject()
{
    QComboBox* projects = Lookup(QStringLiteral("cbProject"))->AsComboBox();
    const int index = projects->findText(projects->currentText().trimmed(), Qt::MatchFixedString);
    if (index < 0) {
        showMessage(QStringLiteral("Choose one of your projects to add its row."), true);
        projects->setFocus();
        return;
    }
    const int row = m_model->addProject(projects->itemData(index).toInt(), projects->itemText(index));
    projects->setCurrentIndex(-1);
    projects->setEditText(QString());
    QTableView* view = grid();
    view->setCurrentIndex(m_model->index(row, TWeekModel::FirstDayColumn));
    view->setFocus();
    showMessage(QString(), false);
}

void TdmWeek::CopyLastWeek()
{
    if (!m_handMarks) {
        showMessage(THandEntries::upgradeNeededText(), true);
        return;
    }
    const TWeekSheet last = TWeekSheet::load(mainConnection(), m_handMarks, m_developerId, m_week.previous());
    const TWeekSheet& now = Sheet();
    QList<TCellChange> changes;
    qint64 total = 0;
    QStringList notAllowed;
    // A day with a running interval takes no time until it is stopped.
    std::array<bool, 7> running{};
    for (const TWeekRow& row : now.Rows)
        for (int day = 0; day < 7; ++day)
            running[std::size_t(day)] = running[std::size_t(day)] || row.days.at(std::size_t(day)).running;
    for (const TWeekRow& row : last.Rows) {
        const bool allowed = std::any_of(m_projects.begin(), m_projects.end(),
                                         [&](const TIntervalEditor::Project& p) { return p.id == row.projectId; });
        const int here = now.rowOf(row.projectId);
        for (int day = 0; day < 7; ++day) {
            const qint64 minutes = row.days.at(std::size_t(day)).minutes;
            if (minutes <= 0 || running[std::size_t(day)]
                || (here >= 0 && !now.Rows.at(here).days.at(std::size_t(day)).intervals.isEmpty()))
                continue;
            if (!allowed) {
                if (!notAllowed.contains(row.projectName))
                    notAllowed << row.projectName;
                continue;
            }
            TCellChange change;
            change.projectId = row.projectId;
            change.day = m_week.day(day);
            change.minutes = minutes;
            change.onlyWhenEmpty = true;
            changes << change;
            total += minutes;
        }
    }
    const QString leftOut = notAllowed.isEmpty()
                                ? QString()
                                : QStringLiteral("\n\nLeft out, as they are not among your projects: %1.")
                                      .arg(notAllowed.join(QStringLiteral(", ")));
    if (changes.isEmpty()) {
        MessageService::information(
            kTitle, QStringLiteral("Last week has no time for this week's empty cells.") + leftOut, ModuleForm());
        return;
    }
    const QString question =
        QStringLiteral("Copy last week's time into this week's empty cells?\n\nThis adds %1 h in %2 %3 as "
                       "entered by hand.")
            .arg(TReportTotals::hoursText(total))
            .arg(changes.size())
            .arg(changes.size() == 1 ? QStringLiteral("cell") : QStringLiteral("cells"))
        + leftOut;
    if (MessageService::show(MessageService::Request::make(kTitle, question, QMessageBox::Question,
                                                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
                             ModuleForm())
        != QMessageBox::Yes)
        return;
    m_model->clearProblem();
    try {
        m_entries->WorkingDayStart = workingDayStart();
        m_entries->apply(User, m_developerId, changes);
    } catch (const std::exception& error) {
        reload();
        showMessage(errorMessage(error), true);
        throw;
    }
    reload();
    showMessage(QString(), false);
}
