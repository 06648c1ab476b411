#pragma once

#include "framework/o_ModuleForm.h"

// The connection and export values of options.ini: the database kind and
// its connection fields on the first page, the workbook and database file
// paths on the second.
class TFrmSettings : public TModuleForm
{
    Q_OBJECT
public:
    explicit TFrmSettings(QWidget* parent = nullptr);

    // The items of the database type list, in the order of their kind.
    static QStringList databaseKindNames();
};
