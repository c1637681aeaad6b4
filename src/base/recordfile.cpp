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

// Opens `fileName` for writing, emptied, or gives -1. The checks are made on the opened file
// itself, so nothing can be swapped in between: O_NOFOLLOW refuses a symbolic link, O_NONBLOCK
// keeps a planted FIFO from blocking the open, and the file is emptied only once it proved to be
// a regular file of this user with one name (a hard link would let the truncation reach another
// file).
int openOwnRegularFile(const QString &fileName)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat info = {};
    const bool ownRegularFile = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
        && info.st_nlink == 1;
    if (!ownRegularFile || ::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, O_WRONLY) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

RecordFile::~RecordFile()
{
    close();
}

bool RecordFile::create(const QString &fileName, const QStringList &headerLines)
{
    close();
    name = fileName;
    descriptor = openOwnRegularFile(fileName);
    recordedSize = 0;
    if (descriptor < 0)
        return false;
    for (const QString &line : headerLines) {
        if (!append(line.toLatin1() + "\r\n")) {
            close();
            return false;
        }
    }
    return true;
}

bool RecordFile::append(const QByteArray &bytes)
{
    const qint64 written = writeAll(descriptor, bytes.constData(), bytes.size());
    if (written < bytes.size()) {
        if (written > 0 && ::ftruncate(descriptor, recordedSize) != 0)
            qWarning("%s: a partly written line could not be removed", qPrintable(name));
        return false;
    }
    recordedSize += written;
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
    ::close(descriptor);
    descriptor = -1;
}

} // namespace tovra
