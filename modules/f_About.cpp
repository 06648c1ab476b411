#include "modules/f_About.h"

#include "components/o_FileInfoListView.h"
#include "components/o_Resources.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <memory>

namespace {

// The form of the box being shown, while it is shown.
TFrmAbout* FrmAbout = nullptr;

// Every row of the version list in view, none cut off at the bottom, and
// the values as wide as they run (within reason; the tip holds each whole).
void showAllRows(TqvFileInfoListView& list)
{
    int height = list.header()->sizeHint().height() + 2 * list.frameWidth();
    int width = list.columnWidth(0);
    int widest = 0;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        height += std::max(list.sizeHintForRow(row), list.fontMetrics().height() + 2);
        widest = std::max(widest, list.fontMetrics().horizontalAdvance(item->text(1)));
    }
    width += widest + 2 * list.frameWidth() + 24;
    list.setMinimumSize(std::min(width, 760), height);
}

} // namespace

QString TFrmAbout::licence()
{
    // The copyright file's "Copyright:" field and the text of its licence,
    // as the package states them.
    const QStringList lines = HourwrightResources::text(QStringLiteral(":/copyright")).split(QLatin1Char('\n'));
    QString copyright;
    QStringList terms;
    bool inLicence = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Copyright:")))
            copyright = line.mid(10).trimmed();
        else if (line.startsWith(QLatin1String("License:")))
            inLicence = true;
        else if (inLicence && line.startsWith(QLatin1Char(' ')))
            terms << line.trimmed();
        else
            inLicence = false;
    }
    return QStringLiteral("Copyright %1. %2").arg(copyright, terms.join(QLatin1Char(' ')));
}

QString TFrmAbout::description()
{
    return QStringLiteral("<b>Hourwright %1</b><br><br>"
                          "Records the time developers spend on software projects: Start and Stop Monitoring, "
                          "intervals entered by hand, and reports by developer, project, customer and days, "
                          "printed or exported to a workbook or CSV.<br><br>"
                          "Databases: an embedded SQLite file (the default), a PostgreSQL server for a team, "
                          "or Microsoft SQL Server through ODBC (FreeTDS).<br><br>"
                          "Built with C++17 and Qt %2. The manual: man hourwright.<br><br>%3")
        .arg(QStringLiteral(HW_VERSION), QString::fromLatin1(qVersion()), licence().toHtmlEscaped());
}

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("About Hourwright"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    HourwrightResources::init();
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/banner.jpg")));
    Image1->setFixedSize(Image1->pixmap().size());

    InfoText = new QLabel(description(), this);
    InfoText->setObjectName(QStringLiteral("InfoText"));
    InfoText->setTextFormat(Qt::RichText);
    InfoText->setWordWrap(true);
    InfoText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // As wide as the box and as tall as its lines need: no line cut off.
    const int textWidth = Image1->width() + 80;
    InfoText->setFixedWidth(textWidth);
    InfoText->setMinimumHeight(InfoText->heightForWidth(textWidth));

    GroupBox1 = new QGroupBox(QStringLiteral("This program file"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    qvFileInfoListView1 = new TqvFileInfoListView;
    qvFileInfoListView1->setObjectName(QStringLiteral("qvFileInfoListView1"));
    auto* groupLayout = new QHBoxLayout(GroupBox1);
    groupLayout->addWidget(qvFileInfoListView1);

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
    formLayout->setContentsMargins(8, 8, 8, 8);
    // Never smaller than everything in it needs, whatever the screen.
    formLayout->setSizeConstraint(QLayout::SetMinimumSize);
    formLayout->addWidget(Image1, 0, Qt::AlignHCenter);
    formLayout->addWidget(InfoText);
    formLayout->addWidget(GroupBox1, 1);
    formLayout->addWidget(Panel1);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
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
    TqvFileInfoListView& list = *FrmAbout->qvFileInfoListView1;
    list.setFileName(QCoreApplication::applicationFilePath());
    // Each value whole: the captions as wide as they need, the values take the rest.
    list.header()->setStretchLastSection(true);
    list.resizeColumnToContents(0);
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        list.topLevelItem(row)->setToolTip(1, list.topLevelItem(row)->text(1));
    showAllRows(list);
    FrmAbout->adjustSize();
    FrmAbout->exec();
}
