#include "toolkit/AppError.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"

#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QAbstractTableModel>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(FieldType)

namespace {

// ID (auto-increment) and A (text), rows given by their A values.
std::unique_ptr<MemTable> lettersTable(const QStringList& letters)
{
    MemTable source;
    source.addField(QStringLiteral("ID"), FieldType::AutoInc);
    source.addField(QStringLiteral("A"), FieldType::Text);
    source.open();
    for (const QString& letter : letters) {
        source.append();
        source.setValue(QStringLiteral("A"), letter);
        source.post();
    }
    auto table = std::make_unique<MemTable>();
    table->loadFrom(source);
    return table;
}

QString column(const MemTable& table, const QString& field)
{
    QStringList values;
    const int index = table.fieldIndex(field);
    for (int r = 0; r < table.recordCount(); ++r)
        values << table.displayTextAt(r, index);
    return values.join(QLatin1Char(','));
}

// Runs "append;set:A=x;next" style scripts against a table.
void run(MemTable& table, const QString& script)
{
    for (const QString& step : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (step == QLatin1String("append"))
            table.append();
        else if (step == QLatin1String("insert"))
            table.insert();
        else if (step == QLatin1String("edit"))
            table.edit();
        else if (step == QLatin1String("post"))
            table.post();
        else if (step == QLatin1String("cancel"))
            table.cancel();
        else if (step == QLatin1String("remove"))
            table.remove();
        else if (step == QLatin1String("next"))
            table.next();
        else if (step == QLatin1String("prior"))
            table.prior();
        else if (step == QLatin1String("first"))
            table.first();
        else if (step == QLatin1String("last"))
            table.last();
        else if (step.startsWith(QLatin1String("rec:")))
            table.setRecNo(step.mid(4).toInt());
        else if (step.startsWith(QLatin1String("replace:"))) {
            // replace:1=y gives row 1 the loaded value y in A.
            const QStringList parts = step.mid(8).split(QLatin1Char('='));
            MemTable loaded;
            loaded.addField(QStringLiteral("A"), FieldType::Text);
            loaded.open();
            loaded.setValue(0, parts.at(1));
            loaded.post();
            table.replaceRow(parts.at(0).toInt(), loaded);
        } else if (step.startsWith(QLatin1String("set:"))) {
            const QStringList parts = step.mid(4).split(QLatin1Char('='));
            table.setValue(parts.at(0), parts.at(1));
        } else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

} // namespace

class TestMemTable : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageService::resetForTests(); }

    void fieldNamesIgnoreCase()
    {
        MemTable table;
        table.addField(QStringLiteral("Project_Id"), FieldType::Integer);
        QCOMPARE(table.fieldIndex(QStringLiteral("PROJECT_ID")), 0);
        QCOMPARE(table.fieldIndex(QStringLiteral("project_id")), 0);
        QCOMPARE(table.fieldIndex(QStringLiteral("other")), -1);
        QVERIFY_THROWS_EXCEPTION(AppError, table.addField(QStringLiteral("PROJECT_ID"), FieldType::Text));
        table.open();
        QVERIFY_THROWS_EXCEPTION(AppError, table.value(QStringLiteral("missing")));
        QVERIFY_THROWS_EXCEPTION(AppError, table.addField(QStringLiteral("LATE"), FieldType::Text));
    }

