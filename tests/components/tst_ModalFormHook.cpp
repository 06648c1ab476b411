#include "components/o_ModalFormHook.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <QtTest>

#include <memory>

class TFrmProjects : public QDialog
{
    Q_OBJECT
};

class TFrmProjectsDerived : public TFrmProjects
{
    Q_OBJECT
};

class tst_ModalFormHook : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        // Windows left over would be found by the next test's search.
        for (QWidget* widget : QApplication::topLevelWidgets())
            delete widget;
    }

    void startsIdle()
    {
        TModalFormHook hook;
        QVERIFY(!hook.Enabled());
        QVERIFY(!hook.isSearching());
        QCOMPARE(hook.SearchInterval(), 0u);
        QCOMPARE(hook.timerInterval(), 1000);
        QVERIFY(hook.FormName().isEmpty());
        QVERIFY(hook.FormClassName().isEmpty());
    }

    void searchIntervalSetsTheTimer()
    {
        TModalFormHook hook;
        hook.setSearchInterval(25);
        QCOMPARE(hook.SearchInterval(), 25u);
        QCOMPARE(hook.timerInterval(), 25);
    }

    void enabledSwitchesTheSearch()
    {
        TModalFormHook hook;
        hook.setEnabled(true);
        QVERIFY(hook.isSearching());
        hook.setEnabled(false);
        QVERIFY(!hook.isSearching());
    }

    void matches_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("formName");
        QTest::addColumn<QString>("formClassName");
        QTest::addColumn<bool>("derived");
        QTest::addColumn<bool>("expected");

        QTest::newRow("class name") << "frmProjects" << "" << "TFrmProjects" << false << true;
        QTest::newRow("class name, other letter case") << "" << "" << "tfrmprojects" << false << true;
        QTest::newRow("object name, other letter case") << "frmProjects" << "FRMPROJECTS" << "" << false << true;
        QTest::newRow("object name wins when the class differs") << "frmProjects" << "frmProjects" << "TFrmUsers" << false
                                                                 << true;
        QTest::newRow("derived class is another class") << "" << "" << "TFrmProjects" << true << false;
        QTest::newRow("derived class by its own name") << "" << "" << "TFrmProjectsDerived" << true << true;
        QTest::newRow("other class") << "frmProjects" << "" << "TFrmUsers" << false << false;
        QTest::newRow("empty name does not match an unnamed window") << "" << "" << "TFrmUsers" << false << false;
        QTest::newRow("nothing asked matches nothing") << "" << "" << "" << false << false;
    }

    void matches()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, formName);
        QFETCH(QString, formClassName);
        QFETCH(bool, derived);
        QFETCH(bool, expected);
        std::unique_ptr<QWidget> form(derived ? new TFrmProjectsDerived : new TFrmProjects);
        form->setObjectName(objectName);
        QCOMPARE(TModalFormHook::matches(form.get(), formName, formClassName), expected);
    }

    void findsHiddenFormAndStops()
    {
        TFrmProjects form; // never shown: the form list holds it all the same
        TModalFormHook hook;
        hook.setSearchInterval(5);
        hook.setFormClassName(QStringLiteral("TFrmProjects"));
        QList<QWidget*> found;
        hook.setOnFormFound([&](QWidget* widget) { found << widget; });
        hook.setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(found.size(), 1, 5000);
        QCOMPARE(found.first(), &form);
        QCOMPARE(hook.FoundForm(), &form);
        QVERIFY(!hook.isSearching());
        QVERIFY(hook.Enabled()); // reads true though the search has ended
    }

    void unnamedWindowDoesNotEndTheSearch()
    {
        QWidget unnamed; // an empty name must not count as a match
        unnamed.show();
        TFrmProjects form;
        TModalFormHook hook;
        hook.setSearchInterval(5);
        hook.setFormClassName(QStringLiteral("TFrmProjects"));
        QWidget* found = nullptr;
        hook.setOnFormFound([&](QWidget* widget) { found = widget; });
        hook.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(found, 5000);
        QCOMPARE(found, &form);
    }

    void keepsSearchingUntilTheFormExists()
    {
        TModalFormHook hook;
        hook.setSearchInterval(5);
        hook.setFormName(QStringLiteral("frmLater"));
        QWidget* found = nullptr;
        hook.setOnFormFound([&](QWidget* widget) { found = widget; });
        hook.setEnabled(true);
        std::unique_ptr<QWidget> later;
        QTimer::singleShot(30, this, [&] {
            later = std::make_unique<QWidget>();
            later->setObjectName(QStringLiteral("frmLater"));
        });
        QTRY_VERIFY_WITH_TIMEOUT(found, 5000);
        QCOMPARE(found, later.get());
    }

    void withoutHandlerTheLastMatchCounts()
    {
        TFrmProjects first;
        TFrmProjects second;
        QWidget* lastMatch = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<TFrmProjects*>(widget))
                lastMatch = widget;
        TModalFormHook hook;
        hook.setSearchInterval(5);
        hook.setFormClassName(QStringLiteral("TFrmProjects"));
        hook.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(!hook.isSearching(), 5000);
        QCOMPARE(hook.FoundForm(), lastMatch);
    }

    void enablingAgainSearchesAnew()
    {
        TFrmProjects form;
        TModalFormHook hook;
        hook.setSearchInterval(5);
        hook.setFormClassName(QStringLiteral("TFrmProjects"));
        int reports = 0;
        hook.setOnFormFound([&](QWidget*) { ++reports; });
        hook.setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 5000);
        hook.setEnabled(true);
        QVERIFY(hook.isSearching());
        QTRY_COMPARE_WITH_TIMEOUT(reports, 2, 5000);
    }

    void findsTheFormInsideItsModalLoop()
    {
        auto* form = new TFrmProjects;
        TModalFormHook hook;
        hook.setSearchInterval(10);
        hook.setFormClassName(QStringLiteral("TFrmProjects"));
        bool wasModal = false;
        bool wasVisible = false;
        hook.setOnFormFound([&](QWidget* found) {
            wasModal = QApplication::activeModalWidget() == found;
            wasVisible = found->isVisible();
            static_cast<QDialog*>(found)->reject();
        });
        hook.setEnabled(true);
        QTimer::singleShot(5000, form, &QDialog::reject); // never left hanging
        form->exec();
        QVERIFY(wasModal);
        QVERIFY(wasVisible);
        delete form;
    }
};

QTEST_MAIN(tst_ModalFormHook)
#include "tst_ModalFormHook.moc"
