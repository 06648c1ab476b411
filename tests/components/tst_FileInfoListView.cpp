#include "components/o_FileInfo.h"
#include "components/o_FileInfoListView.h"

#include "support/TestElf.h"
#include "toolkit/AppError.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {

const QByteArray kBlock = "Translation=040904b0\n"
                          "[040904b0]\n"
                          "CompanyName=Maker\n"
                          "FileDescription=Description\n"
                          "FileVersion=3.1.4.1\n"
                          "InternalName=internal\n"
                          "LegalCopyright=Copyright text\n"
                          "LegalTrademarks=Trademark text\n"
                          "OriginalFilename=original.bin\n"
                          "ProductName=Product\n"
                          "ProductVersion=3.1\n"
                          "Comments=Not listed\n";

QStringList column(const QTreeWidget& list, int index)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        texts << list.topLevelItem(row)->text(index);
    return texts;
}

QString valueOf(const QTreeWidget& list, const QString& caption)
{
    const auto found = list.findItems(caption, Qt::MatchExactly, 0);
    return found.size() == 1 ? found.first()->text(1) : QStringLiteral("<%1 rows>").arg(found.size());
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestFileInfoListView : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString versionFile(const QByteArray& block)
    {
        const QString path = m_dir.filePath(QStringLiteral("v%1.bin").arg(m_files++));
        if (!writeTestElf(path, {{TqvFileInfo::SectionName, block}}))
            qFatal("could not write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void defaults()
    {
        TqvFileInfoListView list;
        QCOMPARE(list.size(), QSize(254, 166));
        QVERIFY(!list.rootIsDecorated());
        QVERIFY(!list.header()->isHidden());
        // Nothing listed until it has a parent or a file name.
        QCOMPARE(list.topLevelItemCount(), 0);
        QCOMPARE(list.fileInfo()->FileName(), QCoreApplication::applicationFilePath());
    }

    void rowsInOrder()
    {
        TqvFileInfoListView list;
        const QString path = versionFile(kBlock);
        list.setFileName(path);
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.headerItem()->text(0), QStringLiteral("Key"));
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("Value"));
        QCOMPARE(column(list, 0), QStringList({"CompanyName", "File Description", "FileName", "File Version",
                                               "Internal Name", "Legal Copyright", "Legal TradeMarks",
                                               "Original Filename", "Product Name", "Product Version"}));
        QCOMPARE(column(list, 1), QStringList({"Maker", "Description", path, "3.1.4.1", "internal",
                                               "Copyright text", "Trademark text", "original.bin", "Product",
                                               "3.1"}));
    }

    void fillsWhenPlacedOnParent_data()
    {
        QTest::addColumn<bool>("throughLayout");
        QTest::newRow("setParent") << false;
        QTest::newRow("added to a layout") << true;
    }
    void fillsWhenPlacedOnParent()
    {
        QFETCH(bool, throughLayout);
        QWidget form;
        auto* list = new TqvFileInfoListView;
        QCOMPARE(list->topLevelItemCount(), 0);
        if (throughLayout)
            (new QVBoxLayout(&form))->addWidget(list);
        else
            list->setParent(&form);
        QCOMPARE(list->topLevelItemCount(), 10);
        QCOMPARE(valueOf(*list, "Internal Name"), QStringLiteral("tst_FileInfoListView"));
        QCOMPARE(valueOf(*list, "Product Version"), QStringLiteral(HW_PROJECT_VERSION));
        QCOMPARE(valueOf(*list, "FileName"), QCoreApplication::applicationFilePath());
    }

    void fillsWhenCreatedOnParent()
    {
        QWidget form;
        TqvFileInfoListView list(&form);
        QCOMPARE(list.topLevelItemCount(), 10);
        QCOMPARE(valueOf(list, "Product Name"), QStringLiteral("Hourwright"));
    }

    void removedFromParentKeepsRows()
    {
        QWidget form;
        TqvFileInfoListView list(&form);
        list.setFileName(versionFile(kBlock));
        list.setParent(nullptr);
        QCOMPARE(valueOf(list, "Product Name"), QStringLiteral("Product"));
    }

    void emptyNameListsOwnExecutable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "  ";
    }
    void emptyNameListsOwnExecutable()
    {
        QFETCH(QString, name);
        TqvFileInfoListView list;
        list.setFileName(versionFile(kBlock));
        QCOMPARE(valueOf(list, "Product Name"), QStringLiteral("Product"));
        list.setFileName(name);
        QCOMPARE(list.FileName(), name);
        QCOMPARE(valueOf(list, "Internal Name"), QStringLiteral("tst_FileInfoListView"));
    }

    void missingFileRaisesAndKeepsRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no such file") << m_dir.filePath(QStringLiteral("absent.bin"));
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("percent in the name") << m_dir.filePath(QStringLiteral("%1 %s.bin"));
    }
    void missingFileRaisesAndKeepsRows()
    {
        QFETCH(QString, name);
        TqvFileInfoListView list;
        list.setFileName(versionFile(kBlock));
        QCOMPARE(errorOf([&] { list.setFileName(name); }), name + QStringLiteral(" file does not exist!"));
        QCOMPARE(list.FileName(), name);
        QCOMPARE(list.topLevelItemCount(), 10);
        QCOMPARE(valueOf(list, "Product Name"), QStringLiteral("Product"));
    }

    void columnsHalfTheWidthAfterEveryFill_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("half");
        QTest::newRow("default width") << 254 << 127;
        QTest::newRow("odd width") << 247 << 123;
        QTest::newRow("wide") << 600 << 300;
    }
    void columnsHalfTheWidthAfterEveryFill()
    {
        QFETCH(int, width);
        QFETCH(int, half);
        TqvFileInfoListView list;
        list.resize(width, 166);
        list.setFileName(QString());
        QCOMPARE(list.columnWidth(0), half);
        QCOMPARE(list.columnWidth(1), half);
        list.setColumnWidth(0, 40);
        list.setColumnWidth(1, 300);
        list.FillInfo();
        QCOMPARE(list.columnWidth(0), half);
        QCOMPARE(list.columnWidth(1), half);
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.topLevelItemCount(), 10);
    }

    void refillReplacesRows()
    {
        TqvFileInfoListView list;
        list.setFileName(versionFile(kBlock));
        list.setFileName(versionFile("Translation=040904b0\n[040904b0]\nProductName=Other\n"));
        QCOMPARE(list.topLevelItemCount(), 10);
        QCOMPARE(valueOf(list, "Product Name"), QStringLiteral("Other"));
        QCOMPARE(valueOf(list, "CompanyName"), QString());
    }

    void rowsAreNotEditable()
    {
        TqvFileInfoListView list;
        list.setFileName(versionFile(kBlock));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTreeWidgetItem* item = list.topLevelItem(0);
        const QRect cell = list.visualItemRect(item);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(!list.viewport()->findChild<QLineEdit*>());
        QCOMPARE(item->text(0), QStringLiteral("CompanyName"));
    }
};

QTEST_MAIN(TestFileInfoListView)
#include "tst_FileInfoListView.moc"
