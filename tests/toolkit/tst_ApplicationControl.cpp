#include "toolkit/ApplicationControl.h"

#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <QtTest>

namespace {
// Like the main window: closing it only hides it away.
class RefusesToClose : public QWidget
{
public:
    int closeRequests = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++closeRequests;
        event->ignore();
    }
};
} // namespace

class TestApplicationControl : public QObject
{
    Q_OBJECT

private slots:
    // The program ends even while a window refuses to close, whether the
    // request comes from inside the main loop, from a modal dialog's loop,
    // or before the loop runs.
    void terminateEndsTheMainLoop_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("inside the main loop") << "running";
        QTest::newRow("inside a modal loop") << "modal";
        QTest::newRow("before the main loop") << "before";
    }
    void terminateEndsTheMainLoop()
    {
        QFETCH(QString, when);
        RefusesToClose window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bool timedOut = false;
        // Never leave the test waiting if the request is lost.
        QTimer::singleShot(5000, this, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        bool modalEnded = false;
        if (when == "before") {
            ApplicationControl::terminate();
        } else if (when == "running") {
            QTimer::singleShot(0, this, [] { ApplicationControl::terminate(); });
        } else {
            QTimer::singleShot(0, this, [&] {
                QEventLoop modal;
                QTimer::singleShot(0, &modal, [] { ApplicationControl::terminate(); });
                modal.exec();
                modalEnded = true;
            });
        }
        const int code = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(code, 0);
        QCOMPARE(modalEnded, when == "modal");
        QCOMPARE(window.closeRequests, 0);
    }

    void handlerSeesTheRequestInstead()
    {
        int requests = 0;
        ApplicationControl::setTerminateHandler([&] { ++requests; });
        ApplicationControl::terminate();
        ApplicationControl::setTerminateHandler({});
        QCOMPARE(requests, 1);
        // Nothing was queued for the main loop.
        bool ran = false;
        QTimer::singleShot(50, this, [&] {
            ran = true;
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        QVERIFY(ran);
    }
};

QTEST_MAIN(TestApplicationControl)
#include "tst_ApplicationControl.moc"
