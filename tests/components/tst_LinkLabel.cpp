#include "components/o_LinkLabel.h"

#include "toolkit/UrlOpener.h"

#include <QSignalSpy>
#include <QtTest>

class TestLinkLabel : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;
    QStringList m_events; // click signal and opening, in the order they came

private slots:
    void init()
    {
        m_opened.clear();
        m_events.clear();
        UrlOpener::setHandler([this](const QUrl& url) {
            m_opened << url;
            m_events << QStringLiteral("open");
            return true;
        });
    }
    void cleanup() { UrlOpener::setHandler({}); }

    void looksLikeALink()
    {
        TqvLinkLabel label(QStringLiteral("www.example.org"));
        QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(label.font().underline());
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(label.LinkType(), TqvLinkLabel::ltURL);
    }

    void clickOpens_data()
    {
        QTest::addColumn<int>("linkType");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("mailAddress");
        QTest::addColumn<QString>("expected");

        QTest::newRow("web address") << int(TqvLinkLabel::ltURL) << "https://www.quivane.example/about"
                                     << "someone@quivane.example" << "https://www.quivane.example/about";
        QTest::newRow("address without scheme") << int(TqvLinkLabel::ltURL) << "www.quivane.example" << ""
                                                << "http://www.quivane.example";
        QTest::newRow("mail address") << int(TqvLinkLabel::ltMailAddress) << "https://ignored.example"
                                      << "someone@quivane.example" << "mailto:someone@quivane.example";
        QTest::newRow("empty mail address") << int(TqvLinkLabel::ltMailAddress) << "" << "" << "mailto:";
    }
    void clickOpens()
    {
        QFETCH(int, linkType);
        QFETCH(QString, url);
        QFETCH(QString, mailAddress);
        QFETCH(QString, expected);

        TqvLinkLabel label(QStringLiteral("link"));
        label.setURL(url);
        label.setMailAddress(mailAddress);
        label.setLinkType(TqvLinkLabel::TqvLinkType(linkType));
        connect(&label, &TqvLinkLabel::clicked, this, [this] { m_events << QStringLiteral("clicked"); });
        label.resize(120, 20);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));

        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().toString(), expected);
        // Listeners hear of the click before the address is opened.
        QCOMPARE(m_events, QStringList({"clicked", "open"}));
    }

    void unknownLinkTypeOnlySignals()
    {
        TqvLinkLabel label(QStringLiteral("link"));
        label.setURL(QStringLiteral("https://www.quivane.example"));
        QVERIFY(label.setProperty("LinkType", 7));
        QSignalSpy clicks(&label, &TqvLinkLabel::clicked);
        label.Click();
        QCOMPARE(clicks.count(), 1);
        QVERIFY(m_opened.isEmpty());
    }

    void pressAndReleaseElsewhereIsNoClick_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("opened");
        QTest::newRow("left, inside") << Qt::LeftButton << QPoint(10, 10) << 1;
        QTest::newRow("left, released outside") << Qt::LeftButton << QPoint(500, 10) << 0;
        QTest::newRow("right button") << Qt::RightButton << QPoint(10, 10) << 0;
    }
    void pressAndReleaseElsewhereIsNoClick()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, opened);
        TqvLinkLabel label(QStringLiteral("link"));
        label.setURL(QStringLiteral("https://www.quivane.example"));
        label.resize(120, 20);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QTest::mousePress(&label, button, {}, QPoint(10, 10));
        QTest::mouseRelease(&label, button, {}, releaseAt);
        QCOMPARE(m_opened.size(), opened);
    }

    void settersOnlyStore()
    {
        TqvLinkLabel label;
        label.setURL(QStringLiteral("https://a.example"));
        label.setMailAddress(QStringLiteral("b@a.example"));
        label.setLinkType(TqvLinkLabel::ltMailAddress);
        QCOMPARE(label.URL(), QStringLiteral("https://a.example"));
        QCOMPARE(label.MailAddress(), QStringLiteral("b@a.example"));
        QCOMPARE(label.property("LinkType").toInt(), int(TqvLinkLabel::ltMailAddress));
        QVERIFY(m_opened.isEmpty());
        QVERIFY(label.text().isEmpty());
    }
};

QTEST_MAIN(TestLinkLabel)
#include "tst_LinkLabel.moc"