    void storedValues_data()
    {
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("integer from text") << FieldType::Integer << 0 << QVariant("42") << QVariant(qlonglong(42));
        QTest::newRow("integer from padded text") << FieldType::Integer << 0 << QVariant(" 7 ") << QVariant(qlonglong(7));
        QTest::newRow("integer from empty text is null") << FieldType::Integer << 0 << QVariant("") << QVariant();
        QTest::newRow("integer from a float rounds") << FieldType::Integer << 0 << QVariant(2.6) << QVariant(qlonglong(3));
        QTest::newRow("integer from true") << FieldType::Integer << 0 << QVariant(true) << QVariant(qlonglong(1));
        QTest::newRow("float from text") << FieldType::Float << 0 << QVariant("4.5") << QVariant(4.5);
        QTest::newRow("boolean from text 1") << FieldType::Boolean << 0 << QVariant("1") << QVariant(true);
        QTest::newRow("boolean from False") << FieldType::Boolean << 0 << QVariant("False") << QVariant(false);
        QTest::newRow("boolean from 0") << FieldType::Boolean << 0 << QVariant(0) << QVariant(false);
        QTest::newRow("text cut to its width") << FieldType::Text << 5 << QVariant("abcdefgh") << QVariant("abcde");
        QTest::newRow("text without width kept") << FieldType::Text << 0 << QVariant("abcdefgh") << QVariant("abcdefgh");
        QTest::newRow("empty text stays empty") << FieldType::Text << 0 << QVariant("") << QVariant("");
        QTest::newRow("text from integer") << FieldType::Text << 0 << QVariant(12) << QVariant("12");
        QTest::newRow("date from text") << FieldType::Date << 0 << QVariant("2009-05-11") << QVariant(QDate(2009, 5, 11));
        QTest::newRow("date from date-time") << FieldType::Date << 0 << QVariant(QDateTime(QDate(2009, 5, 11), QTime(8, 0)))
                                             << QVariant(QDate(2009, 5, 11));
        QTest::newRow("date-time from stored text")
            << FieldType::DateTime << 0 << QVariant("2009-05-11 08:00:00.250")
            << QVariant(QDateTime(QDate(2009, 5, 11), QTime(8, 0, 0, 250)));
        QTest::newRow("date-time from date") << FieldType::DateTime << 0 << QVariant(QDate(2009, 5, 11))
                                             << QVariant(QDateTime(QDate(2009, 5, 11), QTime(0, 0)));
        QTest::newRow("date-time from a day count") << FieldType::DateTime << 0 << QVariant(39944.5)
                                                    << QVariant(QDateTime(QDate(2009, 5, 11), QTime(12, 0)));
        QTest::newRow("null stays null") << FieldType::DateTime << 0 << QVariant() << QVariant();
    }
    void storedValues()
    {
        QFETCH(FieldType, type);
        QFETCH(int, size);
        QFETCH(QVariant, input);
        QFETCH(QVariant, expected);
        MemTable table;
        table.addField(QStringLiteral("F"), type, size);
        table.open();
        table.setValue(QStringLiteral("F"), input);
        table.post();
        const QVariant stored = table.value(QStringLiteral("F"));
        QCOMPARE(stored.isNull(), expected.isNull());
        if (!expected.isNull()) {
            QCOMPARE(stored.typeId(), expected.typeId());
            QCOMPARE(stored, expected);
        }
    }

    void valueTheFieldCannotHold_data()
    {
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<QVariant>("input");
        QTest::newRow("integer") << FieldType::Integer << QVariant("12abc");
        QTest::newRow("float") << FieldType::Float << QVariant("four");
        QTest::newRow("boolean") << FieldType::Boolean << QVariant("maybe");
        QTest::newRow("date") << FieldType::Date << QVariant("11/05/2009x");
        QTest::newRow("date-time") << FieldType::DateTime << QVariant("soon");
    }
    void valueTheFieldCannotHold()
    {
        QFETCH(FieldType, type);
        QFETCH(QVariant, input);
        MemTable table;
        table.addField(QStringLiteral("F"), type);
        table.open();
        table.append();
        table.post();
        QVERIFY_THROWS_EXCEPTION(AppError, table.setValue(QStringLiteral("F"), input));
        // Nothing changed, not even the state.
        QCOMPARE(table.state(), MemTable::Browse);
        QVERIFY(table.value(QStringLiteral("F")).isNull());
    }

