#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tovra {

// Tells when the system adds a serial (tty) device, from udev's event stream, without polling:
// the stream's socket is watched by the event loop. Where the system offers no stream (no
// netlink, no udev) `isActive` is false and nothing is ever told; callers have other ways to look.
class UdevMonitor : public QObject
{
    Q_OBJECT
public:
    // `source` is udev's own stream ("udev": devices whose nodes and links are made) or the
    // kernel's ("kernel": devices as the kernel announces them, before udev has made the nodes).
    explicit UdevMonitor(const QString &source = QStringLiteral("udev"), QObject *parent = nullptr);
    ~UdevMonitor() override;

    bool isActive() const { return monitor != nullptr; }
    // Why the monitor is not active, for the operator's log and for tests that skip.
    QString inactiveReason() const { return reason; }

signals:
    // A tty device was added (or announced again); `devicePath` is its node ("/dev/ttyUSB0"),
    // empty when the event names none.
    void ttyAdded(const QString &devicePath);

private:
    void readEvents();

    udev *context = nullptr;
    udev_monitor *monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    QString reason;
};

} // namespace tovra
