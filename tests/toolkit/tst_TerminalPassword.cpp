#include "toolkit/TerminalPassword.h"

#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <thread>

namespace {

bool echoIsOn(int fd)
{
    termios settings;
    tcgetattr(fd, &settings);
    return settings.c_lflag & ECHO;
}


} // namespace

class TestTerminalPassword : public QObject
{
    Q_OBJECT

    int m_master = -1;
    int m_slave = -1;
    QByteArray m_screen;

    // Everything the terminal has shown so far.
    const QByteArray& shown()
    {
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            m_screen.append(buffer, n);
        return m_screen;
    }

private slots:
    void init()
    {
        m_screen.clear();
        QCOMPARE(openpty(&m_master, &m_slave, nullptr, nullptr, nullptr), 0);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    void cleanup()
    {
        ::close(m_master);
        ::close(m_slave);
    }

    void typedPasswordIsNotShown_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << QByteArray("s3cret\n") << "s3cret";
        QTest::newRow("blanks are kept") << QByteArray(" two words \n") << " two words ";
        QTest::newRow("not ASCII") << QByteArray("gr\xc3\xbc\xc3\x9f" "e\n") << QString::fromUtf8("grüße");
        QTest::newRow("empty") << QByteArray("\n") << "";
    }
    void typedPasswordIsNotShown()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QString, password);
        QVERIFY(echoIsOn(m_slave));
        std::optional<QString> read;
        std::thread reader([&] { read = TerminalPassword::readFrom(m_slave, QStringLiteral("Password for chidi: ")); });
        // Type only once the echo is off, as a person would after the prompt.
        QTRY_VERIFY_WITH_TIMEOUT(!echoIsOn(m_slave), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(shown().contains("Password for chidi: "), 5000);
        QCOMPARE(::write(m_master, typed.constData(), size_t(typed.size())), ssize_t(typed.size()));
        reader.join();
        QVERIFY(read.has_value());
        QCOMPARE(*read, password);
        // The prompt and the line feed of Enter; never the typed text.
        QCOMPARE(shown(), QByteArray("Password for chidi: \r\n"));
        QVERIFY(echoIsOn(m_slave)); // given back
    }

    void noTerminalGivesNothing()
    {
        int pipeFds[2];
        QCOMPARE(::pipe(pipeFds), 0);
        QVERIFY(!TerminalPassword::readFrom(pipeFds[0], QStringLiteral("Password: ")).has_value());
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
    }
};

QTEST_GUILESS_MAIN(TestTerminalPassword)
#include "tst_TerminalPassword.moc"
