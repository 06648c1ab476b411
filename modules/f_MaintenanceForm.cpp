#include "modules/f_MaintenanceForm.h"

#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton* toolButton(QToolBar* bar, const char* name, const QString& hint, QStyle::StandardPixmap icon,
                        const QKeySequence& shortcut)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(bar->style()->standardIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(QStringLiteral("%1 (%2)").arg(hint, shortcut.toString(QKeySequence::NativeText)));
    button->setShortcut(shortcut);
    bar->addWidget(button);
    return button;
}
} // namespace

TMaintenanceForm::TMaintenanceForm(const QString& caption, const QSize& size, const char* workingSourceName,
                                   bool maximizeButton, QWidget* parent)
    : TModuleForm(parent)
{
    setWindowTitle(caption);
    Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (maximizeButton)
        flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    resize(size);

    m_workingSource = addSource(workingSourceName);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    m_fields = new QFormLayout();
    top->addLayout(m_fields, 1);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(32, 32));
    toolButton(bar, "btnNew", tr("New"), QStyle::SP_FileDialogNewFolder, QKeySequence(Qt::CTRL | Qt::Key_N));
    toolButton(bar, "btnSave", tr("Save"), QStyle::SP_DialogSaveButton, QKeySequence(Qt::CTRL | Qt::Key_S));
    toolButton(bar, "btnEdit", tr("Edit"), QStyle::SP_FileDialogDetailedView, QKeySequence(Qt::CTRL | Qt::Key_E));
    bar->addSeparator();
    toolButton(bar, "btnDelete", tr("Delete"), QStyle::SP_DialogDiscardButton, QKeySequence(Qt::CTRL | Qt::Key_D));
    top->addWidget(bar, 0, Qt::AlignTop);
    layout->addLayout(top);

    m_grid = new DbGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setDataSource(m_workingSource);
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton(tr("&Ok"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

DataSource* TMaintenanceForm::addSource(const char* name)
{
    auto* source = new DataSource(this);
    source->setObjectName(QString::fromLatin1(name));
    return source;
}

void TMaintenanceForm::addFieldWidget(const QString& label, QWidget* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    if (label.isEmpty()) {
        m_fields->addRow(control);
        return;
    }
    auto* caption = new QLabel(label, this);
    caption->setBuddy(control);
    m_fields->addRow(caption, control);
}

DbLookupComboBox* TMaintenanceForm::addLookup(const QString& label, const char* name, const QString& dataField,
                                              DataSource* list, const QStringList& listFields)
{
    auto* combo = addField(label, new DbLookupComboBox(this), name);
    combo->setDataSource(m_workingSource);
    combo->setDataField(dataField);
    combo->setListSource(list);
    combo->setKeyField(QStringLiteral("ID"));
    combo->setListFields(listFields);
    return combo;
}
