#include "replacefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

namespace {

bool fail(QString *error, const QString &action, const QString &path, const QString &reason)
{
    if (error)
        *error = QStringLiteral("Cannot %1 file \"%2\". %3").arg(action, QDir::toNativeSeparators(path), reason);
    return false;
}

// The mode a file created by open() with 0666 gets: the process's umask applies.
mode_t createdFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    mode_t mask = 022;
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:"))
                mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 0666 & ~mask;
}

} // namespace

bool replaceFile(const QString &path, const QByteArray &contents, QString *error)
{
    // What is there is replaced only when it is a regular file of this user with one name: a
    // planted link or a second name would lead the picture to another file.
    struct stat there {};
    if (lstat(QFile::encodeName(path).constData(), &there) == 0) {
        if (!S_ISREG(there.st_mode) || there.st_uid != geteuid() || there.st_nlink != 1)
            return fail(error, QStringLiteral("create"), path,
                        QStringLiteral("Something other than a file of yours is there; it is left alone."));
    } else if (errno != ENOENT) {
        return fail(error, QStringLiteral("create"), path, QString::fromLocal8Bit(strerror(errno)));
    }
    // A new name beside it, made exclusively, then renamed over the path: the rename replaces
    // the name itself, never what a link swapped in meanwhile points to.
    QTemporaryFile temporary(path + QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        return fail(error, QStringLiteral("create"), path, temporary.errorString());
    if (temporary.write(contents) != contents.size() || !temporary.flush()
        || fchmod(temporary.handle(), createdFileMode()) != 0)
        return fail(error, QStringLiteral("write"), path, temporary.errorString());
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return fail(error, QStringLiteral("write"), path, QString::fromLocal8Bit(strerror(errno)));
    temporary.setAutoRemove(false);
    return true;
}

} // namespace tovra
