#include "modules/f_About.h"

#include "components/o_FileInfoListView.h"
#include "components/o_LinkLabel.h"
#include "components/o_Resources.h"
#include "toolkit/UrlOpener.h"

#include <QApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace {

TFrmAbout* shownAboutBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<TFrmAbout*>(widget);
        if (form && form->isVisible())
            return form;
    }
    return nullptr;
}

QString valueOf(const QTreeWidget& list, const QString& caption)
{
    const auto found = list.findItems(caption, Qt::MatchExactly, 0);
    return found.size() == 1 ? found.first()->text(1) : QStringLiteral("<%1 rows>").arg(found.size());
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;

    // Runs ShowAboutBox; once the box is on screen, inspects it and then
    // ends it. A box that never appears, or an end that does not close it,
    // is closed by a watchdog so the test fails instead of hanging.
    struct Run
    {
        QPointer<TFrmAbout> form;
        int result = -1;
        bool closedByWatchdog = false;
    };
    Run showAndEnd(const std::function<void(TFrmAbout&)>& inspect, const std::function<void(TFrmAbout&)>& end)
    {
        Run run;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, this, [&] {
            TFrmAbout* form = shownAboutBox();
            if (!form)
                return;
            poll.stop();
            run.form = form;
            connect(form, &QDialog::finished, this, [&run](int result) { run.result = result; });
            inspect(*form);
            end(*form);
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [&] {
            if (TFrmAbout* form = shownAboutBox()) {
                run.closedByWatchdog = true;
                form->reject();
            }
        });
        poll.start();
        watchdog.start(10000);
        ShowAboutBox();
        return run;
    }

private slots:
    void initTestCase()
    {
        UrlOpener::setHandler([this](const QUrl& url) {
            m_opened << url;
            return true;
        });
    }
    void init() { m_opened.clear(); }
    void cleanupTestCase() { UrlOpener::setHandler({}); }

    void jpegPluginAvailable()
    {
        QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
        HourwrightResources::init();
        QImageReader banner(QStringLiteral(":/banner.jpg"));
        QCOMPARE(banner.format(), QByteArray("jpeg"));
        QCOMPARE(banner.read().size(), QSize(480, 83));
    }

    void formLayout()
    {
        TFrmAbout form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Quivane - About..."));
        QCOMPARE(form.size(), QSize(488, 492));
        QVERIFY(!form.Image1->pixmap().isNull());
        QCOMPARE(form.Image1->size(), QSize(480, 83));
        QCOMPARE(form.Image1->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.qvFileInfoListView1->width(), 247);
        QCOMPARE(form.qvFileInfoListView1->parentWidget(), form.GroupBox1);
        QCOMPARE(form.InfoMemo->parentWidget(), form.Panel2);
        QCOMPARE(form.qvLinkLabel1->parentWidget(), form.Panel2);
        QCOMPARE(form.btnOk->parentWidget(), form.Panel1);
        QCOMPARE(form.btnOk->text(), QStringLiteral("Ok"));
        QVERIFY(form.InfoMemo->isReadOnly());
        QCOMPARE(form.qvLinkLabel1->LinkType(), TqvLinkLabel::ltURL);
        QCOMPARE(form.qvLinkLabel1->URL(), TFrmAbout::MakerWebAddress);
        QCOMPARE(form.qvLinkLabel1->text(), TFrmAbout::MakerWebAddress);
        QVERIFY(form.qvLinkLabel1->alignment() & Qt::AlignHCenter);
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        for (const char* name : {"Image1", "Panel1", "btnOk", "GroupBox1", "qvFileInfoListView1", "Panel2",
                                 "InfoMemo", "qvLinkLabel1"})
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
    }

    void memoText_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("product") << 0 << "Hourwright";
        QTest::newRow("purpose") << 2 << "Application to monitor a developers";
        QTest::newRow("purpose, second line") << 3 << "time for a project.";
        QTest::newRow("statistics") << 5 << "Statistics per Developer,Project.";
        QTest::newRow("tools heading") << 7 << "Developing tools and tech :";
        QTest::newRow("language") << 8 << "Programming Language ";
        QTest::newRow("engine") << 10 << "DataBase Engine";
        QTest::newRow("server") << 11 << " Microsoft SQL Server 2005 Express Edition";
        QTest::newRow("or") << 12 << " or";
        QTest::newRow("access") << 13 << " MS Access";
        QTest::newRow("connection") << 14 << "DB Connection Engine";
        QTest::newRow("ado") << 15 << " Microsoft ADO";
        QTest::newRow("author") << 20 << "Author ";
    }
    void memoText()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        TFrmAbout form;
        const QStringList lines = form.InfoMemo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 24);
        QCOMPARE(lines.at(line), text);
        for (int empty : {1, 4, 6, 16, 19, 22})
            QVERIFY2(lines.at(empty).isEmpty(), qPrintable(QString::number(empty)));
        QVERIFY(lines.last().contains(QLatin1Char('@')));
    }

    void showsOwnVersionAndClosesWithOk()
    {
        QStringList captions;
        QString productVersion;
        QString internalName;
        QString fileName;
        QList<int> widths;
        const Run run = showAndEnd(
            [&](TFrmAbout& form) {
                const TqvFileInfoListView& list = *form.qvFileInfoListView1;
                for (int row = 0; row < list.topLevelItemCount(); ++row)
                    captions << list.topLevelItem(row)->text(0);
                productVersion = valueOf(list, "Product Version");
                internalName = valueOf(list, "Internal Name");
                fileName = valueOf(list, "FileName");
                widths = {list.columnWidth(0), list.columnWidth(1)};
            },
            [](TFrmAbout& form) { QTest::mouseClick(form.btnOk, Qt::LeftButton); });

        QVERIFY(!run.closedByWatchdog);
        QCOMPARE(run.result, int(QDialog::Accepted));
        QVERIFY(run.form.isNull()); // freed once closed
        QCOMPARE(captions.size(), 10);
        QCOMPARE(captions.first(), QStringLiteral("CompanyName"));
        QCOMPARE(captions.last(), QStringLiteral("Product Version"));
        QCOMPARE(productVersion, QStringLiteral(HW_PROJECT_VERSION));
        QCOMPARE(internalName, QStringLiteral("tst_About"));
        QCOMPARE(fileName, QCoreApplication::applicationFilePath());
        QCOMPARE(widths, QList<int>({100, 135}));
    }

    void linksReachTheOpener_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::newRow("link label") << "qvLinkLabel1";
        QTest::newRow("banner") << "Image1";
    }
    void linksReachTheOpener()
    {
        QFETCH(QString, clicked);
        const Run run = showAndEnd(
            [&](TFrmAbout& form) {
                QWidget* target = form.findChild<QWidget*>(clicked);
                QVERIFY(target);
                QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));
            },
            [](TFrmAbout& form) { form.close(); });
        QVERIFY(!run.closedByWatchdog);
        QCOMPARE(m_opened, QList<QUrl>({QUrl(TFrmAbout::MakerWebAddress)}));
        // Closed by its close box: cancelled, and freed all the same.
        QCOMPARE(run.result, int(QDialog::Rejected));
        QVERIFY(run.form.isNull());
    }

    void secondOpeningBuildsAFreshForm()
    {
        const Run first = showAndEnd(
            [](TFrmAbout& form) {
                form.setProperty("seenBefore", true);
                form.qvFileInfoListView1->setColumnWidth(0, 20);
                form.qvFileInfoListView1->clear();
            },
            [](TFrmAbout& form) { form.close(); });
        QVERIFY(first.form.isNull());

        QVariant seen;
        int rows = 0;
        int firstWidth = 0;
        const Run second = showAndEnd(
            [&](TFrmAbout& form) {
                seen = form.property("seenBefore");
                rows = form.qvFileInfoListView1->topLevelItemCount();
                firstWidth = form.qvFileInfoListView1->columnWidth(0);
            },
            [](TFrmAbout& form) { form.btnOk->click(); });
        QVERIFY(!second.closedByWatchdog);
        QVERIFY(!seen.isValid());
        QCOMPARE(rows, 10);
        QCOMPARE(firstWidth, 100);
        QVERIFY(second.form.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_About.moc"
