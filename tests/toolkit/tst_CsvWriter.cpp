#include "toolkit/AppError.h"
#include "toolkit/CsvWriter.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

class TestCsvWriter : public QObject
{
    Q_OBJECT

private slots:
    void fields_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "Portal" << "Portal";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks are data") << " Portal " << " Portal ";
        QTest::newRow("comma") << "Portal, phase 2" << "\"Portal, phase 2\"";
        QTest::newRow("quote doubled") << "the \"new\" site" << "\"the \"\"new\"\" site\"";
        QTest::newRow("line feed") << "two\nlines" << "\"two\nlines\"";
        QTest::newRow("carriage return") << "two\rlines" << "\"two\rlines\"";
        QTest::newRow("only a quote") << "\"" << "\"\"\"\"";
        QTest::newRow("semicolon is no separator") << "a;b" << "a;b";
        QTest::newRow("non-Latin letters") << "Έργο проект 計画" << "Έργο проект 計画";
    }
    void fields()
    {
        QFETCH(QString, value);
        QFETCH(QString, field);
        QCOMPARE(CsvWriter::field(value), field);
    }

    // Records larger than one block, and many of them, arrive whole and in order.
    void recordsAcrossBlocks()
    {
        QByteArray bytes;
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::WriteOnly));
        const QString wide(70000, QLatin1Char('x'));
        QByteArray expected;
        {
            CsvWriter writer(&device);
            for (int i = 0; i < 3000; ++i) {
                const QStringList fields{QString::number(i), i == 1500 ? wide : QStringLiteral("a,b"), QString()};
                writer.writeRecord(fields);
                expected += CsvWriter::record(fields).toUtf8() + "\r\n";
            }
            writer.flush();
            QCOMPARE(bytes.size(), expected.size());
        }
        QCOMPARE(bytes, expected);
        QVERIFY(bytes.startsWith("0,\"a,b\",\r\n1,\"a,b\",\r\n"));
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    }

    void refusedWriteIsReported()
    {
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full here");
        CsvWriter writer(&full);
        writer.writeRecord({QStringLiteral("a")});
        QVERIFY_THROWS_EXCEPTION(AppError, writer.flush());
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_CsvWriter.moc"
