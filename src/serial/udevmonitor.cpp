#include "udevmonitor.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace tovra {

UdevMonitor::UdevMonitor(const QString &source, QObject *parent)
    : QObject(parent)
{
    context = udev_new();
    if (!context) {
        reason = QStringLiteral("udev is not available");
        return;
    }
    monitor = udev_monitor_new_from_netlink(context, source.toLatin1().constData());
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        reason = QStringLiteral("the %1 event stream cannot be opened").arg(source);
        if (monitor)
            udev_monitor_unref(monitor);
        monitor = nullptr;
        return;
    }
    notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor), QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &UdevMonitor::readEvents);
}

UdevMonitor::~UdevMonitor()
{
    notifier.reset();
    if (monitor)
        udev_monitor_unref(monitor);
    if (context)
        udev_unref(context);
}

// Every event waiting is taken, so that the notifier does not fire again for ones already read.
void UdevMonitor::readEvents()
{
    while (udev_device *device = udev_monitor_receive_device(monitor)) {
        const QByteArray action(udev_device_get_action(device));
        const char *node = udev_device_get_devnode(device);
        const QString path = node ? QString::fromLocal8Bit(node) : QString();
        udev_device_unref(device);
        if (action == "add" || action == "change")
            emit ttyAdded(path);
    }
}

} // namespace tovra
