#pragma once

#include "framework/o_ModuleForm.h"

class DataSource;
class DbGrid;
class DbLookupComboBox;
class QFormLayout;
class QToolBar;

// The layout every record-maintenance window shares: bound fields and the
// tool bar (New, Save, Edit, Delete) at the top, the grid in the middle, Ok
// bottom left and Cancel bottom right. A window's form adds its fields and
// grid columns.
class TMaintenanceForm : public TModuleForm
{
    Q_OBJECT
public:
    TMaintenanceForm(const QString& caption, const QSize& size, const char* workingSourceName,
                     bool maximizeButton, QWidget* parent = nullptr);

protected:
    DataSource* workingSource() const { return m_workingSource; }
    DataSource* addSource(const char* name);
    DbGrid* grid() const { return m_grid; }
    // A labelled control in the fields area; returns the control.
    template <class W>
    W* addField(const QString& label, W* control, const char* name)
    {
        addFieldWidget(label, control, name);
        return control;
    }

    // A lookup combo box: the key of the chosen list row goes into dataField.
    DbLookupComboBox* addLookup(const QString& label, const char* name, const QString& dataField,
                                DataSource* list, const QStringList& listFields);

private:
    void addFieldWidget(const QString& label, QWidget* control, const char* name);

    DataSource* m_workingSource;
    DbGrid* m_grid;
    QFormLayout* m_fields;
};
