#include "framework/o_ModuleForm.h"

#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <functional>

namespace {
using CloseWay = std::function<void(TModuleForm&)>;
}

class tst_ModuleForm : public QObject
{
    Q_OBJECT

private:
    static void closeWays()
    {
        QTest::addColumn<CloseWay>("closeWay");
        QTest::newRow("close()") << CloseWay([](TModuleForm& form) { form.close(); });
        QTest::newRow("close box") << CloseWay([](TModuleForm& form) { form.windowHandle()->close(); });
        QTest::newRow("Escape") << CloseWay([](TModuleForm& form) { QTest::keyClick(&form, Qt::Key_Escape); });
        QTest::newRow("accept") << CloseWay([](TModuleForm& form) { form.accept(); });
        QTest::newRow("reject") << CloseWay([](TModuleForm& form) { form.reject(); });
        QTest::newRow("done") << CloseWay([](TModuleForm& form) { form.done(7); });
    }

private slots:
    void refusalKeepsModalLoopRunning_data() { closeWays(); }

    void refusalKeepsModalLoopRunning()
    {
        QFETCH(CloseWay, closeWay);
        TModuleForm form;
        bool allow = false;
        int asked = 0;
        bool openAfterRefusal = false;
        form.setCloseQuery([&] {
            ++asked;
            return allow;
        });
        QTimer::singleShot(0, &form, [&] {
            closeWay(form);
            openAfterRefusal = form.isVisible();
            allow = true;
            closeWay(form);
        });
        QTimer::singleShot(5000, &form, [&] {
            allow = true;
            form.reject();
        });
        form.exec();
        QVERIFY(openAfterRefusal);
        QVERIFY(!form.isVisible());
        QCOMPARE(asked, 2); // once per attempt, though QDialog turns a close into reject()
    }

    void withoutQueryItClosesAsUsual()
    {
        TModuleForm form;
        form.show();
        form.accept();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(tst_ModuleForm)
#include "tst_ModuleForm.moc"
