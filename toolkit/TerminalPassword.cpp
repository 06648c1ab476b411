#include "toolkit/TerminalPassword.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What a signal handler needs to give the terminal its echo back.
int s_fd = -1;
termios s_saved;

constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

extern "C" void restoreAndRaise(int signal)
{
    if (s_fd >= 0)
        tcsetattr(s_fd, TCSANOW, &s_saved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

std::optional<QString> TerminalPassword::readFrom(int fd, const QString& prompt)
{
    termios saved;
    if (!isatty(fd) || tcgetattr(fd, &saved) != 0)
        return std::nullopt;

    struct sigaction handler = {};
    handler.sa_handler = restoreAndRaise;
    sigemptyset(&handler.sa_mask);
    struct sigaction previous[sizeof(HandledSignals) / sizeof(int)];
    s_saved = saved;
    s_fd = fd;
    for (size_t i = 0; i < sizeof(HandledSignals) / sizeof(int); ++i)
        sigaction(HandledSignals[i], &handler, &previous[i]);

    termios silent = saved;
    silent.c_lflag &= tcflag_t(~ECHO);
    silent.c_lflag |= ECHONL; // the Enter key still moves to the next line
    tcsetattr(fd, TCSAFLUSH, &silent);
    writeAll(fd, prompt.toLocal8Bit());

    QByteArray line;
    bool ended = false;
    while (!ended) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            ended = true;
        else
            line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);

    tcsetattr(fd, TCSANOW, &saved);
    s_fd = -1;
    for (size_t i = 0; i < sizeof(HandledSignals) / sizeof(int); ++i)
        sigaction(HandledSignals[i], &previous[i], nullptr);
    return QString::fromLocal8Bit(line);
}

std::optional<QString> TerminalPassword::read(const QString& prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<QString> password = readFrom(fd, prompt);
    ::close(fd);
    return password;
}
