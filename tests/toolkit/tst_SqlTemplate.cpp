#include "toolkit/AppError.h"
#include "toolkit/SqlTemplate.h"

#include <QtTest>

Q_DECLARE_METATYPE(SqlValue)

class TestSqlTemplate : public QObject
{
    Q_OBJECT

private slots:
    void fill_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QList<SqlValue>>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("update with apostrophe")
            << "update PROJECTS set DESCRIPTION=%s,CUSTOMER_ID=%d,IS_FINISHED=%d where ID =%d"
            << QList<SqlValue>{SqlValue::text("O'Brien's app"), SqlValue::integer(3), SqlValue::integer(1),
                               SqlValue::integer(12)}
            << "update PROJECTS set DESCRIPTION='O''Brien''s app',CUSTOMER_ID=3,IS_FINISHED=1 where ID =12";
        QTest::newRow("null and empty")
            << "insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED)\rvalues (%s,%d,%d)"
            << QList<SqlValue>{SqlValue::text(QVariant()), SqlValue::integer(QVariant()), SqlValue::integer("")}
            << "insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED)\rvalues ('',0,0)";
        QTest::newRow("delete key unquoted") << "delete from PROJECTS where ID = %s"
                                            << QList<SqlValue>{SqlValue::raw("42")}
                                            << "delete from PROJECTS where ID = 42";
        QTest::newRow("percent and backslash in text") << "x=%s" << QList<SqlValue>{SqlValue::text("100% \\ %d")}
                                                       << "x='100% \\ %d'";
        QTest::newRow("flag from bool") << "f=%d" << QList<SqlValue>{SqlValue::integer(true)} << "f=1";
        QTest::newRow("non latin") << "n=%s" << QList<SqlValue>{SqlValue::text(QString::fromUtf8("Ζωή 日本"))}
                                   << QString::fromUtf8("n='Ζωή 日本'");
        QTest::newRow("escaped percent") << "like '%%a'" << QList<SqlValue>{} << "like '%a'";
    }
    void fill()
    {
        QFETCH(QString, pattern);
        QFETCH(QList<SqlValue>, values);
        QFETCH(QString, expected);
        QCOMPARE(SqlTemplate::fill(pattern, values), expected);
    }

    void mismatchIsAnError_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QList<SqlValue>>("values");
        QTest::newRow("too few") << "%s,%d" << QList<SqlValue>{SqlValue::text("a")};
        QTest::newRow("too many") << "%d" << QList<SqlValue>{SqlValue::integer(1), SqlValue::integer(2)};
        QTest::newRow("text for %d") << "%d" << QList<SqlValue>{SqlValue::text("1")};
        QTest::newRow("unknown placeholder") << "%x" << QList<SqlValue>{};
    }
    void mismatchIsAnError()
    {
        QFETCH(QString, pattern);
        QFETCH(QList<SqlValue>, values);
        QVERIFY_THROWS_EXCEPTION(AppError, SqlTemplate::fill(pattern, values));
    }
};

QTEST_GUILESS_MAIN(TestSqlTemplate)
#include "tst_SqlTemplate.moc"
