#include "framework/o_ComponentCaster.h"

#include "components/o_QVMessageBox.h"
#include "components/o_QVTimer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
using Make = std::function<QObject*()>;

// What each typed accessor hands back for the held component.
QMap<QString, QObject*> accessorResults(const TqvComponentCaster& caster)
{
    return {
        {QStringLiteral("AsAction"), caster.AsAction()},
        {QStringLiteral("AsToolButton"), caster.AsToolButton()},
        {QStringLiteral("AsCheckBox"), caster.AsCheckBox()},
        {QStringLiteral("AsComboBox"), caster.AsComboBox()},
        {QStringLiteral("AsLabeledEdit"), caster.AsLabeledEdit()},
        {QStringLiteral("AsLabel"), caster.AsLabel()},
        {QStringLiteral("AsMemo"), caster.AsMemo()},
        {QStringLiteral("AsPopupMenu"), caster.AsPopupMenu()},
        {QStringLiteral("AsStatusBar"), caster.AsStatusBar()},
        {QStringLiteral("AsProgressBar"), caster.AsProgressBar()},
        {QStringLiteral("AsTimer"), caster.AsTimer()},
        {QStringLiteral("AsMessageBox"), caster.AsMessageBox()},
    };
}
} // namespace

class tst_ComponentCaster : public QObject
{
    Q_OBJECT

private slots:
    void holdsNothingAtFirst()
    {
        TqvComponentCaster caster;
        QVERIFY(!caster.AsComponent());
        for (QObject* result : accessorResults(caster))
            QVERIFY(!result);
    }

    void onlyTheMatchingAccessorAnswers_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("accessor");
        QTest::newRow("action") << Make([] { return new QAction; }) << "AsAction";
        QTest::newRow("tool button") << Make([] { return new QToolButton; }) << "AsToolButton";
        QTest::newRow("check box") << Make([] { return new QCheckBox; }) << "AsCheckBox";
        QTest::newRow("editable combo box") << Make([] {
            auto* box = new QComboBox;
            box->setEditable(true); // holds a line edit, but is not one
            return box;
        }) << "AsComboBox";
        QTest::newRow("line edit") << Make([] { return new QLineEdit; }) << "AsLabeledEdit";
        QTest::newRow("label") << Make([] { return new QLabel; }) << "AsLabel";
        QTest::newRow("memo") << Make([] { return new QPlainTextEdit; }) << "AsMemo";
        QTest::newRow("popup menu") << Make([] { return new QMenu; }) << "AsPopupMenu";
        QTest::newRow("status bar") << Make([] { return new QStatusBar; }) << "AsStatusBar";
        QTest::newRow("progress bar") << Make([] { return new QProgressBar; }) << "AsProgressBar";
        QTest::newRow("kit timer") << Make([] { return new TqvTimer; }) << "AsTimer";
        QTest::newRow("kit message box") << Make([] { return new TqvMessageBox; }) << "AsMessageBox";
        QTest::newRow("push button is no tool button") << Make([] { return new QPushButton; }) << "";
    }

    void onlyTheMatchingAccessorAnswers()
    {
        QFETCH(Make, make);
        QFETCH(QString, accessor);
        std::unique_ptr<QObject> component(make());
        TqvComponentCaster caster;
        caster.setComponent(component.get());
        QCOMPARE(caster.AsComponent(), component.get());
        const QMap<QString, QObject*> results = accessorResults(caster);
        for (auto it = results.begin(); it != results.end(); ++it) {
            if (it.key() == accessor)
                QVERIFY2(it.value() == component.get(), qPrintable(it.key()));
            else
                QVERIFY2(!it.value(), qPrintable(it.key()));
        }
    }

    void templateCastsToAnyClass()
    {
        QToolButton button;
        TqvComponentCaster caster;
        caster.setComponent(&button);
        QCOMPARE(caster.as<QAbstractButton>(), &button);
        QCOMPARE(caster.as<QWidget>(), &button);
        QVERIFY(!caster.as<QLabel>());
    }

    void destroyedComponentYieldsNull()
    {
        auto* button = new QToolButton;
        TqvComponentCaster caster;
        caster.setComponent(button);
        delete button;
        QVERIFY(!caster.AsComponent());
        QVERIFY(!caster.AsToolButton());
    }

    void nextLookupReplacesTheFirst()
    {
        QLabel label;
        QCheckBox box;
        TqvComponentCaster caster;
        caster.setComponent(&label);
        caster.setComponent(&box);
        QVERIFY(!caster.AsLabel());
        QCOMPARE(caster.AsCheckBox(), &box);
        caster.setComponent(nullptr);
        QVERIFY(!caster.AsComponent());
    }
};

QTEST_MAIN(tst_ComponentCaster)
#include "tst_ComponentCaster.moc"
