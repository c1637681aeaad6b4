#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace tovra::test {

// A pseudo-terminal standing in for a serial device: the port under test opens the slave through
// a link, the test plays the device on the master. Raw bytes only, no laser behind it.
class RawPty
{
public:
    explicit RawPty(const QString &linkPath);
    ~RawPty();
    RawPty(const RawPty &) = delete;
    RawPty &operator=(const RawPty &) = delete;

    QString devicePath() const { return device; }
    void send(const QByteArray &bytes);
    // From a thread of its own, so that it happens while the test's thread is blocked in a read.
    void sendLater(std::chrono::milliseconds delay, const QByteArray &bytes);
    // Closing the master hangs up the slave and removes its device node.
    void hangUp();
    void hangUpLater(std::chrono::milliseconds delay);
    // What the port wrote: waits until `count` bytes came or the timeout passed.
    QByteArray receive(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    std::atomic<int> master{-1};
    QString link;
    QString device;
    std::vector<std::thread> scheduled;
};

// A temporary folder of port links: while it exists TOVRA_PORT_PATTERN maps port n to
// <folder>/com<n>, and `plug` puts a pty on a port number.
class PortFolder
{
public:
    PortFolder();
    ~PortFolder();
    PortFolder(const PortFolder &) = delete;
    PortFolder &operator=(const PortFolder &) = delete;

    RawPty &plug(int port);
    QString pathOf(int port) const;
    // Points port `port` at another pty, as if a different device were plugged in there.
    void relink(int port, const RawPty &pty);
    void setPattern(const QString &pattern);

private:
    QTemporaryDir folder;
    QByteArray previousPattern;
    bool hadPattern = false;
    std::map<int, std::unique_ptr<RawPty>> ptys;
};

} // namespace tovra::test
