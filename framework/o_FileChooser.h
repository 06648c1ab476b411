#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks the user for a file; returns its path, or empty when cancelled.
// Windows hold one in a static member that tests replace, so that no file
// dialog waits for a person.
using TFileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter, const QString& start)>;

namespace FileChooser {
QString askToOpen(QWidget* parent, const QString& caption, const QString& filter, const QString& start);
QString askToSave(QWidget* parent, const QString& caption, const QString& filter, const QString& start);
} // namespace FileChooser
