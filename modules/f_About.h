#pragma once

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TqvFileInfoListView;
class TqvLinkLabel;

// The About box: banner, the program's version strings, a short
// description and the maker's web address. It has no controller and wires
// its own few handlers.
class TFrmAbout : public QDialog
{
    Q_OBJECT
public:
    static const QString MakerWebAddress;

    explicit TFrmAbout(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* btnOk = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TqvFileInfoListView* qvFileInfoListView1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPlainTextEdit* InfoMemo = nullptr;
    TqvLinkLabel* qvLinkLabel1 = nullptr;

public slots:
    void Image1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Shows the About box for the running executable, modally, and frees it
// when it closes (or when preparing it fails, whose error then propagates).
void ShowAboutBox(QWidget* parent = nullptr);
