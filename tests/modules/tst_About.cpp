#include "modules/f_About.h"

#include "components/o_FileInfoListView.h"
#include "components/o_Resources.h"
#include "toolkit/UrlOpener.h"

#include <QApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
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
        QCOMPARE(form.windowTitle(), QStringLiteral("About Hourwright"));
        QVERIFY(!form.Image1->pixmap().isNull());
        QCOMPARE(form.Image1->size(), QSize(480, 83));
        QCOMPARE(form.qvFileInfoListView1->parentWidget(), form.GroupBox1);
        QCOMPARE(form.btnOk->parentWidget(), form.Panel1);
        QCOMPARE(form.btnOk->text(), QStringLiteral("Ok"));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        for (const char* name : {"Image1", "Panel1", "btnOk", "GroupBox1", "qvFileInfoListView1", "InfoText"})
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
    }

    // What the box says of the program: its version, the databases it works
    // with and the licence of its package, and no made-up address.
    void descriptionSays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("version") << "Hourwright " HW_PROJECT_VERSION;
        QTest::newRow("embedded") << "an embedded SQLite file";
        QTest::newRow("team server") << "a PostgreSQL server";
        QTest::newRow("SQL Server") << "Microsoft SQL Server through ODBC";
        QTest::newRow("copyright") << "Copyright 2026 Quivane.";
        QTest::newRow("licence") << "All rights reserved. Hourwright may be installed and used; it may not be "
                                    "redistributed in modified form without the permission of Quivane.";
    }
    void descriptionSays()
    {
        QFETCH(QString, text);
        TFrmAbout form;
        QVERIFY2(form.InfoText->text().contains(text), qPrintable(form.InfoText->text()));
        QVERIFY(!form.InfoText->text().contains(".example"));
        QVERIFY(!form.InfoText->text().contains("Access"));
    }

    void showsOwnVersionAndClosesWithOk()
    {
        QStringList captions;
        QString productVersion;
        QString internalName;
        QString fileName;
        int rowsInView = 0;
        const Run run = showAndEnd(
            [&](TFrmAbout& form) {
                const TqvFileInfoListView& list = *form.qvFileInfoListView1;
                for (int row = 0; row < list.topLevelItemCount(); ++row) {
                    captions << list.topLevelItem(row)->text(0);
                    // Every row whole in view, none cut off or scrolled away.
                    if (list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(row))))
                        ++rowsInView;
                }
                productVersion = valueOf(list, "Product Version");
                internalName = valueOf(list, "Internal Name");
                fileName = valueOf(list, "FileName");
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
        QCOMPARE(rowsInView, 10);
    }

    // Nothing in the box opens a web address: the program has none to give.
    void noAddressIsOpened()
    {
        const Run run = showAndEnd(
            [&](TFrmAbout& form) { QTest::mouseClick(form.Image1, Qt::LeftButton, {}, QPoint(5, 5)); },
            [](TFrmAbout& form) { form.close(); });
        QVERIFY(!run.closedByWatchdog);
        QCOMPARE(m_opened, QList<QUrl>());
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
        QVERIFY(firstWidth > 20);
        QVERIFY(second.form.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_About.moc"