    void displayText_data()
    {
        QTest::addColumn<FieldType>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("float half") << FieldType::Float << QVariant(4.5) << "4.5";
        QTest::newRow("float minute") << FieldType::Float << QVariant(1.0 / 60) << "0.0167";
        QTest::newRow("float whole") << FieldType::Float << QVariant(2.0) << "2";
        QTest::newRow("float tiny") << FieldType::Float << QVariant(-0.00001) << "0";
        QTest::newRow("date") << FieldType::Date << QVariant(QDate(2009, 5, 1)) << "2009-05-01";
        QTest::newRow("date-time drops milliseconds")
            << FieldType::DateTime << QVariant(QDateTime(QDate(2009, 5, 11), QTime(8, 0, 5, 999)))
            << "2009-05-11 08:00:05";
        QTest::newRow("boolean") << FieldType::Boolean << QVariant(true) << "True";
        QTest::newRow("integer") << FieldType::Integer << QVariant(-12) << "-12";
        QTest::newRow("null") << FieldType::Float << QVariant() << "";
    }
    void displayText()
    {
        QFETCH(FieldType, type);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        MemTable table;
        table.addField(QStringLiteral("F"), type);
        table.open();
        table.append();
        table.setValue(0, value);
        table.post();
        QCOMPARE(table.displayText(QStringLiteral("F")), expected);
        QCOMPARE(table.model()->data(table.model()->index(0, 0), Qt::DisplayRole).toString(), expected);
    }

    void floatEditTextKeepsPrecision()
    {
        MemTable table;
        table.addField(QStringLiteral("F"), FieldType::Float);
        table.open();
        table.setValue(0, 1.0 / 60);
        QCOMPARE(table.editTextAt(0, 0).toDouble(), 1.0 / 60);
    }

    void editingRules_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("recNo");

