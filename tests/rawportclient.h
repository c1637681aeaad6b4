#pragma once

// The program's end of the line, reduced to open(2), termios and poll, on a simulated laser of its
// own: how the simulator tests talk to the laser without the program's port.

#include "simulatedlaser.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace tovra::test {

// The program's end of the line.
class RawPortClient
{
    using Clock = std::chrono::steady_clock;

public:
    explicit RawPortClient(const QString &path)
        : fd(open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios settings {};
        if (fd >= 0 && tcgetattr(fd, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd, TCSANOW, &settings);
        }
    }
    ~RawPortClient()
    {
        if (fd >= 0)
            close(fd);
    }
    RawPortClient(const RawPortClient &) = delete;
    RawPortClient &operator=(const RawPortClient &) = delete;

    bool isOpen() const { return fd >= 0; }

    void writeBytes(const QByteArray &bytes)
    {
        QCOMPARE_EQ(write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
    void writeLine(const QByteArray &line) { writeBytes(line + "\r\n"); }

    // The bytes up to and including the next carriage return, or what came before the timeout.
    QByteArray readReply(std::chrono::milliseconds timeout = std::chrono::seconds(2))
    {
        const auto deadline = Clock::now() + timeout;
        while (!pending.contains('\r')) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - Clock::now());
            const QByteArray more = readArrival(std::max(left, std::chrono::milliseconds(0)));
            if (more.isEmpty())
                break;
            pending += more;
        }
        const qsizetype end = pending.indexOf('\r');
        if (end < 0)
            return std::exchange(pending, {});
        const QByteArray reply = pending.left(end + 1);
        pending.remove(0, end + 1);
        return reply;
    }

    // Everything that arrives within `span`.
    QByteArray readFor(std::chrono::milliseconds span)
    {
        const auto end = Clock::now() + span;
        QByteArray bytes = std::exchange(pending, {});
        for (auto left = span; left > std::chrono::milliseconds(0);
             left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()))
            bytes += readArrival(left);
        return bytes;
    }

    // What is waiting now, or the next arrival within the timeout.
    QByteArray readSome(std::chrono::milliseconds timeout)
    {
        return pending.isEmpty() ? readArrival(timeout) : std::exchange(pending, {});
    }

    // The reply to `line` without its carriage return; an unterminated reply is marked.
    QByteArray ask(const QByteArray &line)
    {
        writeLine(line);
        const QByteArray reply = readReply();
        return reply.endsWith('\r') ? reply.chopped(1) : "<unterminated: " + reply + ">";
    }

    bool hangsUp(std::chrono::milliseconds timeout)
    {
        pollfd watched {fd, POLLIN, 0};
        return poll(&watched, 1, int(timeout.count())) > 0
                && (watched.revents & (POLLHUP | POLLERR));
    }

private:
    QByteArray readArrival(std::chrono::milliseconds timeout)
    {
        pollfd watched {fd, POLLIN, 0};
        if (poll(&watched, 1, int(timeout.count())) <= 0 || !(watched.revents & POLLIN))
            return {};
        char buffer[256];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        return count > 0 ? QByteArray(buffer, count) : QByteArray();
    }

    int fd;
    QByteArray pending; // read past the last reply handed out
};

// One simulated laser on a link in a folder of its own, with a client on its port.
struct LaserOnPort
{
    explicit LaserOnPort(const sim::LaserConfig &config = {})
        : laser(config)
    {
        if (laser.start(linkPath()))
            client = std::make_unique<RawPortClient>(linkPath());
    }
    QString linkPath() const { return dir.filePath(QStringLiteral("com1")); }
    bool ready() const { return client && client->isOpen(); }

    QTemporaryDir dir;
    sim::SimulatedLaser laser;
    std::unique_ptr<RawPortClient> client;
};

} // namespace tovra::test
