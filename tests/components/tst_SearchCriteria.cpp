#include "components/o_SearchCriteria.h"
#include "toolkit/AppError.h"
#include "toolkit/MemTable.h"

#include <QtTest>

#include <functional>

using Setup = std::function<void(TSearchCriteriaManager&)>;
Q_DECLARE_METATYPE(Setup)

namespace {

// PROJECTWORK with one aliased join, as most rows below use it.
void withProjects(TSearchCriteriaManager& b)
{
    b.MainTableName = "PROJECTWORK";
    b.AddJoinTable("PROJECTS", "PR", jtLeftJoin);
    b.AddJoinLink("PROJECT_ID", "PROJECTS", "PROJECTWORK", "ID", 0, false);
    b.AddSelectField("ID");
}

const QString kHead = " select PROJECTWORK.ID from  PROJECTWORK  left join  PROJECTS PR on PR.ID = PROJECTWORK.PROJECT_ID\r";

// The report window's configuration.
void reportConfiguration(TSearchCriteriaManager& b)
{
    b.MainTableName = "PROJECTWORK";
    b.AddJoinTable("PROJECTS", "PR", jtLeftJoin);
    b.AddJoinLink("PROJECT_ID", "PROJECTS", "PROJECTWORK", "ID", 0, false);
    b.AddJoinTable("DEVELOPERS", "DEV", jtLeftJoin);
    b.AddJoinLink("DEVELOPER_ID", "DEVELOPERS", "PROJECTWORK", "ID", 0, false);
    b.AddJoinTable("CUSTOMER", "CUS", jtLeftJoin);
    b.AddJoinLink("CUSTOMER_ID", "CUSTOMER", "PR", "ID", 0, false);
    for (const char* f : {"PROJECT_ID", "DEVELOPER_ID", "DAY_START", "DAY_END", "TIME_START", "TIME_END", "COMPLETED",
                          "TIME_SPEND"})
        b.AddSelectField(f);
    b.AddJoinSelectField("NAME        as CUSTOMER_NAME", "CUS");
    b.AddJoinSelectField("DESCRIPTION as PROJECT_NAME", "PR");
    b.AddJoinSelectField("LASTNAME    as DEV_LASTNAME", "DEV");
    b.AddJoinSelectField("NAME        as DEV_FIRSTNAME", "DEV");
    b.AddCriteria("DEVELOPER_ID", voEqual, boAnd);
    b.AddCriteria("PROJECT_ID", voEqual, boAnd);
    b.AddCriteria("CUSTOMER_ID", voEqual, boAnd);
    b.AddCriteria("COMPLETED", voEqual, boAnd);
    b.AddCriteria("DAY_START", voGreaterOrEqual, boAnd);
    b.AddCriteria("DAY_END", voLessOrEqual, boAnd);
    b.AddCriteria("TIME_START", voGreaterOrEqual, boAnd);
    b.AddCriteria("TIME_END", voLessOrEqual, boAnd);
}

QStringList fieldLayout(const MemTable& table)
{
    QStringList layout;
    for (int i = 0; i < table.fieldCount(); ++i)
        layout << QStringLiteral("%1:%2").arg(table.fieldDef(i).name).arg(table.fieldDef(i).size);
    return layout;
}

} // namespace

class TestSearchCriteria : public QObject
{
    Q_OBJECT

private slots:
    void valueOperatorTexts_data()
    {
        QTest::addColumn<int>("ordinal");
        QTest::addColumn<QString>("text");
        QTest::newRow("equal") << 0 << "=";
        QTest::newRow("greater") << 1 << ">";
        QTest::newRow("less") << 2 << "<";
        QTest::newRow("greater or equal") << 3 << ">=";
        QTest::newRow("less or equal") << 4 << "<=";
        QTest::newRow("not equal") << 5 << "<>";
        QTest::newRow("between") << 6 << "BETWEEN";
        QTest::newRow("in") << 7 << "IN";
        QTest::newRow("out of range") << 8 << "";
        QTest::newRow("largest byte") << 255 << "";
    }
    void valueOperatorTexts()
    {
        QFETCH(int, ordinal);
        QFETCH(QString, text);
        TSearchCriteriaManager b;
        QCOMPARE(b.ValueOperatorToStr(static_cast<TValueOperator>(ordinal)), text);
    }

