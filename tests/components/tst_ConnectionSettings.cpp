#include "components/o_ConnectionSettings.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "support/TestDatabase.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestConnectionSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TqvOptionsManager m_options;

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath("options.ini"));
        m_options.setOptionsFileName(m_dir.filePath("options.ini"));
        AppPaths::setApplicationFolderForTests(m_dir.path());
    }

    void readsOnlyTheChosenKind()
    {
        m_options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 1);
        m_options.WriteValue(Options::ConnectionSection, Options::ServerName, "db.example,1433");
        m_options.WriteValue(Options::ConnectionSection, Options::DataBaseName, "hw");
        m_options.WriteEncodedValue(Options::ConnectionSection, Options::UserName, "sa");
        m_options.WriteEncodedValue(Options::ConnectionSection, Options::Password, "p;w={x");
        m_options.WriteValue(Options::ExportSection, Options::DataBasePath, "elsewhere.db");
        const ConnectionSettings settings = ConnectionSettings::read(m_options);
        QCOMPARE(settings.kind, 1);
        QCOMPARE(settings.dataBasePath, QString());
        QCOMPARE(settings.password, QStringLiteral("p;w={x"));
        QCOMPARE(settings.odbcConnectionString(),
                 QStringLiteral("DRIVER={FreeTDS};SERVER={db.example,1433};DATABASE={hw};UID={sa};PWD={p;w={x};"
                                "ClientCharset=UTF-8"));
    }

    // FreeTDS would take "}}" as it stands: "ab}c" arrived as "ab}}c", and
    // "x};UID=sa" chose the login. Such a value is refused, naming it.
    void sqlServerRefusesABrace_data()
    {
        QTest::addColumn<QStringList>("values"); // server, database, user, password
        QTest::addColumn<QString>("named");
        QTest::newRow("password") << QStringList{"db", "hw", "app", "ab}c"} << "password";
        QTest::newRow("password that would choose the login") << QStringList{"db", "hw", "app", "x};UID=sa"}
                                                              << "password";
        QTest::newRow("user name") << QStringList{"db", "hw", "a}p", "pw"} << "user name";
        QTest::newRow("database") << QStringList{"db", "h}w", "app", "pw"} << "database name";
    }
    void sqlServerRefusesABrace()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, named);
        ConnectionSettings settings;
        settings.kind = Dialect::SqlServer;
        settings.serverName = values[0];
        settings.dataBaseName = values[1];
        settings.userName = values[2];
        settings.password = values[3];
        try {
            settings.odbcConnectionString();
            QFAIL("expected a refusal");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().startsWith("The " + named + " contains '}'"), qPrintable(error.message()));
        }
    }

    // TLS reaches libpq as the options say: the mode, and the CA file
    // taken from the options file's folder.
    void serverConnectOptions_data()
    {
        QTest::addColumn<QString>("sslMode");
        QTest::addColumn<QString>("rootCert");
        QTest::addColumn<QString>("expected"); // "!" and a message: refused
        QTest::newRow("none") << "" << "" << "";
        QTest::newRow("verify-full, relative file") << "verify-full" << "certs\\team ca.pem"
                                                    << "sslmode=verify-full;sslrootcert='@/certs/team ca.pem'";
        QTest::newRow("absolute file") << "" << "/etc/ssl/ca.pem" << "sslrootcert='/etc/ssl/ca.pem'";
        QTest::newRow("unknown mode") << "always" << "" << "!SslMode always is none of";
        QTest::newRow("';' in the file") << "" << "a;b.pem" << "!cannot hold a ';'";
    }
    void serverConnectOptions()
    {
        QFETCH(QString, sslMode);
        QFETCH(QString, rootCert);
        QFETCH(QString, expected);
        ConnectionSettings settings;
        settings.kind = Dialect::PostgreSql;
        settings.sslMode = sslMode;
        settings.sslRootCert = rootCert;
        settings.baseFolder = m_dir.path();
        expected.replace("@", m_dir.path());
        try {
            const QString options = Dialect::connectOptions(settings, 5);
            QVERIFY2(!expected.startsWith('!'), qPrintable(options));
            QVERIFY2(options.startsWith("connect_timeout=5;keepalives=1;keepalives_idle=10;keepalives_interval=3;"
                                        "keepalives_count=3;tcp_user_timeout=7000;client_encoding=UTF8"
                                        + QString(expected.isEmpty() ? "" : ";")
                                        + expected + ";application_name="),
                     qPrintable(options));
        } catch (const DatabaseError& error) {
            QVERIFY2(expected.startsWith('!') && error.message().contains(expected.mid(1)), qPrintable(error.message()));
        }
    }

    void localFileDefaultsAndPaths_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("resolved");
        QTest::newRow("default") << QString() << "DataBase/hwr.db";
        QTest::newRow("backslashes") << "Data\\sub\\x.db" << "Data/sub/x.db";
        QTest::newRow("absolute") << "/var/lib/hw.db" << "/var/lib/hw.db";
    }
    void localFileDefaultsAndPaths()
    {
        QFETCH(QString, written);
        QFETCH(QString, resolved);
        m_options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 0);
        if (!written.isEmpty())
            m_options.WriteValue(Options::ExportSection, Options::DataBasePath, written);
        const ConnectionSettings settings = ConnectionSettings::read(m_options);
        QCOMPARE(settings.dataBasePath, written.isEmpty() ? Options::DefaultDataBasePath : written);
        const QString expected = resolved.startsWith('/') ? resolved : m_dir.path() + "/" + resolved;
        QCOMPARE(settings.resolvedDataBasePath(), expected);
    }

    void openOutcomes()
    {
        // Kind 0 with the file present opens it.
        TestDatabase db;
        m_options.WriteValue(Options::ConnectionSection, Options::DatabaseType, 0);
        m_options.WriteValue(Options::ExportSection, Options::DataBasePath, db.path());
        DbConnection connection;
        QVERIFY_SQL(ConnectionSettings::read(m_options).open(connection));
        QVERIFY(connection.isOpen());
        QCOMPARE(Dialect::kindOf(connection), int(Dialect::LocalFile));

        // A missing file fails with its path and stays missing.
        const QString missing = m_dir.filePath("none/hwr.db");
        m_options.WriteValue(Options::ExportSection, Options::DataBasePath, missing);
        DbConnection second;
        try {
            ConnectionSettings::read(m_options).open(second);
            QFAIL("expected a failure");
        } catch (const DatabaseError& error) {
            QVERIFY(error.message().contains(missing));
        }
        QVERIFY(!QFileInfo::exists(missing));
    }

    void unknownKindTellsToRunSetup_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QString();
        QTest::newRow("minus one") << "-1";
        QTest::newRow("three") << "3";
    }
    void unknownKindTellsToRunSetup()
    {
        QFETCH(QString, kind);
        if (!kind.isEmpty())
            m_options.WriteValue(Options::ConnectionSection, Options::DatabaseType, kind);
        DbConnection connection;
        try {
            ConnectionSettings::read(m_options).open(connection);
            QFAIL("expected a failure");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().contains("hourwright -setup"), qPrintable(error.message()));
        }
    }

    void textKindIsAConversionError()
    {
        m_options.WriteValue(Options::ConnectionSection, Options::DatabaseType, "Access");
        QVERIFY_THROWS_EXCEPTION(AppError, ConnectionSettings::read(m_options));
    }

    void dialectTexts()
    {
        QCOMPARE(Dialect::fullName(0, "DEV."), QStringLiteral("DEV.LASTNAME || ' ' || DEV.NAME"));
        QCOMPARE(Dialect::fullName(1, "DEV."), QStringLiteral("DEV.LASTNAME + ' ' + DEV.NAME"));
        QCOMPARE(Dialect::lastIdStatement(1), QStringLiteral("select @@IDENTITY as LAST_ID"));
        QCOMPARE(Dialect::lastIdStatement(0), QStringLiteral("select last_insert_rowid() as LAST_ID"));
        QCOMPARE(Dialect::textLiteral(1, QString::fromUtf8("Łódź 'n' 日本")), QString::fromUtf8("N'Łódź ''n'' 日本'"));
        QCOMPARE(Dialect::textLiteral(0, "it's"), QStringLiteral("'it''s'"));
        QCOMPARE(Dialect::textLiteral(1, QString()), QStringLiteral("N''"));
        ConnectionSettings sqlServer;
        sqlServer.kind = Dialect::SqlServer;
        QCOMPARE(Dialect::connectOptions(sqlServer, 5),
                 QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5;SQL_ATTR_CONNECTION_TIMEOUT=7"));
        // No wait on a server is left to the driver's own limit, which may be none.
        QCOMPARE(Dialect::connectOptions(sqlServer, 0),
                 QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5;SQL_ATTR_CONNECTION_TIMEOUT=7"));
        ConnectionSettings postgres;
        postgres.kind = Dialect::PostgreSql;
        QVERIFY(Dialect::connectOptions(postgres, 0).contains("connect_timeout=5"));
        ConnectionSettings file;
        file.kind = Dialect::LocalFile;
        QCOMPARE(Dialect::connectOptions(file, 5), QString());
    }
};

QTEST_GUILESS_MAIN(TestConnectionSettings)
#include "tst_ConnectionSettings.moc"
