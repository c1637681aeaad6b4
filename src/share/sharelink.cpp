#include "sharelink.h"

#include "privatefolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

namespace {

QString systemText()
{
    return QString::fromLocal8Bit(strerror(errno));
}

bool fail(QString *error, const QString &text)
{
    *error = text;
    return false;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

ShareLink::~ShareLink()
{
    remove();
}

bool ShareLink::create(const QString &path, const QString &device, QString *error)
{
    remove();
    const QFileInfo info(path);
    linkPath = path;
    linkName = QFile::encodeName(info.fileName());
    lockName = linkName + ".lock";
    target = QFile::encodeName(device);
    if (openFolder(info.absolutePath(), error) && takeLock(error) && placeLink(error))
        return true;
    remove();
    return false;
}

bool ShareLink::openFolder(const QString &name, QString *error)
{
    folder = openPrivateFolder(name, error);
    return folder >= 0;
}

bool ShareLink::takeLock(QString *error)
{
    lock = openat(folder, lockName.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    lockLeftBefore = lock < 0 && errno == EEXIST;
    if (lockLeftBefore)
        lock = openat(folder, lockName.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat opened {};
    if (lock < 0 || fstat(lock, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_uid != geteuid())
        return fail(error, QStringLiteral("Cannot lock ") + linkPath + QStringLiteral(": ")
                               + (lock < 0 ? systemText() : QStringLiteral("the lock file is not yours")));
    // A program ending removes its lock file: the one locked here must still be the one there.
    struct stat there {};
    if (flock(lock, LOCK_EX | LOCK_NB) != 0
        || fstatat(folder, lockName.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(opened, there)) {
        ::close(lock);
        lock = -1;
        return fail(error, QStringLiteral("Another program already shares a laser at ") + linkPath);
    }
    return true;
}

bool ShareLink::placeLink(QString *error)
{
    struct stat there {};
    if (fstatat(folder, linkName.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
        char found[256];
        const ssize_t length = readlinkat(folder, linkName.constData(), found, sizeof found);
        const bool oursLeft = lockLeftBefore && S_ISLNK(there.st_mode) && there.st_uid == geteuid() && length > 0
                              && QByteArray(found, length).startsWith("/dev/pts/");
        if (!oursLeft)
            return fail(error, linkPath + QStringLiteral(" exists and was not made by this program; it is left alone"));
        if (unlinkat(folder, linkName.constData(), 0) != 0 && errno != ENOENT)
            return fail(error, QStringLiteral("Cannot replace ") + linkPath + QStringLiteral(": ") + systemText());
    } else if (errno != ENOENT) {
        return fail(error, QStringLiteral("Cannot use ") + linkPath + QStringLiteral(": ") + systemText());
    }
    if (symlinkat(target.constData(), folder, linkName.constData()) != 0)
        return fail(error, QStringLiteral("Cannot link ") + linkPath + QStringLiteral(": ") + systemText());
    return true;
}

void ShareLink::remove()
{
    if (lock >= 0) {
        // Only our own link: the path may have been taken over since.
        char found[256];
        const ssize_t length = readlinkat(folder, linkName.constData(), found, sizeof found);
        if (length >= 0 && QByteArray(found, length) == target)
            unlinkat(folder, linkName.constData(), 0);
        unlinkat(folder, lockName.constData(), 0);
        ::close(lock);
        lock = -1;
    }
    if (folder >= 0)
        ::close(folder);
    folder = -1;
    lockLeftBefore = false;
    linkPath.clear();
}

} // namespace tovra