        const QStringList abc{"a", "b", "c"};
        QTest::newRow("setting a value in browse starts an edit") << abc << "set:A=x" << "Edit" << "x,b,c" << 0;
        QTest::newRow("setting a value on an empty table starts a new row") << QStringList() << "set:A=x" << "Insert"
                                                                           << "x" << 0;
        QTest::newRow("edit on an empty table starts a new row") << QStringList() << "edit" << "Insert" << "" << 0;
        QTest::newRow("edit on a row") << abc << "rec:1;edit" << "Edit" << "a,b,c" << 1;
        QTest::newRow("moving the cursor posts an edit") << abc << "set:A=x;next" << "Browse" << "x,b,c" << 1;
        QTest::newRow("leaving an untouched new row drops it") << abc << "rec:1;insert;next" << "Browse" << "a,b,c"
                                                               << 1;
        QTest::newRow("prior from an untouched new row") << abc << "rec:1;insert;prior" << "Browse" << "a,b,c" << 0;
        QTest::newRow("leaving a new row with a value keeps it") << abc << "rec:1;insert;set:A=n;next" << "Browse"
                                                                 << "a,n,b,c" << 2;
        QTest::newRow("clicking a row below an untouched new row") << abc << "rec:0;insert;rec:3" << "Browse"
                                                                    << "a,b,c" << 2;
        QTest::newRow("choosing the new row itself keeps it") << abc << "rec:1;insert;rec:1" << "Insert" << "a,,b,c"
                                                              << 1;
        QTest::newRow("save keeps an untouched new row") << abc << "append;post" << "Browse" << "a,b,c," << 3;
        QTest::newRow("save in browse does nothing") << abc << "post" << "Browse" << "a,b,c" << 0;
        QTest::newRow("new row while editing posts the edit") << abc << "set:A=x;append" << "Insert" << "x,b,c,"
                                                              << 3;
        QTest::newRow("new row while entering an untouched one replaces it") << abc << "append;append" << "Insert"
                                                                             << "a,b,c," << 3;
        QTest::newRow("new row after a typed one keeps it") << abc << "append;set:A=n;append" << "Insert"
                                                            << "a,b,c,n," << 4;
        QTest::newRow("insert goes in at the cursor") << abc << "rec:2;insert;set:A=n;post" << "Browse"
                                                      << "a,b,n,c" << 2;
        QTest::newRow("edit while entering a new row does nothing") << abc << "append;edit" << "Insert" << "a,b,c,"
                                                                    << 3;
        QTest::newRow("cancel reverts an edit") << abc << "rec:1;set:A=x;cancel" << "Browse" << "a,b,c" << 1;
        QTest::newRow("cancel drops a new row") << abc << "rec:1;insert;set:A=n;cancel" << "Browse" << "a,b,c" << 1;
        QTest::newRow("cancel of an appended row returns to the last") << abc << "append;cancel" << "Browse"
                                                                       << "a,b,c" << 2;
        QTest::newRow("remove while editing does nothing") << abc << "set:A=x;remove" << "Edit" << "x,b,c" << 0;
        QTest::newRow("remove while entering does nothing") << abc << "append;set:A=n;remove" << "Insert"
                                                            << "a,b,c,n" << 3;
        QTest::newRow("remove in browse") << abc << "rec:1;remove" << "Browse" << "a,c" << 1;
        QTest::newRow("remove the last row") << abc << "last;remove" << "Browse" << "a,b" << 1;
        QTest::newRow("remove on an empty table does nothing") << QStringList() << "remove" << "Browse" << "" << -1;
        QTest::newRow("next past the end posts and stays") << abc << "last;set:A=z;next" << "Browse" << "a,b,z"
                                                           << 2;
        QTest::newRow("first posts") << abc << "last;set:A=z;first" << "Browse" << "a,b,z" << 0;
        QTest::newRow("a replaced row drops its edit") << abc << "rec:1;set:A=x;replace:1=y" << "Browse"
                                                       << "a,y,c" << 1;
        QTest::newRow("replacing another row keeps the edit") << abc << "rec:1;set:A=x;replace:2=y" << "Edit"
                                                              << "a,x,y" << 1;
        QTest::newRow("a new row being entered is not replaced") << abc << "rec:1;insert;set:A=n;replace:1=y"
                                                                 << "Insert" << "a,n,b,c" << 1;
        QTest::newRow("an appended row being entered is not replaced") << abc << "append;set:A=n;replace:3=y"
                                                                       << "Insert" << "a,b,c,n" << 3;
    }
    void editingRules()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, script);
        QFETCH(QString, state);
        QFETCH(QString, values);
        QFETCH(int, recNo);
        auto table = lettersTable(rows);
        run(*table, script);
        QCOMPARE(QString::fromLatin1(QMetaEnum::fromType<MemTable::State>().valueToKey(table->state())), state);
        QCOMPARE(column(*table, QStringLiteral("A")), values);
        QCOMPARE(table->recNo(), recNo);
    }

    void autoIncrementAssignedWhenPosted()
    {
        MemTable table;
        table.addField(QStringLiteral("ID"), FieldType::AutoInc);
        table.addField(QStringLiteral("NAME"), FieldType::Text, 50);
        table.open();
        table.append();
        QVERIFY(table.value(QStringLiteral("ID")).isNull());
        table.setValue(QStringLiteral("NAME"), QStringLiteral("first"));
        table.post();
        table.append(); // untouched and dropped: takes no number
        table.append();
        table.post();
        table.append();
        table.setValue(QStringLiteral("NAME"), QStringLiteral("third"));
        table.first(); // moving posts
        QCOMPARE(column(table, QStringLiteral("ID")), QStringLiteral("1,2,3"));

        MemTable copy;
        auto source = lettersTable({"a", "b"});
        source->last();
        source->setValue(QStringLiteral("ID"), 7);
        source->post();
        copy.loadFrom(*source);
        copy.append();
        copy.post();
        QCOMPARE(copy.value(QStringLiteral("ID")).toLongLong(), 8);
    }

    void changeTracking()
    {
        auto table = lettersTable({"a", "b", "c", "d"});
        QCOMPARE(table->rowStatus(), MemTable::Unchanged);
        table->setValue(QStringLiteral("A"), QStringLiteral("x"));
        table->post();
        QCOMPARE(table->rowStatus(), MemTable::Modified);

        table->setRecNo(1);
        table->edit();
        table->setValue(QStringLiteral("A"), QStringLiteral("b")); // the same value
        table->post();
        QCOMPARE(table->rowStatus(), MemTable::Unchanged);

        table->append();
        table->setValue(QStringLiteral("A"), QStringLiteral("new"));
        table->post();
        QCOMPARE(table->rowStatus(), MemTable::Inserted);
        table->edit();
        table->setValue(QStringLiteral("A"), QStringLiteral("newer"));
        table->post();
        QCOMPARE(table->rowStatus(), MemTable::Inserted);

        // A row inserted and removed again before the write is no deletion.
        table->remove();
        QVERIFY(table->removedRows().isEmpty());

        table->setRecNo(2);
        table->remove();
        QCOMPARE(table->removedRows().size(), 1);
        QCOMPARE(table->removedRows().first().value(QStringLiteral("A")).toString(), QStringLiteral("c"));
        QCOMPARE(table->removedValues(QStringLiteral("id")), QVariantList{qlonglong(3)});
        QCOMPARE(table->rowStatusAt(0), MemTable::Modified);

        table->resetChangeTracking();
        QVERIFY(table->removedRows().isEmpty());
        QCOMPARE(table->rowStatusAt(0), MemTable::Unchanged);
    }

    void locate_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("recNo");
        QTest::newRow("exact") << "Beta" << false << true << 1;
        QTest::newRow("other case, case-sensitive") << "beta" << false << false << 2;
        QTest::newRow("other case, case-insensitive") << "beta" << true << true << 1;
        QTest::newRow("absent keeps the cursor") << "delta" << false << false << 2;
    }
    void locate()
    {
        QFETCH(QString, wanted);
        QFETCH(bool, caseInsensitive);
        QFETCH(bool, found);
        QFETCH(int, recNo);
        auto table = lettersTable({"Alpha", "Beta", "Gamma"});
        table->last();
        QCOMPARE(table->locate(QStringLiteral("A"), wanted, caseInsensitive), found);
        QCOMPARE(table->recNo(), recNo);
        QVERIFY(table->locate(QStringLiteral("ID"), 1));
        QCOMPARE(table->recNo(), 0);
        QVERIFY(!table->locate(QStringLiteral("ID"), QStringLiteral("not a number")));
    }

    void locatePostsThePendingEdit()
    {
        auto table = lettersTable({"a", "b"});
        table->setValue(QStringLiteral("A"), QStringLiteral("x"));
        QVERIFY(table->locate(QStringLiteral("A"), QStringLiteral("b")));
        QCOMPARE(table->state(), MemTable::Browse);
        QCOMPARE(column(*table, QStringLiteral("A")), QStringLiteral("x,b"));
    }

    void walkVisitsEveryRowOnce()
    {
        auto table = lettersTable({"a", "b", "c"});
        QStringList seen;
        for (table->first(); !table->eof(); table->next())
            seen << table->value(QStringLiteral("A")).toString();
        QCOMPARE(seen, QStringList({"a", "b", "c"}));
        QStringList back;
        for (table->last(); !table->bof(); table->prior())
            back << table->value(QStringLiteral("A")).toString();
        QCOMPARE(back, QStringList({"c", "b", "a"}));
        MemTable empty;
        empty.open();
        QVERIFY(empty.eof() && empty.bof());
        QCOMPARE(empty.recNo(), -1);
    }

    void detailFollowsMaster()
    {
        MemTable master;
        master.addField(QStringLiteral("ID"), FieldType::Integer);
        master.open();
        for (int id : {1, 2, 3}) {
            master.append();
            master.setValue(0, id);
            master.post();
        }
        MemTable detail;
        detail.addField(QStringLiteral("PROJECT_ID"), FieldType::Integer);
        detail.addField(QStringLiteral("N"), FieldType::Integer);
        detail.open();
        const QList<int> keys{1, 2, 1, 3, 1, 2};
        for (int i = 0; i < keys.size(); ++i) {
            detail.append();
            detail.setValue(0, keys.at(i));
            detail.setValue(1, i);
            detail.post();
        }
        master.first();
        detail.setMasterLink(&master, QStringLiteral("id"), QStringLiteral("project_id"));
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("0,2,4"));
        QCOMPARE(detail.recNo(), 0);

        QSignalSpy resets(&detail, &MemTable::rowsReset);
        master.next();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("1,5"));
        QCOMPARE(resets.count(), 1);

        // A new detail row belongs to the master's current key.
        detail.append();
        QCOMPARE(detail.value(0).toLongLong(), 2);
        detail.setValue(1, 9);
        detail.post();
        master.first();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("0,2,4"));
        master.next();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("1,5,9"));

        // Moving the master posts the detail's pending edit.
        detail.setRecNo(0);
        detail.setValue(1, 10);
        master.first();
        QCOMPARE(detail.state(), MemTable::Browse);
        master.next();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("10,5,9"));

        // A row given another key leaves the view when posted.
        detail.setRecNo(1);
        detail.setValue(0, 3);
        detail.post();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("10,9"));
        master.last();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("3,5"));

        // A master key that changes is followed; rewriting the same key
        // leaves the view alone.
        resets.clear();
        master.setValue(0, 3);
        QCOMPARE(resets.count(), 0);
        master.setValue(0, 1);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("0,2,4"));
        master.cancel();
        QCOMPARE(column(detail, QStringLiteral("N")), QStringLiteral("3,5"));

        // Reloading the detail keeps the filter.
        MemTable copy;
        copy.loadFrom(detail);
        copy.setMasterLink(&master, QStringLiteral("ID"), QStringLiteral("PROJECT_ID"));
        QCOMPARE(copy.recordCount(), 2);
        detail.clearMasterLink();
        QCOMPARE(detail.recordCount(), 7);
    }

    void detailOfAnEmptyOrVanishedMaster()
    {
        auto master = std::make_unique<MemTable>();
        master->addField(QStringLiteral("ID"), FieldType::Integer);
        master->open();
        auto detail = lettersTable({"a"});
        detail->setMasterLink(master.get(), QStringLiteral("ID"), QStringLiteral("ID"));
        QCOMPARE(detail->recordCount(), 0);
        master->append();
        master->setValue(0, 1);
        master->post();
        QCOMPARE(detail->recordCount(), 1);
        master.reset();
        QCOMPARE(detail->masterTable(), nullptr);
        QCOMPARE(detail->recordCount(), 1);
    }

    void textKeyedDetail()
    {
        MemTable master;
        master.addField(QStringLiteral("CODE"), FieldType::Text);
        master.open();
        master.setValue(0, QStringLiteral("b"));
        master.post();
        auto detail = lettersTable({"a", "b", "b", "c"});
        detail->setMasterLink(&master, QStringLiteral("CODE"), QStringLiteral("A"));
        QCOMPARE(column(*detail, QStringLiteral("ID")), QStringLiteral("2,3"));
    }

    void loadFromSharesRowsUntilChanged()
    {
        auto source = lettersTable({"a", "b"});
        MemTable copy;
        copy.loadFrom(*source);
        QCOMPARE(copy.fieldNames(), QStringList({"ID", "A"}));
        QCOMPARE(copy.state(), MemTable::Browse);
        copy.setValue(QStringLiteral("A"), QStringLiteral("x"));
        copy.post();
        QCOMPARE(column(*source, QStringLiteral("A")), QStringLiteral("a,b"));
        source->last();
        source->remove();
        QCOMPARE(column(copy, QStringLiteral("A")), QStringLiteral("x,b"));
        QCOMPARE(copy.rowStatusAt(0), MemTable::Modified);
    }

    void loadFromMapsFieldsByName()
    {
        auto source = lettersTable({"12", "x"});
        MemTable target;
        target.addField(QStringLiteral("a"), FieldType::Integer);
        target.addField(QStringLiteral("MISSING"), FieldType::Text);
        target.addField(QStringLiteral("Id"), FieldType::Integer);
        target.loadFrom(*source);
        QCOMPARE(target.recordCount(), 2);
        QCOMPARE(target.value(QStringLiteral("A")).toLongLong(), 12);
        QVERIFY(target.value(QStringLiteral("MISSING")).isNull());
        target.next();
        QVERIFY(target.value(QStringLiteral("A")).isNull()); // "x" is no integer
        QCOMPARE(target.value(QStringLiteral("ID")).toLongLong(), 2);
    }

    void loadFromQueryTakesDriverTypes()
    {
        TestDatabase db;
        db.exec(QStringLiteral("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values ('One',3,0)"));
        db.exec(QStringLiteral("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values (null,null,1)"));
        QSqlQuery query = db.connection().exec(
            QStringLiteral("select ID,DESCRIPTION,CUSTOMER_ID from PROJECTS order by ID"));
        MemTable table;
        table.loadFromQuery(query);
        QCOMPARE(table.fieldNames(), QStringList({"ID", "DESCRIPTION", "CUSTOMER_ID"}));
        QCOMPARE(table.fieldDef(0).type, FieldType::Integer);
        QCOMPARE(table.fieldDef(1).type, FieldType::Text);
        QCOMPARE(table.recordCount(), 2);
        QCOMPARE(table.value(QStringLiteral("DESCRIPTION")).toString(), QStringLiteral("One"));
        QCOMPARE(table.value(QStringLiteral("CUSTOMER_ID")).toLongLong(), 3);
        table.next();
        QVERIFY(table.value(QStringLiteral("DESCRIPTION")).isNull());
        QVERIFY(table.value(QStringLiteral("CUSTOMER_ID")).isNull());
    }

    void modelPassesTheModelTester()
    {
        auto table = lettersTable({"a", "b", "c"});
        MemTable master;
        master.addField(QStringLiteral("ID"), FieldType::Integer);
        master.open();
        master.setValue(0, 2);
        master.post();
        QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(table->model()->columnCount(), 2);
        QCOMPARE(table->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("A"));
        run(*table, QStringLiteral("rec:1;insert;set:A=n;post;append;first;last;remove;rec:0;remove"));
        QCOMPARE(table->model()->rowCount(), 2);
        table->setMasterLink(&master, QStringLiteral("ID"), QStringLiteral("ID"));
        QCOMPARE(table->model()->rowCount(), 1);
        run(*table, QStringLiteral("append;set:A=z;post;insert;first"));
        QCOMPARE(table->model()->rowCount(), 2);
        table->clearMasterLink();
        table->close();
        QCOMPARE(table->model()->rowCount(), 0);
        table->loadFrom(*lettersTable({"p", "q"}));
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(table->model()->data(table->model()->index(1, 1), Qt::EditRole), QVariant(QStringLiteral("q")));
    }

    // Rows added or replaced in place keep the cursor on its row and the
    // rows' status; a table read in packets asks its reader when the model
    // is asked for more.
    void rowsAddedInPlaceAndInPackets_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("cursorAfter");
        QTest::addColumn<int>("cursorMoves"); // currentChanged signals
        QTest::newRow("on top") << 0 << "x,y,a,b,c" << 3 << 1;
        QTest::newRow("between") << 2 << "a,b,x,y,c" << 1 << 0;
        QTest::newRow("past the end") << 9 << "a,b,c,x,y" << 1 << 0;
    }
    void rowsAddedInPlaceAndInPackets()
    {
        QFETCH(int, position);
        QFETCH(QString, letters);
        QFETCH(int, cursorAfter);
        QFETCH(int, cursorMoves);
        auto table = lettersTable({"a", "b", "c"});
        QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        table->setRecNo(1);
        // Unlike fields convert: the source's ID is text here.
        MemTable packet;
        packet.addField(QStringLiteral("A"), FieldType::Text);
        packet.addField(QStringLiteral("ID"), FieldType::Text);
        packet.open();
        run(packet, QStringLiteral("append;set:A=x;set:ID=7;append;set:A=y;set:ID=8;post"));
        QSignalSpy resets(table.get(), &MemTable::rowsReset);
        QSignalSpy moves(table.get(), &MemTable::currentChanged);
        table->insertRows(position, packet);
        QCOMPARE(moves.size(), cursorMoves);
        QCOMPARE(column(*table, QStringLiteral("A")), letters);
        QCOMPARE(table->recNo(), cursorAfter);
        QCOMPARE(table->value(QStringLiteral("A")).toString(), QStringLiteral("b"));
        QCOMPARE(table->rowStatusAt(std::min(position, 3)), MemTable::Unchanged);
        QCOMPARE(table->valueAt(std::min(position, 3), 0).toLongLong(), 7);
        QCOMPARE(resets.size(), 0);
        packet.first();
        table->replaceRow(0, packet);
        QCOMPARE(table->valueAt(0, 1).toString(), QStringLiteral("x"));
        QCOMPARE(table->rowStatusAt(0), MemTable::Unchanged);

        int reads = 0;
        table->setPacketReader([&] {
            ++reads;
            table->insertRows(table->recordCount(), packet);
            table->setMoreRows(reads < 2);
        });
        QVERIFY(!table->model()->canFetchMore({}));
        table->setMoreRows(true);
        while (table->model()->canFetchMore({}))
            table->model()->fetchMore({});
        QCOMPARE(reads, 2);
        QCOMPARE(table->recordCount(), 9);
        QCOMPARE(moves.size(), cursorMoves); // packets go in below the cursor

        // A packet that cannot be read is reported once; the view asks no more.
        MessageService::useTestAnswers();
        table->setPacketReader([] { throw AppError(QStringLiteral("connection lost")); });
        table->setMoreRows(true);
        while (table->model()->canFetchMore({}) && MessageService::shownForTests().size() < 3)
            table->model()->fetchMore({});
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(!table->canFetchMore());
        QCOMPARE(table->recordCount(), 9);
        table->close();
        QVERIFY(!table->canFetchMore());
    }

    void modelEditsTheRowItIsGiven()
    {
        auto table = lettersTable({"a", "b", "c"});
        QAbstractTableModel* model = table->model();
        QVERIFY(model->setData(model->index(2, 1), QStringLiteral("z"), Qt::EditRole));
        QCOMPARE(table->recNo(), 2);
        QCOMPARE(table->state(), MemTable::Edit);
        QCOMPARE(model->data(model->index(2, 1), Qt::DisplayRole).toString(), QStringLiteral("z"));

        // An unchanged value starts no edit.
        table->post();
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("a"), Qt::EditRole));
        QCOMPARE(table->state(), MemTable::Browse);

        MessageService::useTestAnswers();
        QVERIFY(!model->setData(model->index(0, 0), QStringLiteral("abc"), Qt::EditRole));
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QVERIFY(MessageService::shownForTests().first().text.contains(QStringLiteral("abc")));
        QCOMPARE(table->valueAt(0, 0).toLongLong(), 1);
        QCOMPARE(table->state(), MemTable::Browse);
    }

    void disabledControlsSeeNoCursorMoves()
    {
        auto table = lettersTable({"a", "b", "c"});
        QSignalSpy moves(table.get(), &MemTable::currentChanged);
        table->disableControls();
        table->disableControls();
        for (table->first(); !table->eof(); table->next()) {
        }
        table->enableControls();
        QCOMPARE(moves.count(), 0);
        QVERIFY(table->controlsDisabled());
        table->enableControls();
        QCOMPARE(moves.count(), 1);
        QCOMPARE(moves.first().first().toInt(), 2);
        table->first();
        QCOMPARE(moves.count(), 2);
    }

    void signalsOfAnEdit()
    {
        auto table = lettersTable({"a", "b"});
        QSignalSpy states(table.get(), &MemTable::stateChanged);
        QSignalSpy rows(table.get(), &MemTable::rowChanged);
        QSignalSpy posting(table.get(), &MemTable::aboutToPost);
        table->setRecNo(1);
        table->setValue(QStringLiteral("A"), QStringLiteral("x"));
        table->post();
        QCOMPARE(states.count(), 2);
        QCOMPARE(states.at(0).first().value<MemTable::State>(), MemTable::Edit);
        QCOMPARE(states.at(1).first().value<MemTable::State>(), MemTable::Browse);
        QVERIFY(rows.count() >= 1);
        QCOMPARE(rows.first().first().toInt(), 1);
        QCOMPARE(posting.count(), 1);
    }

    void closedTableRefusesWrites()
    {
        MemTable table;
        table.addField(QStringLiteral("A"), FieldType::Text);
        QCOMPARE(table.state(), MemTable::Inactive);
        QVERIFY_THROWS_EXCEPTION(AppError, table.append());
        QVERIFY_THROWS_EXCEPTION(AppError, table.setValue(0, QStringLiteral("x")));
        QVERIFY(table.value(0).isNull());
        table.open();
        table.setValue(0, QStringLiteral("x"));
        table.post();
        table.close();
        QCOMPARE(table.recordCount(), 0);
        table.open();
        QCOMPARE(table.recordCount(), 0);
    }
};

QTEST_MAIN(TestMemTable)
#include "tst_MemTable.moc"
