#include "sharedport.h"

#include "writeall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
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

// The target of the link at `path`, or an empty text when there is no link there.
QByteArray linkTarget(const QByteArray &path)
{
    char target[256];
    const ssize_t length = readlink(path.constData(), target, sizeof target - 1);
    return length < 0 ? QByteArray() : QByteArray(target, length);
}

} // namespace

SharedPort::SharedPort(QObject *parent)
    : QObject(parent)
{
}

SharedPort::~SharedPort()
{
    close();
}

QString SharedPort::defaultLinkPath()
{
    const QString chosen = qEnvironmentVariable("TOVRA_SHARE_PATH");
    if (!chosen.isEmpty())
        return chosen;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime + QStringLiteral("/tovra/port");
}

bool SharedPort::open(const QString &linkPath, QString *error)
{
    close();
    const QString folder = QFileInfo(linkPath).absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    if (mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST)
        return fail(error, QStringLiteral("Cannot create the folder ") + folder + QStringLiteral(": ") + systemText());
    struct stat folderInfo {};
    if (lstat(folderName.constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return fail(error, folder + QStringLiteral(" is not a folder"));

    // The lock tells a stale link from one that another running program serves.
    const QByteArray lockName = QFile::encodeName(linkPath + QStringLiteral(".lock"));
    lock = ::open(lockName.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        const QString reason = systemText();
        close();
        return fail(error, QStringLiteral("Cannot lock ") + linkPath + QStringLiteral(": ") + reason);
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        close();
        return fail(error, QStringLiteral("Another program already shares a laser at ") + linkPath);
    }

    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        const QString reason = systemText();
        close();
        return fail(error, QStringLiteral("Cannot create a pseudo-terminal: ") + reason);
    }
    device = QString::fromLocal8Bit(name);
    terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings {};
    if (terminal < 0 || tcgetattr(terminal, &settings) != 0) {
        const QString reason = systemText();
        close();
        return fail(error, QStringLiteral("Cannot open ") + device + QStringLiteral(": ") + reason);
    }
    // Only this user's scripts: the terminal group's write access (for "wall" and "write") would
    // let other users put lines on it.
    fchmod(terminal, 0600);
    // Raw until the script sets its own line settings: no echo, no line-end translation.
    cfmakeraw(&settings);
    tcsetattr(terminal, TCSANOW, &settings);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (!createLink(linkPath, error)) {
        close();
        return false;
    }
    readable = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(readable, &QSocketNotifier::activated, this, &SharedPort::readAvailable);
    return true;
}

bool SharedPort::createLink(const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (lstat(name.constData(), &info) == 0) {
        const bool staleLinkOfOurs = S_ISLNK(info.st_mode) && info.st_uid == getuid()
                                     && linkTarget(name).startsWith("/dev/pts/");
        if (!staleLinkOfOurs)
            return fail(error, path + QStringLiteral(" exists and is not a link left by this program; it is left alone"));
        if (unlink(name.constData()) != 0 && errno != ENOENT)
            return fail(error, QStringLiteral("Cannot replace ") + path + QStringLiteral(": ") + systemText());
    } else if (errno != ENOENT) {
        return fail(error, QStringLiteral("Cannot use ") + path + QStringLiteral(": ") + systemText());
    }
    if (symlink(QFile::encodeName(device).constData(), name.constData()) != 0)
        return fail(error, QStringLiteral("Cannot link ") + path + QStringLiteral(": ") + systemText());
    link = path;
    return true;
}

void SharedPort::close()
{
    if (readable) {
        readable->setEnabled(false);
        readable->deleteLater();
        readable = nullptr;
    }
    // Another program may have taken the path over since.
    if (!link.isEmpty() && linkTarget(QFile::encodeName(link)) == QFile::encodeName(device))
        unlink(QFile::encodeName(link).constData());
    for (int *descriptor : {&terminal, &master, &lock}) {
        if (*descriptor >= 0)
            ::close(*descriptor);
        *descriptor = -1;
    }
    device.clear();
    link.clear();
    unread.clear();
    current.clear();
    overlong = false;
    afterCarriageReturn = false;
    readFailed = false;
    lines.clear();
    linesTaken = 0;
}

QByteArray SharedPort::takeLine()
{
    if (lines.isEmpty())
        return QByteArray();
    ++linesTaken;
    return lines.takeFirst();
}

void SharedPort::answer(const QByteArray &reply)
{
    if (!isOpen() || linesTaken == 0)
        return;
    --linesTaken;
    writeToScript(reply + "\r\n");
    // Bytes already read may hold further lines; the pty itself may not signal again.
    readAvailable();
}

void SharedPort::readAvailable()
{
    bool arrived = false;
    while (isOpen() && waitingLines() < MaxWaitingLines) {
        if (unread.isEmpty()) {
            char buffer[512];
            const ssize_t count = ::read(master, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && errno == EAGAIN)
                break;
            if (count <= 0) {
                // Cannot happen while the program holds the terminal side; never spin on it.
                readFailed = true;
                break;
            }
            unread = QByteArray(buffer, count);
        }
        arrived = assembleOneLine() || arrived;
    }
    // Past the limit the pty is left unread: the script's writes block until answers go out.
    if (readable)
        readable->setEnabled(!readFailed && waitingLines() < MaxWaitingLines);
    if (arrived)
        emit lineArrived();
}

// Cuts `unread` up to the end of the next line. A line ends at CR or LF; the LF of a CR LF pair
// ends nothing more, even when it comes in a later read.
bool SharedPort::assembleOneLine()
{
    qsizetype used = 0;
    bool completed = false;
    while (used < unread.size() && !completed) {
        const char byte = unread.at(used++);
        const bool endsPair = byte == '\n' && afterCarriageReturn;
        afterCarriageReturn = byte == '\r';
        if (endsPair)
            continue;
        if (byte == '\r' || byte == '\n') {
            if (!overlong) {
                lines.append(current);
                completed = true;
            }
            current.clear();
            overlong = false;
        } else if (!overlong) {
            if (current.size() < MaxLineLength) {
                current.append(byte);
            } else {
                overlong = true;
                current.clear();
                emit overlongLineDropped();
            }
        }
    }
    unread.remove(0, used);
    return completed;
}

// A reader that leaves a whole pty buffer of answers unread has gone; what it left is dropped so
// that the answers of the next script get through.
void SharedPort::writeToScript(const QByteArray &bytes)
{
    bool droppedUnread = false;
    writeAll(master, bytes.constData(), bytes.size(), [this, &droppedUnread] {
        if (droppedUnread)
            return false;
        tcflush(terminal, TCIFLUSH);
        droppedUnread = true;
        return true;
    });
}

} // namespace tovra
