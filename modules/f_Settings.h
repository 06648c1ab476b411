#pragma once

#include "framework/o_ModuleForm.h"

class QFormLayout;
class QTabWidget;

// The values of options.ini, a tab for each thing they concern: the
// database (its kind, the server's login or the file), monitoring, and the
// report export. Each tab is a column of captioned rows; rows that apply to
// some database kinds only sit in a titled section the controller shows or
// hides as a whole.
class TFrmSettings : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmSettings(QWidget* parent = nullptr);

    // The items of the database type list, in the order of their kind.
    static QStringList databaseKindNames();

private:
    // A tab named `name` whose rows go into the returned layout.
    QFormLayout* addPage(const char* name, const QString& title);
    // A titled group of rows at the end of a tab's rows.
    QFormLayout* addSection(QFormLayout* page, const char* name, const QString& title);

    QTabWidget* m_pages = nullptr;
};
