#include "modules/f_Week.h"

#include "framework/o_FormBuilding.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip = QString())
{
    auto* pushButton = named(new QPushButton(caption, parent), name);
    pushButton->setAutoDefault(false);
    if (!tip.isEmpty())
        pushButton->setToolTip(tip);
    return pushButton;
}

// A key for the whole window, carried out by the button's command.
void windowKey(QWidget* form, const char* name, const QKeySequence& key)
{
    auto* action = named(new QAction(form), name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    form->addAction(action);
}

} // namespace

TFrmWeek::TFrmWeek(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmWeek"));
    setWindowTitle(tr("Week"));
    resize(900, 460);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout();
    top->addWidget(button(this, "btnPreviousWeek", tr("Pre&vious"), tr("The week before (Page Up)")));
    top->addWidget(button(this, "btnThisWeek", tr("&This Week"), tr("The week of today (Home)")));
    top->addWidget(button(this, "btnNextWeek", tr("&Next"), tr("The week after (Page Down)")));
    auto* week = named(new QLabel(this), "lblWeek");
    QFont big = week->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 2);
    week->setFont(big);
    top->addWidget(week, 1);
    auto* developerLabel = named(new QLabel(tr("&Developer:"), this), "lblDeveloper");
    auto* developer = named(new QComboBox(this), "cbDeveloper");
    developer->setMinimumContentsLength(18);
    developerLabel->setBuddy(developer);
    top->addWidget(developerLabel);
    top->addWidget(developer);
    layout->addLayout(top);

    auto* grid = named(new QTableView(this), "WeekGrid");
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    grid->setTabKeyNavigation(true);
    grid->verticalHeader()->setVisible(false);
    grid->horizontalHeader()->setMinimumSectionSize(64);
    layout->addWidget(grid, 1);

    auto* rows = new QHBoxLayout();
    auto* projectLabel = named(new QLabel(tr("&Project:"), this), "lblProject");
    auto* project = named(new QComboBox(this), "cbProject");
    // Typed with completion; Enter adds the row.
    project->setEditable(true);
    project->setInsertPolicy(QComboBox::NoInsert);
    project->setMinimumContentsLength(24);
    projectLabel->setBuddy(project);
    rows->addWidget(projectLabel);
    rows->addWidget(project);
    rows->addWidget(button(this, "btnAddProject", tr("&Add Row")));
    rows->addStretch();
    rows->addWidget(button(this, "btnCopyLastWeek", tr("Copy &Last Week"),
                           tr("Fill this week's empty cells with last week's time")));
    layout->addLayout(rows);

    auto* commentRow = new QHBoxLayout();
    auto* commentLabel = named(new QLabel(tr("Co&mment for new entries:"), this), "lblComment");
    auto* comment = named(new QLineEdit(this), "edtComment");
    comment->setPlaceholderText(tr("Goes on the time the current cell adds"));
    commentLabel->setBuddy(comment);
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(comment, 1);
    layout->addLayout(commentRow);

    auto* message = named(new QLabel(this), "lblMessage");
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message);

    auto* bottom = new QHBoxLayout();
    bottom->addStretch();
    bottom->addWidget(button(this, "btnClose", tr("&Close")));
    layout->addLayout(bottom);

    windowKey(this, "actPreviousWeek", QKeySequence(Qt::Key_PageUp));
    windowKey(this, "actNextWeek", QKeySequence(Qt::Key_PageDown));
    windowKey(this, "actThisWeek", QKeySequence(Qt::Key_Home));
}