    void booleanAndJoinTexts_data()
    {
        QTest::addColumn<bool>("join");
        QTest::addColumn<int>("ordinal");
        QTest::addColumn<QString>("text");
        QTest::newRow("and") << false << 0 << " and ";
        QTest::newRow("or") << false << 1 << " or ";
        QTest::newRow("connector out of range") << false << 2 << "";
        QTest::newRow("left join") << true << 0 << " left join ";
        QTest::newRow("right join") << true << 1 << " right join ";
        QTest::newRow("inner join") << true << 2 << " inner join ";
        QTest::newRow("union") << true << 3 << " union ";
        QTest::newRow("join out of range") << true << 4 << "";
    }
    void booleanAndJoinTexts()
    {
        QFETCH(bool, join);
        QFETCH(int, ordinal);
        QFETCH(QString, text);
        TSearchCriteriaManager b;
        if (join)
            QCOMPARE(b.JoinTypeToStr(static_cast<TJoinType>(ordinal)), text);
        else
            QCOMPARE(b.BooleanOperatorToStr(static_cast<TBooleanOperator>(ordinal)), text);
    }

    void tableLayouts()
    {
        TSearchCriteriaManager b;
        QCOMPARE(fieldLayout(*b.JoinTables()),
                 QStringList({"ID:0", "JoinTableName:50", "JoinOperator:50", "JoinTableAliasName:50"}));
        QCOMPARE(b.JoinTables()->fieldDef(0).type, FieldType::AutoInc);
        QCOMPARE(fieldLayout(*b.SelectFields()), QStringList({"SelectFieldName:50", "JoinTableName:50"}));
        QCOMPARE(fieldLayout(*b.Criteria()),
                 QStringList({"CriteriaFieldName:50", "CriteriaFieldValue:50", "CriteriaValueOperator:10",
                              "CriteriaBooleanOperator:15"}));
        QCOMPARE(fieldLayout(*b.JoinLinks()), QStringList({"JoinFieldName:50", "JoinTableName:50", "TableNameToJoin:50",
                                                           "JoinTableField:50", "JoinTableAliasName:50"}));
        for (MemTable* table : {b.JoinTables(), b.SelectFields(), b.Criteria(), b.JoinLinks()}) {
            QVERIFY(table->isActive());
            QCOMPARE(table->recordCount(), 0);
        }
    }

    void joinTablesAreNumberedAndStoreOperatorTexts()
    {
        TSearchCriteriaManager b;
        QCOMPARE(b.AddJoinTable("PROJECTS", "PR", jtLeftJoin), 1);
        QCOMPARE(b.AddJoinTable("DEVELOPERS", "", jtInnerJoin), 2);
        QCOMPARE(b.AddJoinTable("CUSTOMER", "CUS", jtRightJoin), 3);
        QCOMPARE(b.GetJoinOperator("DEVELOPERS"), " inner join ");
        QCOMPARE(b.GetJoinOperator("CUSTOMER"), " right join ");
        QCOMPARE(b.GetJoinOperator("customer"), ""); // names are case-sensitive
        QCOMPARE(b.GetJoinOperator("NOWHERE"), "");
        b.AddCriteria("A", voIn, boOr);
        b.Criteria()->first();
        QCOMPARE(b.Criteria()->value("CriteriaValueOperator").toString(), "IN");
        QCOMPARE(b.Criteria()->value("CriteriaBooleanOperator").toString(), " or ");
        QVERIFY(b.Criteria()->isNull("CriteriaFieldValue"));
    }

