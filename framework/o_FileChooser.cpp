#include "framework/o_FileChooser.h"

#include <QFileDialog>

namespace FileChooser {

QString askToOpen(QWidget* parent, const QString& caption, const QString& filter, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, caption, start, filter);
}

QString askToSave(QWidget* parent, const QString& caption, const QString& filter, const QString& start)
{
    return QFileDialog::getSaveFileName(parent, caption, start, filter);
}

} // namespace FileChooser
