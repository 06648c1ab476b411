#include "components/o_OptionsManager.h"
#include "toolkit/AppError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestOptionsManager : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;
    QString freshFile() { return m_dir.filePath(QStringLiteral("options%1.ini").arg(m_files++)); }

private slots:
    void encode_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("one byte") << QByteArray("a") << "OG";
        QTest::newRow("two bytes") << QByteArray("ab") << "OM8";
        QTest::newRow("three bytes") << QByteArray("abc") << "OM9Z";
        QTest::newRow("zero byte") << QByteArray(1, '\0') << "00";
        QTest::newRow("all ones") << QByteArray(3, '\xff') << "////";
        QTest::newRow("high bytes") << QByteArray("\xc1\xe9") << "mUa";
    }
    void encode()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, encoded);
        QCOMPARE(TqvOptionsManager::EncodeValue(plain), encoded);
        QCOMPARE(TqvOptionsManager::DecodeValue(encoded), plain);
    }

    void decode_data()
    {
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<QByteArray>("plain");
        QTest::newRow("stops at a foreign character") << "OM9Z*OG" << QByteArray("abc");
        QTest::newRow("leftover bits dropped") << "OM9" << QByteArray("ab");
        QTest::newRow("single symbol gives nothing") << "O" << QByteArray();
        // Greek capital alpha is the 65th symbol (value 64): "0" then alpha.
        QTest::newRow("greek alpha") << QString::fromUtf8("0\u0391") << QByteArray(1, char(0x04));
        QTest::newRow("greek alpha as latin-1 byte") << QString(QChar(0x30)) + QChar(0xC1) << QByteArray(1, char(0x04));
        QTest::newRow("greek small omega is 110") << QString::fromUtf8("0\u03C9") << QByteArray(1, char(0x06));
        QTest::newRow("final sigma is not in the table") << QString::fromUtf8("OM9Z\u03C2") << QByteArray("abc");
    }
    void decode()
    {
        QFETCH(QString, symbols);
        QFETCH(QByteArray, plain);
        QCOMPARE(TqvOptionsManager::DecodeValue(symbols), plain);
    }

    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        for (int length = 0; length <= all.size(); length += 7) {
            const QByteArray part = all.left(length);
            const QString encoded = TqvOptionsManager::EncodeValue(part);
            QCOMPARE(encoded.size(), (part.size() * 8 + 5) / 6);
            for (QChar c : encoded)
                QVERIFY(c.isLetterOrNumber() || c == '+' || c == '/');
            QCOMPARE(TqvOptionsManager::DecodeValue(encoded), part);
        }
    }

    void greekTableValues()
    {
        // The 47 extra symbols decode to 64..110 in table order.
        const QList<QPair<int, int>> ranges = {{0xC1, 0xD1}, {0xD3, 0xD9}, {0xE1, 0xED}, {0xEF, 0xF1}, {0xF3, 0xF9}};
        int value = 64;
        for (const auto& range : ranges) {
            for (int b = range.first; b <= range.second; ++b, ++value) {
                const QChar greek(char16_t(0x0391 + (b - 0xC1)));
                // "0" (value 0) then the symbol: 12 bits, one byte = the symbol's value >> 4.
                const QByteArray decoded = TqvOptionsManager::DecodeValue(QString(QChar('0')) + greek);
                QCOMPARE(int(uchar(decoded.at(0))), value >> 4);
            }
        }
        QCOMPARE(value, 111);
    }

    void readDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("no file") << QByteArray() << QVariant(-1);
        QTest::newRow("empty value") << QByteArray("[ConnectionSettings]\r\nDatabaseType=\r\n") << QVariant(-1);
        QTest::newRow("value") << QByteArray("[ConnectionSettings]\r\nDatabaseType=1\r\n") << QVariant(QStringLiteral("1"));
    }
    void readDefaults()
    {
        QFETCH(QByteArray, content);
        QFETCH(QVariant, expected);
        const QString path = freshFile();
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        TqvOptionsManager options;
        options.setOptionsFileName(path);
        const QVariant value = options.ReadValue(Options::ConnectionSection, Options::DatabaseType, -1);
        QCOMPARE(value, expected);
        QCOMPARE(value.typeId(), expected.typeId());
    }

    void encodedValuesOnDiskAndBack()
    {
        const QString path = freshFile();
        TqvOptionsManager options;
        options.setOptionsFileName(path);
        options.WriteEncodedValue(Options::ConnectionSection, Options::UserName, QStringLiteral("abc"));
        options.WriteEncodedValue(Options::ConnectionSection, Options::Password, QString::fromUtf8("pä;ss=wörd}"));
        options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 1);
        options.WriteValue(Options::ProjectsSection, Options::LastProjectTimeElapsed, 39944.3433912037);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray disk = file.readAll();
        QVERIFY(disk.contains("UserName=OM9Z\r\n"));
        QVERIFY(!disk.contains("wörd"));
        QVERIFY(disk.contains("DatabaseType=1\r\n"));
        QVERIFY(disk.contains("LastProjectTimeElapsed=39944.3433912037\r\n"));
        QCOMPARE(options.ReadEncodedValue(Options::ConnectionSection, Options::Password, QString()).toString(),
                 QString::fromUtf8("pä;ss=wörd}"));
        QCOMPARE(options.ReadEncodedValue(Options::ConnectionSection, "username", QString()).toString(), "abc");
    }

    void emptyEncodedValueGivesDefault()
    {
        TqvOptionsManager options;
        options.setOptionsFileName(freshFile());
        options.WriteEncodedValue(Options::ConnectionSection, Options::Password, QString());
        QCOMPARE(options.ReadEncodedValue(Options::ConnectionSection, Options::Password, "dflt").toString(), "dflt");
        QCOMPARE(options.ReadValue(Options::ConnectionSection, Options::Password, "dflt").toString(), "dflt");
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("point") << "39944.5" << 39944.5;
        QTest::newRow("comma") << "39944,5" << 39944.5;
        QTest::newRow("integer") << "0" << 0.0;
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(Options::toDouble(text), number);
    }

    void badNumbersRaise()
    {
        QVERIFY_THROWS_EXCEPTION(AppError, Options::toInt(QStringLiteral("Access")));
        QVERIFY_THROWS_EXCEPTION(AppError, Options::toDouble(QStringLiteral("soon")));
        QCOMPARE(Options::toInt(QStringLiteral(" 1 ")), 1);
    }

    void singleInstance()
    {
        QCOMPARE(GetOptionsManager(), GetOptionsManager());
    }
};

QTEST_GUILESS_MAIN(TestOptionsManager)
#include "tst_OptionsManager.moc"
