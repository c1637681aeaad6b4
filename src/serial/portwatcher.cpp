#include "portwatcher.h"

#include "udevmonitor.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace tovra {

PortWatcher::PortWatcher(QObject *parent)
    : QObject(parent)
{
    retry.setInterval(RetryInterval);
    connect(&retry, &QTimer::timeout, this, &PortWatcher::lookAgain);
}

PortWatcher::~PortWatcher() = default;

void PortWatcher::start(const QString &devicePath)
{
    stop();
    watchedPath = devicePath;
    udev = std::make_unique<UdevMonitor>();
    connect(udev.get(), &UdevMonitor::ttyAdded, this, &PortWatcher::lookAgain);
    folders = std::make_unique<QFileSystemWatcher>();
    connect(folders.get(), &QFileSystemWatcher::directoryChanged, this, &PortWatcher::folderChanged);
    watchFolders();
    retry.start();
}

void PortWatcher::stop()
{
    retry.stop();
    folders.reset();
    udev.reset();
}

bool PortWatcher::udevActive() const
{
    return udev && udev->isActive();
}

// The port's own folder, or the nearest one above it that exists while the port's is gone.
void PortWatcher::watchFolders()
{
    QString folder = QFileInfo(watchedPath).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    const QStringList watched = folders->directories();
    if (watched == QStringList{folder})
        return;
    if (!watched.isEmpty())
        folders->removePaths(watched);
    folders->addPath(folder);
}

// A folder above the port's may have gained the port's own folder: the watch moves down to it.
void PortWatcher::folderChanged()
{
    if (folders)
        watchFolders();
    emit lookAgain();
}

} // namespace tovra
