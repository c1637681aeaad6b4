#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QFileSystemWatcher;

namespace tovra {

class UdevMonitor;

// Wakes whoever looks for a serial port that went away, without spinning: when the system adds a
// tty device (udev), when the folder that held the port's device path changes (links such as
// those of /dev/serial/by-id or of TOVRA_PORT_PATTERN come and go there), and at a slow retry
// in any case. It only says "look again"; what to look for is the caller's business.
class PortWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds RetryInterval{2000};

    explicit PortWatcher(QObject *parent = nullptr);
    ~PortWatcher() override;

    // Watches for the port whose device path was `devicePath`. A folder that is gone as well
    // (by-id folders go with their last device) is watched through the nearest folder above it.
    void start(const QString &devicePath);
    void stop();
    bool isWatching() const { return retry.isActive(); }
    // Tests stretch the retry to show that the other ways find a port, or shorten it.
    void setRetryInterval(std::chrono::milliseconds interval) { retry.setInterval(interval); }
    // Whether udev's events reach the program on this system.
    bool udevActive() const;

signals:
    void lookAgain();

private:
    void watchFolders();
    void folderChanged();

    std::unique_ptr<UdevMonitor> udev;
    std::unique_ptr<QFileSystemWatcher> folders;
    QTimer retry;
    QString watchedPath;
};

} // namespace tovra
