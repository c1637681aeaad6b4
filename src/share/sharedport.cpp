#include "sharedport.h"

#include "privatefolder.h"
#include "writeall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tovra {

namespace {

// A speed no script asks for, so that every script's set-up changes it.
constexpr speed_t ResetSpeed = B50;

QString systemText()
{
    return QString::fromLocal8Bit(strerror(errno));
}

bool fail(QString *error, const QString &text)
{
    *error = text;
    return false;
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
    return runtimePath(QStringLiteral("port"));
}

bool SharedPort::open(const QString &linkPath, QString *error)
{
    close();
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
    cfsetspeed(&settings, ResetSpeed);
    tcsetattr(terminal, TCSANOW, &settings);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (!watchClosing(error) || !link.create(linkPath, device, error)) {
        close();
        return false;
    }
    readable = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(readable, &QSocketNotifier::activated, this, &SharedPort::readAvailable);
    return true;
}

bool SharedPort::watchClosing(QString *error)
{
    closings = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closings < 0 || inotify_add_watch(closings, QFile::encodeName(device).constData(), IN_CLOSE) < 0)
        return fail(error, QStringLiteral("Cannot watch ") + device + QStringLiteral(": ") + systemText());
    closed = new QSocketNotifier(closings, QSocketNotifier::Read, this);
    connect(closed, &QSocketNotifier::activated, this, &SharedPort::noticeScriptClosed);
    return true;
}

void SharedPort::noticeScriptClosed()
{
    char events[4096];
    while (::read(closings, events, sizeof events) > 0) {
    }
    letNextSetUpThrough();
}

// Only the speed: a script still on the port keeps its other settings, and a pty carries no bits
// on a wire, so its speed means nothing to the data.
void SharedPort::letNextSetUpThrough()
{
    termios settings {};
    if (tcgetattr(terminal, &settings) == 0 && cfgetospeed(&settings) != ResetSpeed) {
        cfsetspeed(&settings, ResetSpeed);
        tcsetattr(terminal, TCSANOW, &settings);
    }
}

void SharedPort::close()
{
    for (QSocketNotifier **notifier : {&readable, &closed}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    link.remove();
    for (int *descriptor : {&terminal, &master, &closings}) {
        if (*descriptor >= 0)
            ::close(*descriptor);
        *descriptor = -1;
    }
    device.clear();
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
    if (!hasLine())
        return QByteArray();
    ++linesTaken;
    return lines.takeFirst().text;
}

void SharedPort::answer(const QByteArray &reply)
{
    if (!isOpen() || linesTaken == 0)
        return;
    --linesTaken;
    writeToScript(reply + "\r\n");
    answerOverlongLines();
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
        answerOverlongLines();
    }
    // Past the limit the pty is left unread: the script's writes block until answers go out.
    if (readable)
        readable->setEnabled(!readFailed && waitingLines() < MaxWaitingLines);
    // A script may close and open again before its close is noticed: the speed is set back as
    // soon as it speaks, too.
    if (arrived)
        letNextSetUpThrough();
    if (arrived && hasLine())
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
            lines.append({current, overlong});
            completed = true;
            current.clear();
            overlong = false;
        } else if (!overlong) {
            if (current.size() < MaxLineLength) {
                current.append(byte);
            } else {
                overlong = true;
                current.clear();
            }
        }
    }
    unread.remove(0, used);
    return completed;
}

// An over-long line is answered once every line before it has been: answers keep the lines' order.
void SharedPort::answerOverlongLines()
{
    while (linesTaken == 0 && !lines.isEmpty() && lines.first().tooLong && isOpen()) {
        lines.removeFirst();
        writeToScript(QByteArray(LineTooLong) + "\r\n");
        emit overlongLineAnswered();
    }
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
