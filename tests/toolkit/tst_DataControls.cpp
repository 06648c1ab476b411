#include "toolkit/AppError.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbCheckBox.h"
#include "toolkit/DbEdit.h"
#include "toolkit/DbGrid.h"
#include "toolkit/DbLookupComboBox.h"
#include "toolkit/DbText.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

// DEVELOPERS-like rows: ID, LASTNAME, NAME, AGE (integer), ACTIVE (integer flag).
std::unique_ptr<MemTable> people()
{
    auto table = std::make_unique<MemTable>();
    table->addField(QStringLiteral("ID"), FieldType::AutoInc);
    table->addField(QStringLiteral("LASTNAME"), FieldType::Text, 20);
    table->addField(QStringLiteral("NAME"), FieldType::Text);
    table->addField(QStringLiteral("AGE"), FieldType::Integer);
    table->addField(QStringLiteral("ACTIVE"), FieldType::Integer);
    table->open();
    const QList<QStringList> rows{{"Berg", "Anna", "30", "1"}, {"Okafor", "Chidi", "41", "0"}, {"Moreau", "Claire", "", ""}};
    for (const QStringList& row : rows) {
        table->append();
        for (int i = 0; i < row.size(); ++i)
            table->setValue(i + 1, row.at(i));
        table->post();
    }
    table->resetChangeTracking();
    table->first();
    return table;
}

QPoint cellCentre(QTableView& view, int row, int column)
{
    return view.visualRect(view.model()->index(row, column)).center();
}

} // namespace