    void longNamesAreCutToTheirWidth()
    {
        TSearchCriteriaManager b;
        const QString longName = QString(60, QLatin1Char('T'));
        b.AddJoinTable(longName, "A", jtLeftJoin);
        b.JoinTables()->first();
        QCOMPARE(b.JoinTables()->value("JoinTableName").toString(), QString(50, QLatin1Char('T')));
        // The cut name is the one later links are matched against.
        QCOMPARE(b.GetJoinOperator(QString(50, QLatin1Char('T'))), " left join ");
    }

    void addToSelectIsRefused()
    {
        TSearchCriteriaManager b;
        withProjects(b);
        QVERIFY_THROWS_EXCEPTION(AppError, b.AddJoinLink("PROJECT_ID", "PROJECTS", "PROJECTWORK", "ID", 0, true));
        QCOMPARE(b.JoinLinks()->recordCount(), 1);
        QCOMPARE(b.SelectFields()->recordCount(), 1);
    }

    void overlongValueIsRefused()
    {
        TSearchCriteriaManager b;
        withProjects(b);
        b.AddCriteria("PROJECT_ID", voIn, boAnd);
        b.SetCriteriaValue("PROJECT_ID", "(1,2)", false);
        const QString list = "(" + QString("1,").repeated(30) + "1)";
        QVERIFY_THROWS_EXCEPTION(AppError, b.SetCriteriaValue("PROJECT_ID", list, false));
        // 48 characters become 50 with their quotes and still fit.
        b.SetCriteriaValue("PROJECT_ID", QString(48, QLatin1Char('x')), true);
        QCOMPARE(b.GetWhereClause(), "(PROJECT_ID IN '" + QString(48, QLatin1Char('x')) + "') ");
        QVERIFY_THROWS_EXCEPTION(AppError, b.SetCriteriaValue("PROJECT_ID", QString(49, QLatin1Char('x')), true));
    }

    void statements_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("sql");

