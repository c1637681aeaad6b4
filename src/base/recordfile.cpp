#include "recordfile.h"

#include "writeall.h"

#include <QFile>
#include <QtDebug>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

namespace {

QByteArray nativeName(const QString &fileName)
{
    return QFile::encodeName(fileName);
}

// A regular file of this user with no second name: appending to it reaches no one else's file.
bool isOwnSingleFile(const struct stat &info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

} // namespace

QString numberedFileName(const QString &fileName, int number)
{
    if (number <= 1)
        return fileName;
    const QLatin1String extension(".txt");
    const qsizetype stem = fileName.endsWith(extension) ? fileName.size() - extension.size() : fileName.size();
    return fileName.left(stem) + QLatin1Char('_') + QString::number(number) + fileName.mid(stem);
}

RecordFile::~RecordFile()
{
    close();
}

bool RecordFile::open(const QString &fileName, const QStringList &headerLines)
{
    close();
    if (!reopenWritten() && !createNew(fileName))
        return false;
    for (const QString &line : headerLines) {
        if (!append(line.toLatin1() + "\r\n")) {
            close();
            return false;
        }
    }
    return true;
}

// The checks are made on the opened file itself, so nothing can be swapped in between:
// O_NOFOLLOW refuses a symbolic link, O_NONBLOCK keeps a planted FIFO from blocking the open, and
// the file must be the very one this run made.
bool RecordFile::reopenWritten()
{
    if (!written)
        return false;
    const int fd = ::open(nativeName(written->name).constData(),
                          O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info = {};
    const bool ours = ::fstat(fd, &info) == 0 && isOwnSingleFile(info) && info.st_dev == written->device
        && info.st_ino == written->inode && info.st_size == written->size
        && info.st_mtim.tv_sec == written->modified.tv_sec && info.st_mtim.tv_nsec == written->modified.tv_nsec;
    if (!ours || ::fcntl(fd, F_SETFL, O_APPEND) != 0) {
        ::close(fd);
        return false;
    }
    descriptor = fd;
    recordedSize = info.st_size;
    return true;
}

// O_EXCL makes the file new or fails: an existing name, a symbolic link (even to nowhere)
// included, is never opened.
bool RecordFile::createNew(const QString &fileName)
{
    for (int number = 1; number <= MaxNumberedNames; ++number) {
        const QString name = numberedFileName(fileName, number);
        const int fd = ::open(nativeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        struct stat info = {};
        if (::fstat(fd, &info) != 0) {
            ::close(fd);
            return false;
        }
        descriptor = fd;
        recordedSize = 0;
        written = Written{name, info.st_dev, info.st_ino};
        return true;
    }
    return false;
}

bool RecordFile::append(const QByteArray &bytes)
{
    const qint64 done = writeAll(descriptor, bytes.constData(), bytes.size());
    if (done < bytes.size()) {
        if (done > 0 && ::ftruncate(descriptor, recordedSize) != 0)
            qWarning("%s: a partly written line could not be removed", qPrintable(fileName()));
        return false;
    }
    recordedSize += done;
    return true;
}

bool RecordFile::writeLine(const QString &line)
{
    if (!isOpen())
        return false;
    if (append(line.toLatin1() + "\r\n"))
        return true;
    close();
    if (onWriteFailure)
        onWriteFailure();
    return false;
}

void RecordFile::close()
{
    if (descriptor < 0)
        return;
    struct stat info = {};
    if (written && ::fstat(descriptor, &info) == 0) {
        written->size = info.st_size;
        written->modified = info.st_mtim;
    } else {
        written.reset(); // unknown: a later start makes a new file
    }
    ::close(descriptor);
    descriptor = -1;
}

} // namespace tovra