class TestDataControls : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageService::resetForTests(); }

    void gridColumns()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbGrid grid;
        grid.addColumn(QStringLiteral("lastname"), QStringLiteral("Last Name"), 250);
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
        grid.addColumn(QStringLiteral("ID"), QStringLiteral("Key"), 40, false);
        grid.setDataSource(&source);
        grid.resize(600, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        QCOMPARE(grid.gridColumnCount(), 3);
        QCOMPARE(grid.model()->columnCount(), 3);
        QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Last Name"));
        QCOMPARE(grid.columnWidth(0), 250);
        QVERIFY(grid.isColumnHidden(2));
        QVERIFY(!grid.isColumnVisible(2));
        const QList<DbGrid::Column> columns = grid.gridColumns();
        QCOMPARE(columns.at(0).field, QStringLiteral("lastname"));
        QCOMPARE(columns.at(0).width, 250);
        QCOMPARE(columns.at(1).width, grid.horizontalHeader()->defaultSectionSize());
        QCOMPARE(columns.at(2).title, QStringLiteral("Key"));
        QCOMPARE(columns.at(2).visible, false);
        QCOMPARE(grid.model()->data(grid.model()->index(1, 1)).toString(), QStringLiteral("Chidi"));

        // Widths and hidden columns survive a reload of the rows.
        table->loadFrom(*people());
        QCOMPARE(grid.columnWidth(0), 250);
        QVERIFY(grid.isColumnHidden(2));
        grid.setColumnVisible(2, true);
        QVERIFY(!grid.isColumnHidden(2));
    }

    void gridWithoutColumnsShowsEveryField()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbGrid grid;
        grid.setDataSource(&source);
        QCOMPARE(grid.model()->columnCount(), 5);
        QCOMPARE(grid.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("AGE"));
        QCOMPARE(grid.model()->rowCount(), 3);
    }

    void gridAndCursorFollowEachOther()
    {
        auto table = people();
        DataSource source;
        DbGrid grid;
        grid.addColumn(QStringLiteral("LASTNAME"), QStringLiteral("Last Name"));
        grid.setDataSource(&source);
        source.setDataSet(table.get()); // bound first, attached later
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.currentIndex().row(), 0);
        QVERIFY(grid.selectionModel()->isRowSelected(0, {}));

        table->last();
        QCOMPARE(grid.currentIndex().row(), 2);
        QVERIFY(grid.selectionModel()->isRowSelected(2, {}));

        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 0));
        QCOMPARE(table->recNo(), 1);
        QCOMPARE(table->value(QStringLiteral("LASTNAME")).toString(), QStringLiteral("Okafor"));

        // Clicking below a new row nothing was entered in drops it and lands
        // on the row that was clicked.
        table->first();
        table->insert();
        QCOMPARE(grid.model()->rowCount(), 4);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 0));
        QCOMPARE(table->recordCount(), 3);
        QCOMPARE(table->value(QStringLiteral("LASTNAME")).toString(), QStringLiteral("Okafor"));
        QCOMPARE(grid.currentIndex().row(), table->recNo());
    }

    // Scrolling to the end reads the next packet; the grid stays scrolled
    // there and the cursor stays on its row.
    void gridStaysAtTheEndWhenTheNextPacketComes()
    {
        auto table = people();
        MemTable packet;
        packet.addField(QStringLiteral("LASTNAME"), FieldType::Text);
        packet.open();
        for (int i = 0; i < 40; ++i) {
            packet.append();
            packet.setValue(0, QStringLiteral("Row %1").arg(i));
            packet.post();
        }
        table->insertRows(table->recordCount(), packet);
        int reads = 0;
        table->setPacketReader([&] {
            ++reads;
            table->insertRows(table->recordCount(), packet);
            table->setMoreRows(reads < 2);
        });
        table->setMoreRows(true);
        DataSource source;
        source.setDataSet(table.get());
        DbGrid grid;
        grid.addColumn(QStringLiteral("LASTNAME"), QStringLiteral("Last Name"));
        grid.setDataSource(&source);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.currentIndex().row(), 0);

        QScrollBar* bar = grid.verticalScrollBar();
        const int end = bar->maximum();
        QVERIFY(end > 0);
        bar->setValue(end);
        QCOMPARE(reads, 1);
        QCOMPARE(table->recordCount(), 83);
        QApplication::processEvents();
        QCOMPARE(bar->value(), end);
        QCOMPARE(table->recNo(), 0);
        QCOMPARE(grid.currentIndex().row(), 0);
    }

    void gridKeepsItsRowHighlightedWithoutFocus()
    {
        DbGrid grid;
        const QPalette colours = grid.palette();
        QCOMPARE(colours.color(QPalette::Inactive, QPalette::Highlight),
                 colours.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(colours.color(QPalette::Inactive, QPalette::HighlightedText),
                 colours.color(QPalette::Active, QPalette::HighlightedText));
    }

    void gridCellEditsTheCurrentRow()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbGrid grid;
        grid.addColumn(QStringLiteral("LASTNAME"), QStringLiteral("Last Name"), 150);
        grid.addColumn(QStringLiteral("AGE"), QStringLiteral("Age"), 60);
        grid.setDataSource(&source);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 1));
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 1));
        auto* editor = grid.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("41"));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("42"));
        QTest::keyClick(editor, Qt::Key_Return); // the view commits on its next turn
        QTRY_COMPARE_WITH_TIMEOUT(table->state(), MemTable::Edit, 2000);
        QCOMPARE(table->recNo(), 1);
        QCOMPARE(table->value(QStringLiteral("AGE")).toLongLong(), 42);
        QCOMPARE(grid.model()->data(grid.model()->index(1, 1)).toString(), QStringLiteral("42"));

        // A text the field cannot hold is refused with a message.
        MessageService::useTestAnswers();
        table->post();
        grid.edit(grid.model()->index(0, 1));
        editor = grid.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("old"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(MessageService::shownForTests().size(), 1, 2000);
        QCOMPARE(table->valueAt(0, table->fieldIndex(QStringLiteral("AGE"))).toLongLong(), 30);
    }

    void readOnlyGridEditsNothing()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbGrid grid;
        grid.setDataSource(&source);
        grid.setReadOnly(true);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(!(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 0, 1));
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 0, 1));
        QVERIFY(!grid.viewport()->findChild<QLineEdit*>());
        QCOMPARE(table->state(), MemTable::Browse);
    }

    void editShowsAndWritesItsField()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbEdit edit(&source, QStringLiteral("LASTNAME"));
        edit.show();
        QCOMPARE(edit.text(), QStringLiteral("Berg"));
        QCOMPARE(edit.maxLength(), 20);
        table->next();
        QCOMPARE(edit.text(), QStringLiteral("Okafor"));

        edit.setFocus();
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClicks(&edit, QStringLiteral("-Li"));
        QCOMPARE(table->state(), MemTable::Edit);
        QCOMPARE(table->value(QStringLiteral("LASTNAME")).toString(), QStringLiteral("Okafor-Li"));
        QCOMPARE(edit.text(), QStringLiteral("Okafor-Li"));
        table->cancel();
        QCOMPARE(edit.text(), QStringLiteral("Okafor"));

        edit.setPasswordMode(true);
        QVERIFY(edit.passwordMode());
        QCOMPARE(edit.echoMode(), QLineEdit::Password);
    }

    void editOfANumberWritesWhenPosted()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbEdit edit(&source, QStringLiteral("AGE"));
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("3"));
        QCOMPARE(table->state(), MemTable::Edit); // from the first keystroke
        QTest::keyClicks(&edit, QStringLiteral("5"));
        // The Save button does not take the focus: posting fetches the text.
        table->post();
        QCOMPARE(table->value(QStringLiteral("AGE")).toLongLong(), 35);

        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(AppError, table->post());
        QCOMPARE(table->state(), MemTable::Edit);
        edit.setText(QStringLiteral("36"));
        emit edit.editingFinished();
        table->post();
        QCOMPARE(table->value(QStringLiteral("AGE")).toLongLong(), 36);
    }

    void typingIntoAnEmptyTableStartsARow()
    {
        MemTable table;
        table.addField(QStringLiteral("NAME"), FieldType::Text);
        table.open();
        DataSource source;
        source.setDataSet(&table);
        DbEdit edit(&source, QStringLiteral("NAME"));
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("Zed"));
        QCOMPARE(table.state(), MemTable::Insert);
        QCOMPARE(table.recordCount(), 1);
        QCOMPARE(table.value(0).toString(), QStringLiteral("Zed"));
    }

    void checkBoxStates_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("null is undetermined") << QVariant() << int(Qt::PartiallyChecked);
        QTest::newRow("1 is checked") << QVariant(1) << int(Qt::Checked);
        QTest::newRow("0 is unchecked") << QVariant(0) << int(Qt::Unchecked);
        QTest::newRow("another value is undetermined") << QVariant(2) << int(Qt::PartiallyChecked);
    }
    void checkBoxStates()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        auto table = people();
        table->setValue(QStringLiteral("ACTIVE"), stored);
        table->post();
        DataSource source;
        source.setDataSet(table.get());
        DbCheckBox box(QStringLiteral("Active"), &source, QStringLiteral("ACTIVE"));
        QCOMPARE(int(box.checkState()), shown);
    }

    void checkBoxClicksWriteItsValues()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbCheckBox box(QStringLiteral("Active"), &source, QStringLiteral("ACTIVE"));
        box.show();
        table->last(); // ACTIVE is null here
        QCOMPARE(box.checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(&box, Qt::LeftButton);
        QCOMPARE(table->state(), MemTable::Edit);
        QCOMPARE(table->value(QStringLiteral("ACTIVE")).toLongLong(), 1);
        QCOMPARE(box.checkState(), Qt::Checked);
        QTest::mouseClick(&box, Qt::LeftButton);
        QCOMPARE(table->value(QStringLiteral("ACTIVE")).toLongLong(), 0);
        QCOMPARE(box.checkState(), Qt::Unchecked);
        table->cancel();
        QCOMPARE(box.checkState(), Qt::PartiallyChecked);
        table->first();
        QCOMPARE(box.checkState(), Qt::Checked);

        // Other values on a text field.
        DbCheckBox flag(QStringLiteral("Flag"), &source, QStringLiteral("NAME"));
        flag.setValueChecked(QStringLiteral("Y"));
        flag.setValueUnchecked(QStringLiteral("N"));
        flag.show();
        QCOMPARE(flag.checkState(), Qt::PartiallyChecked); // "Anna"
        QTest::mouseClick(&flag, Qt::LeftButton);
        QCOMPARE(table->value(QStringLiteral("NAME")).toString(), QStringLiteral("Y"));
    }

    void lookupListsAndChooses()
    {
        auto developers = people();
        MemTable criteria;
        criteria.addField(QStringLiteral("DEVELOPER_ID"), FieldType::Integer);
        criteria.open();
        DataSource list, data;
        list.setDataSet(developers.get());
        data.setDataSet(&criteria);

        DbLookupComboBox combo;
        combo.setDataSource(&data);
        combo.setDataField(QStringLiteral("DEVELOPER_ID"));
        combo.setListSource(&list);
        combo.setKeyField(QStringLiteral("ID"));
        combo.setListFields({QStringLiteral("LASTNAME"), QStringLiteral("NAME")});
        combo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&combo));

        // The drop-down has both list fields side by side.
        auto* view = qobject_cast<QTableView*>(combo.view());
        QVERIFY(view);
        QCOMPARE(combo.model()->columnCount(), 2);
        QCOMPARE(combo.model()->rowCount(), 3);
        QCOMPARE(combo.model()->data(combo.model()->index(1, 1)).toString(), QStringLiteral("Chidi"));
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(criteria.recordCount(), 0);

        // Choosing an entry with the keyboard starts the criteria row.
        combo.setFocus();
        QTest::keyClick(&combo, Qt::Key_Down);
        QCOMPARE(criteria.recordCount(), 1);
        QCOMPARE(criteria.state(), MemTable::Insert);
        QCOMPARE(criteria.value(0).toLongLong(), 1);
        QCOMPARE(combo.currentText(), QStringLiteral("Berg")); // the first list field
        QTest::keyClick(&combo, Qt::Key_Down);
        QCOMPARE(criteria.value(0).toLongLong(), 2);
        criteria.post();

        // Delete clears the field.
        QTest::keyClick(&combo, Qt::Key_Delete);
        QVERIFY(criteria.value(0).isNull());
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(combo.currentText(), QString());

        // The box follows the data row.
        criteria.setValue(0, 3);
        QCOMPARE(combo.currentText(), QStringLiteral("Moreau"));
        criteria.setValue(0, 99);
        QCOMPARE(combo.currentIndex(), -1);

        // And the list follows its rows.
        developers->last();
        developers->setValue(QStringLiteral("LASTNAME"), QStringLiteral("Moreau-Roy"));
        developers->post();
        criteria.setValue(0, 3);
        QCOMPARE(combo.currentText(), QStringLiteral("Moreau-Roy"));
    }

    void lookupNullKeyIsConfigurable()
    {
        auto developers = people();
        auto projects = people(); // data rows: AGE holds a developer key here
        DataSource list, data;
        list.setDataSet(developers.get());
        data.setDataSet(projects.get());
        DbLookupComboBox combo;
        combo.setListSource(&list);
        combo.setKeyField(QStringLiteral("ID"));
        combo.setListField(QStringLiteral("LASTNAME"));
        combo.setDataSource(&data);
        combo.setDataField(QStringLiteral("ACTIVE"));
        combo.setNullValueKey(Qt::Key_Backspace);
        combo.show();
        QCOMPARE(combo.currentText(), QStringLiteral("Berg")); // ACTIVE 1
        QTest::keyClick(&combo, Qt::Key_Delete);
        QCOMPARE(projects->value(QStringLiteral("ACTIVE")).toLongLong(), 1);
        QTest::keyClick(&combo, Qt::Key_Backspace);
        QVERIFY(projects->value(QStringLiteral("ACTIVE")).isNull());
        QCOMPARE(projects->state(), MemTable::Edit);
        projects->next(); // ACTIVE 0: no developer has key 0
        QCOMPARE(combo.currentIndex(), -1);
    }

    void textFollowsTheCursor()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbText text(&source, QStringLiteral("NAME"));
        QCOMPARE(text.text(), QStringLiteral("Anna"));
        table->next();
        QCOMPARE(text.text(), QStringLiteral("Chidi"));
        source.setDataSet(nullptr);
        QCOMPARE(text.text(), QString());
    }

    void controlsStayPutWhileDisabled()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbText text(&source, QStringLiteral("NAME"));
        DbGrid grid;
        grid.setDataSource(&source);
        table->disableControls();
        table->next();
        table->next();
        QCOMPARE(text.text(), QStringLiteral("Anna"));
        QCOMPARE(grid.currentIndex().row(), 0);
        table->enableControls();
        QCOMPARE(text.text(), QStringLiteral("Claire"));
        QCOMPARE(grid.currentIndex().row(), 2);
    }

    void destroyedTableLetsGo()
    {
        auto table = people();
        DataSource source;
        source.setDataSet(table.get());
        DbText text(&source, QStringLiteral("NAME"));
        DbGrid grid;
        grid.setDataSource(&source);
        DbEdit edit(&source, QStringLiteral("NAME"));
        table.reset();
        QCOMPARE(source.dataSet(), nullptr);
        QCOMPARE(grid.model()->rowCount(), 0);
        QTest::keyClicks(&edit, QStringLiteral("x")); // nothing to write to
        QCOMPARE(text.text(), QString());
    }

    void datePickerKeepsTheTimeOfDay()
    {
        DateTimePicker picker(DateTimePicker::Date);
        const QDateTime moment(QDate(2009, 5, 11), QTime(8, 30, 15, 250));
        picker.setDateTime(moment);
        QCOMPARE(picker.editor()->date(), QDate(2009, 5, 11));
        QVERIFY(!picker.editor()->displayFormat().contains(QLatin1String("HH")));
        picker.editor()->setDate(QDate(2009, 5, 31));
        QCOMPARE(picker.dateTime(), QDateTime(QDate(2009, 5, 31), QTime(8, 30, 15, 250)));
    }

    void timePickerShowsSecondsAndKeepsTheDate()
    {
        DateTimePicker picker(DateTimePicker::Time);
        picker.setDateTime(QDateTime(QDate(2009, 5, 11), QTime(8, 0, 0, 400)));
        QVERIFY(picker.editor()->displayFormat().contains(QLatin1String("ss")));
        QCOMPARE(picker.editor()->time(), QTime(8, 0, 0, 400));
        picker.editor()->setTime(QTime(12, 30, 30));
        QCOMPARE(picker.dateTime(), QDateTime(QDate(2009, 5, 11), QTime(12, 30, 30, 400)));
        QCOMPARE(picker.time().second(), 30);
    }

    void pickerCheckBox()
    {
        DateTimePicker picker(DateTimePicker::Date);
        picker.show();
        QVERIFY(!picker.showCheckBox());
        QVERIFY(picker.isChecked());
        QVERIFY(picker.editor()->isEnabled());
        picker.setShowCheckBox(true);
        QVERIFY(picker.checkBox()->isVisible());
        picker.setChecked(false);
        QVERIFY(!picker.isChecked());
        QVERIFY(!picker.editor()->isEnabled());
        QTest::mouseClick(picker.checkBox(), Qt::LeftButton, {}, QPoint(4, picker.checkBox()->height() / 2));
        QVERIFY(picker.isChecked());
        QVERIFY(picker.editor()->isEnabled());
    }
};

QTEST_MAIN(TestDataControls)
#include "tst_DataControls.moc"
