#include "rawpty.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tovra::test {

RawPty::RawPty(const QString &linkPath) : link(linkPath)
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0)
        qFatal("cannot open a pseudo-terminal");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    device = QString::fromLocal8Bit(::ptsname(fd));
    master = fd;
    QFile::remove(link);
    if (!QFile::link(device, link))
        qFatal("cannot link the pseudo-terminal");
}

RawPty::~RawPty()
{
    for (std::thread &thread : scheduled)
        thread.join();
    hangUp();
    QFile::remove(link);
}

void RawPty::send(const QByteArray &bytes)
{
    if (::write(master, bytes.constData(), size_t(bytes.size())) != bytes.size())
        qWarning("the pseudo-terminal took less than was sent");
}

void RawPty::sendLater(std::chrono::milliseconds delay, const QByteArray &bytes)
{
    scheduled.emplace_back([this, delay, bytes] {
        std::this_thread::sleep_for(delay);
        send(bytes);
    });
}

void RawPty::hangUp()
{
    const int fd = master.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

void RawPty::hangUpLater(std::chrono::milliseconds delay)
{
    scheduled.emplace_back([this, delay] {
        std::this_thread::sleep_for(delay);
        hangUp();
    });
}

QByteArray RawPty::receive(int count, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    QByteArray received;
    while (received.size() < count && Clock::now() < deadline) {
        pollfd watch{master, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&watch, 1, int(left.count())) <= 0)
            continue;
        char buffer[256];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got > 0)
            received.append(buffer, got);
        else if (got < 0 && errno != EAGAIN && errno != EINTR)
            break; // EIO: the slave is closed and everything it wrote was taken
    }
    return received;
}

PortFolder::PortFolder()
    : previousPattern(qgetenv("TOVRA_PORT_PATTERN"))
    , hadPattern(qEnvironmentVariableIsSet("TOVRA_PORT_PATTERN"))
{
    setPattern(folder.path() + QStringLiteral("/com%d"));
}

PortFolder::~PortFolder()
{
    ptys.clear();
    if (hadPattern)
        qputenv("TOVRA_PORT_PATTERN", previousPattern);
    else
        qunsetenv("TOVRA_PORT_PATTERN");
}

RawPty &PortFolder::plug(int port)
{
    auto &slot = ptys[port];
    slot.reset(); // its link goes with it, before the new one is made
    slot = std::make_unique<RawPty>(pathOf(port));
    return *slot;
}

QString PortFolder::pathOf(int port) const
{
    return folder.path() + QStringLiteral("/com") + QString::number(port);
}

void PortFolder::relink(int port, const RawPty &pty)
{
    QFile::remove(pathOf(port));
    QFile::link(pty.devicePath(), pathOf(port));
}

void PortFolder::setPattern(const QString &pattern)
{
    qputenv("TOVRA_PORT_PATTERN", pattern.toLocal8Bit());
}

} // namespace tovra::test
