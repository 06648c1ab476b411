#include "modules/f_About.h"

#include "components/o_FileInfoListView.h"
#include "components/o_LinkLabel.h"
#include "components/o_Resources.h"
#include "toolkit/UrlOpener.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

const QString TFrmAbout::MakerWebAddress = QStringLiteral("https://www.quivane.example");

namespace {

const char* const kDescription[] = {
    "Hourwright",
    "",
    "Application to monitor a developers",
    "time for a project.",
    "",
    "Statistics per Developer,Project.",
    "",
    "Developing tools and tech :",
    "Programming Language ",
    " C++17 with Qt 6",
    "DataBase Engine",
    " Microsoft SQL Server 2005 Express Edition",
    " or",
    " MS Access",
    "DB Connection Engine",
    " Microsoft ADO",
    "",
    "Licensed to its users as it is,",
    "without warranty of any kind.",
    "",
    "Author ",
    "Mira Talvenko",
    "",
    "mira.talvenko@quivane.example",
};

// The form of the box being shown, while it is shown.
TFrmAbout* FrmAbout = nullptr;

} // namespace

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("Quivane - About..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    HourwrightResources::init();
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/banner.jpg")));
    Image1->setFixedSize(Image1->pixmap().size());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    qvFileInfoListView1 = new TqvFileInfoListView;
    qvFileInfoListView1->setObjectName(QStringLiteral("qvFileInfoListView1"));
    // Sized before it joins the box, where it fills itself at that width.
    qvFileInfoListView1->setFixedWidth(247);

    Panel2 = new QFrame(GroupBox1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    InfoMemo = new QPlainTextEdit(Panel2);
    InfoMemo->setObjectName(QStringLiteral("InfoMemo"));
    QStringList lines;
    for (const char* line : kDescription)
        lines << QString::fromUtf8(line);
    InfoMemo->setPlainText(lines.join(QLatin1Char('\n')));
    InfoMemo->setReadOnly(true);
    InfoMemo->setFrameShape(QFrame::NoFrame);
    InfoMemo->setFocusPolicy(Qt::NoFocus);
    QPalette memoColours = InfoMemo->palette();
    memoColours.setColor(QPalette::Base, Panel2->palette().color(QPalette::Window));
    InfoMemo->setPalette(memoColours);

    qvLinkLabel1 = new TqvLinkLabel(MakerWebAddress, Panel2);
    qvLinkLabel1->setObjectName(QStringLiteral("qvLinkLabel1"));
    qvLinkLabel1->setAlignment(Qt::AlignCenter);
    qvLinkLabel1->setLinkType(TqvLinkLabel::ltURL);
    qvLinkLabel1->setURL(MakerWebAddress);

    auto* panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(4, 0, 0, 0);
    panel2Layout->addWidget(InfoMemo, 1);
    panel2Layout->addWidget(qvLinkLabel1);

    auto* groupLayout = new QHBoxLayout(GroupBox1);
    groupLayout->addWidget(qvFileInfoListView1);
    groupLayout->addWidget(Panel2, 1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    btnOk = new QPushButton(QStringLiteral("Ok"), Panel1);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto* panel1Layout = new QHBoxLayout(Panel1);
    panel1Layout->addStretch();
    panel1Layout->addWidget(btnOk);
    panel1Layout->addStretch();

    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(4, 4, 4, 4);
    formLayout->addWidget(Image1, 0, Qt::AlignHCenter);
    formLayout->addWidget(GroupBox1, 1);
    formLayout->addWidget(Panel1);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    resize(488, 492);
    if (const QScreen* display = screen())
        move(display->availableGeometry().center() - rect().center());
}

void TFrmAbout::Image1Click()
{
    UrlOpener::open(QUrl(MakerWebAddress));
}

bool TFrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && Image1->rect().contains(mouse->position().toPoint())) {
                Image1Click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAboutBox(QWidget* parent)
{
    std::unique_ptr<TFrmAbout> form(new TFrmAbout(parent));
    FrmAbout = form.get();
    // However the box ends, the form goes and the variable with it.
    struct Forget
    {
        ~Forget() { FrmAbout = nullptr; }
    } forget;
    FrmAbout->qvFileInfoListView1->setFileName(QCoreApplication::applicationFilePath());
    FrmAbout->qvFileInfoListView1->setColumnWidth(0, 100);
    FrmAbout->qvFileInfoListView1->setColumnWidth(1, 135);
    FrmAbout->exec();
}
