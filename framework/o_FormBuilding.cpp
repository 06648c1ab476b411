#include "framework/o_FormBuilding.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

QLineEdit* addLabeledEdit(QFormLayout* rows, QWidget* parent, const QString& caption, const char* name)
{
    auto* edit = named(new QLineEdit(parent), name);
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("lbl") + edit->objectName().mid(3));
    label->setBuddy(edit);
    rows->addRow(label, edit);
    return edit;
}
