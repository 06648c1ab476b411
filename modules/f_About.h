#pragma once

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class TqvFileInfoListView;

// The About box: banner, what the program is and which databases it works
// with, its version and licence, and the version strings of the running
// executable. It has no controller and wires its one button itself.
class TFrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* parent = nullptr);

    // The description, from the program's version to its licence.
    static QString description();
    // The copyright and licence lines of the package's copyright file.
    static QString licence();

    QLabel* Image1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* btnOk = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TqvFileInfoListView* qvFileInfoListView1 = nullptr;
    QLabel* InfoText = nullptr;
};

// Shows the About box for the running executable, modally, and frees it
// when it closes (or when preparing it fails, whose error then propagates).
void ShowAboutBox(QWidget* parent = nullptr);