        QTest::newRow("no criterion with a value: ends after the last join") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("COMPLETED", voEqual, boAnd);
        }) << kHead;
        QTest::newRow("one criterion") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("COMPLETED", voEqual, boAnd);
            b.SetCriteriaValue("COMPLETED", 0, false);
        }) << kHead + " where (COMPLETED = 0) ";
        QTest::newRow("middle of three without a value") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.AddCriteria("B", voEqual, boOr);
            b.AddCriteria("C", voEqual, boOr);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("C", 3, false);
        }) << kHead + " where (A = 1)  and  (C = 3) ";
        QTest::newRow("last with a value registered with or") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.AddCriteria("B", voNotEqual, boOr);
            b.AddCriteria("C", voEqual, boAnd);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("B", 2, false);
        }) << kHead + " where (A = 1)  and  (B <> 2) ";
        QTest::newRow("mixed connectors get no outer parentheses") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boOr);
            b.AddCriteria("B", voGreater, boAnd);
            b.AddCriteria("C", voLess, boAnd);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("B", 2, false);
            b.SetCriteriaValue("C", 3, false);
        }) << kHead + " where (A = 1)  or  (B > 2)  and  (C < 3) ";
        QTest::newRow("quoted date") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("DAY_START", voGreaterOrEqual, boAnd);
            b.SetCriteriaValue("DAY_START", "2009-05-01", true);
        }) << kHead + " where (DAY_START >= '2009-05-01') ";
        QTest::newRow("quoted value keeps its quotes inside the literal") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("NAME", voEqual, boAnd);
            b.SetCriteriaValue("NAME", "O'Brien') or (1=1", true);
        }) << kHead + " where (NAME = 'O''Brien'') or (1=1') ";
        QTest::newRow("unquoted value passes through unchanged") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("NAME", voEqual, boAnd);
            b.SetCriteriaValue("NAME", "'O'Brien'", false);
        }) << kHead + " where (NAME = 'O'Brien') ";
        QTest::newRow("between last has no trailing blank") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.AddCriteria("DAY_START", voBetween, boAnd);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("DAY_START", "'2009-05-01' and '2009-05-31'", false);
        }) << kHead + " where (A = 1)  and  (DAY_START BETWEEN '2009-05-01' and '2009-05-31')";
        QTest::newRow("between before another criterion keeps its connector") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voBetween, boAnd);
            b.AddCriteria("B", voIn, boAnd);
            b.SetCriteriaValue("A", "1 and 2", false);
            b.SetCriteriaValue("B", "(3,4)", false);
        }) << kHead + " where (A BETWEEN 1 and 2)  and  (B IN (3,4)) ";
        QTest::newRow("blank alias is no alias") << Setup([](TSearchCriteriaManager& b) {
            b.MainTableName = "PROJECTWORK";
            b.AddJoinTable("PROJECTS", "   ", jtInnerJoin);
            b.AddJoinLink("PROJECT_ID", "PROJECTS", "PROJECTWORK", "ID", 0, false);
            b.AddSelectField("ID");
        }) << " select PROJECTWORK.ID from  PROJECTWORK  inner join  PROJECTS on PROJECTS.ID = PROJECTWORK.PROJECT_ID\r";
        QTest::newRow("empty alias is no alias") << Setup([](TSearchCriteriaManager& b) {
            b.MainTableName = "W";
            b.AddJoinTable("P", "", jtRightJoin);
            b.AddJoinLink("P_ID", "P", "W", "ID", 0, false);
            b.AddSelectField("ID");
        }) << " select W.ID from  W  right join  P on P.ID = W.P_ID\r";
        QTest::newRow("no select entries") << Setup([](TSearchCriteriaManager& b) {
            b.MainTableName = "PROJECTWORK";
        }) << " select  from  PROJECTWORK";
        QTest::newRow("qualified select entries with column aliases") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddJoinSelectField("DESCRIPTION as PROJECT_NAME", "PR");
            b.AddSelectField("DAY_START");
        }) << " select PROJECTWORK.ID,PR.DESCRIPTION as PROJECT_NAME,PROJECTWORK.DAY_START from  PROJECTWORK  left join  "
              "PROJECTS PR on PR.ID = PROJECTWORK.PROJECT_ID\r";
        QTest::newRow("same table twice: every link takes the first keyword") << Setup([](TSearchCriteriaManager& b) {
            b.MainTableName = "W";
            b.AddJoinTable("P", "P1", jtLeftJoin);
            const int second = b.AddJoinTable("P", "P2", jtInnerJoin);
            b.AddJoinLink("A_ID", "P", "W", "ID", 0, false);
            b.AddJoinLink("B_ID", "P", "W", "ID", second, false);
            b.AddSelectField("ID");
        }) << " select W.ID from  W  left join  P P1 on P1.ID = W.A_ID\r  left join  P P2 on P2.ID = W.B_ID\r";
        QTest::newRow("links to an unknown table or ID are dropped") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddJoinLink("X_ID", "NOWHERE", "PROJECTWORK", "ID", 0, false);
            b.AddJoinLink("X_ID", "PROJECTS", "PROJECTWORK", "ID", 99, false);
        }) << kHead;
        QTest::newRow("same name set twice: the last value counts") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("A", 2, false);
        }) << kHead + " where (A = 2) ";
        QTest::newRow("name registered twice: only the first row is set") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.AddCriteria("A", voGreater, boAnd);
            b.SetCriteriaValue("A", 1, false);
        }) << kHead + " where (A = 1) ";
        QTest::newRow("null clears, unknown names change nothing") << Setup([](TSearchCriteriaManager& b) {
            withProjects(b);
            b.AddCriteria("A", voEqual, boAnd);
            b.AddCriteria("B", voEqual, boAnd);
            b.SetCriteriaValue("A", 1, false);
            b.SetCriteriaValue("B", 2, false);
            b.SetCriteriaValue("A", QVariant(), false);
            b.SetCriteriaValue("NOWHERE", 5, false);
            b.SetCriteriaValue("a", 5, false);
        }) << kHead + " where (B = 2) ";
    }
    void statements()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, sql);
        TSearchCriteriaManager b;
        setup(b);
        QCOMPARE(b.GetSQL(), sql);
    }

    void criteriaCountFollowsValues()
    {
        TSearchCriteriaManager b;
        withProjects(b);
        b.AddCriteria("A", voEqual, boAnd);
        b.AddCriteria("B", voEqual, boAnd);
        QCOMPARE(b.GetCriteriaCount(), 0);
        QCOMPARE(b.GetWhereClause(), "");
        b.SetCriteriaValue("B", 2, false);
        QCOMPARE(b.GetCriteriaCount(), 1);
        b.SetCriteriaValue("A", 1, false);
        QCOMPARE(b.GetCriteriaCount(), 2);
        b.SetCriteriaValue("B", QVariant(), false);
        QCOMPARE(b.GetCriteriaCount(), 1);
    }

    void reportStatementAsBuilt()
    {
        TSearchCriteriaManager b;
        reportConfiguration(b);
        b.SetCriteriaValue("DEVELOPER_ID", 3, false);
        b.SetCriteriaValue("PROJECT_ID", QVariant(), false);
        b.SetCriteriaValue("CUSTOMER_ID", QVariant(), false);
        b.SetCriteriaValue("COMPLETED", 1, false);
        b.SetCriteriaValue("DAY_START", "2009-05-01", true);
        b.SetCriteriaValue("DAY_END", "2009-05-31", true);
        const QString expected =
            " select PROJECTWORK.PROJECT_ID,PROJECTWORK.DEVELOPER_ID,PROJECTWORK.DAY_START,PROJECTWORK.DAY_END,"
            "PROJECTWORK.TIME_START,PROJECTWORK.TIME_END,PROJECTWORK.COMPLETED,PROJECTWORK.TIME_SPEND,"
            "CUS.NAME        as CUSTOMER_NAME,PR.DESCRIPTION as PROJECT_NAME,DEV.LASTNAME    as DEV_LASTNAME,"
            "DEV.NAME        as DEV_FIRSTNAME from  PROJECTWORK  left join  PROJECTS PR on PR.ID = "
            "PROJECTWORK.PROJECT_ID\r"
            "  left join  DEVELOPERS DEV on DEV.ID = PROJECTWORK.DEVELOPER_ID\r"
            "  left join  CUSTOMER CUS on CUS.ID = PR.CUSTOMER_ID\r"
            " where (DEVELOPER_ID = 3)  and  (COMPLETED = 1)  and  (DAY_START >= '2009-05-01')  and  "
            "(DAY_END <= '2009-05-31') ";
        QCOMPARE(b.GetSQL(), expected);

        // Nothing chosen and the box cleared.
        b.SetCriteriaValue("DEVELOPER_ID", QVariant(), false);
        b.SetCriteriaValue("COMPLETED", 0, false);
        b.SetCriteriaValue("DAY_START", QVariant(), true);
        b.SetCriteriaValue("DAY_END", QVariant(), true);
        QVERIFY(b.GetSQL().endsWith("PR.CUSTOMER_ID\r where (COMPLETED = 0) "));
    }

    void composingMovesNoCursor()
    {
        TSearchCriteriaManager b;
        reportConfiguration(b);
        b.Criteria()->setRecNo(2);
        b.JoinTables()->setRecNo(1);
        b.GetSQL();
        QCOMPARE(b.Criteria()->recNo(), 2);
        QCOMPARE(b.JoinTables()->recNo(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSearchCriteria)
#include "tst_SearchCriteria.moc"
