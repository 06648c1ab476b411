#pragma once

#include <QMainWindow>

// The main window: the project list, the running interval, the intervals of
// the selected project, the menus and the tray menu. Controls, layout and
// bindings only; the controller finds everything by name.
class TFrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFrmMain(QWidget* parent = nullptr);
};
