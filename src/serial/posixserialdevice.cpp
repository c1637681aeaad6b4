#include "posixserialdevice.h"

#include "writeall.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/prctl.h>
#endif

#include <array>
#include <utility>

namespace tovra {

namespace {

using Clock = std::chrono::steady_clock;

// A line held off by hardware handshake fails the write after this long instead of freezing the
// program; a text line needs a few milliseconds on a line that flows.
constexpr auto writeStallLimit = std::chrono::seconds(2);

struct PortRange
{
    int firstPort;
    int lastPort;
    const char *nodePrefix;
};

// Port numbers 1-100 on Linux: RS-232 ports first, then USB serial adapters, then USB modems
// (CDC-ACM), each range starting at the driver's node 0. Kept in step with README.md.
constexpr std::array<PortRange, 3> portRanges{{
    {1, 32, "/dev/ttyS"},
    {33, 66, "/dev/ttyUSB"},
    {67, 100, "/dev/ttyACM"},
}};

constexpr std::array<std::pair<int32_t, speed_t>, 30> standardSpeeds{{
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

std::optional<speed_t> speedFor(int32_t baud)
{
    for (const auto &[rate, speed] : standardSpeeds) {
        if (rate == baud)
            return speed;
    }
    return std::nullopt;
}

int toPollTimeout(Clock::duration remaining)
{
    if (remaining <= Clock::duration::zero())
        return 0;
    // Rounded up, so that a wait never ends before the time it was asked to cover.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return ms > 60'000 ? 60'000 : int(ms);
}

// The group whose members may use the device: the node's own group where it grants read and
// write access (uucp on some systems), otherwise the usual one for serial ports.
QString accessGroupOf(const QString &path)
{
    struct stat info {};
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_gid != 0
        && (info.st_mode & groupReadWrite) == groupReadWrite) {
        if (const group *owner = ::getgrgid(info.st_gid))
            return QString::fromLocal8Bit(owner->gr_name);
    }
    return QStringLiteral("dialout");
}

QString currentUserName()
{
    if (const passwd *user = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return QStringLiteral("$USER");
}

SerialDevice::OpenError classify(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case EIO: // a ttyS node without a UART behind it
        return SerialDevice::OpenError::Absent;
    case EACCES:
    case EPERM:
        return SerialDevice::OpenError::PermissionDenied;
    case EBUSY:
        return SerialDevice::OpenError::Busy;
    default:
        return SerialDevice::OpenError::Other;
    }
}

QString describe(SerialDevice::OpenError error, const QString &path, int errorNumber)
{
    switch (error) {
    case SerialDevice::OpenError::Absent:
        return QStringLiteral("no device at %1 (%2)").arg(path, qt_error_string(errorNumber));
    case SerialDevice::OpenError::PermissionDenied:
        return QStringLiteral("permission denied for %1. Add your user to the group \"%2\" "
                              "(sudo usermod -a -G %2 %3) and log in again.")
            .arg(path, accessGroupOf(path), currentUserName());
    case SerialDevice::OpenError::Busy:
        return QStringLiteral("%1 is busy (already open elsewhere)").arg(path);
    case SerialDevice::OpenError::Other:
    case SerialDevice::OpenError::None:
        break;
    }
    return QStringLiteral("%1: %2").arg(path, qt_error_string(errorNumber));
}

void report(SerialDevice::OpenError kind, const QString &text, SerialDevice::OpenError *error,
            QString *reason)
{
    if (error)
        *error = kind;
    if (reason)
        *reason = text;
}

} // namespace

std::unique_ptr<SerialDevice> createSerialDevice()
{
    return std::make_unique<PosixSerialDevice>();
}

void pauseUntil(Clock::time_point end)
{
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(end.time_since_epoch());
    const timespec wakeAt{time_t(sinceEpoch.count() / 1'000'000'000), long(sinceEpoch.count() % 1'000'000'000)};
#if defined(__linux__)
    // The thread's timer slack lets the kernel wake a sleeper up to 50 us late, so as to group
    // wake-ups; a 1 ms pause would grow by that much. Held off for this sleep only.
    const int slack = ::prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    // steady_clock is CLOCK_MONOTONIC here; an absolute wake-up time survives interruptions.
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wakeAt, nullptr) == EINTR) {
    }
#if defined(__linux__)
    if (slack > 0)
        ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack), 0UL, 0UL, 0UL);
#endif
}

QString devicePathForPort(int port)
{
    const QString pattern = qEnvironmentVariable("TOVRA_PORT_PATTERN");
    if (!pattern.isEmpty())
        return QString(pattern).replace(QLatin1String("%d"), QString::number(port));
    for (const PortRange &range : portRanges) {
        if (port >= range.firstPort && port <= range.lastPort)
            return QLatin1String(range.nodePrefix) + QString::number(port - range.firstPort);
    }
    return {};
}

// The path's own entry (a link made anew gets a new inode) and the device it leads to (a node
// made anew may get another number).
QByteArray portAppearance(int port)
{
    const QByteArray path = QFile::encodeName(devicePathForPort(port));
    struct stat entry {};
    struct stat device {};
    if (path.isEmpty() || lstat(path.constData(), &entry) != 0 || stat(path.constData(), &device) != 0
        || !S_ISCHR(device.st_mode))
        return {};
    // Inode and device numbers are reused at once; the change times of a node or link made anew
    // are not.
    const auto changed = [](const struct stat &status) {
        return QByteArray::number(qint64(status.st_ctim.tv_sec)) + '.' + QByteArray::number(qint64(status.st_ctim.tv_nsec));
    };
    return QByteArray::number(quint64(entry.st_dev)) + ':' + QByteArray::number(quint64(entry.st_ino)) + ':'
           + changed(entry) + ':' + QByteArray::number(quint64(device.st_rdev)) + ':' + changed(device);
}

PosixSerialDevice::~PosixSerialDevice()
{
    close();
}

bool PosixSerialDevice::open(int port, OpenError *error, QString *reason)
{
    close();
    const QString path = devicePathForPort(port);
    if (path.isEmpty()) {
        report(OpenError::Absent, QStringLiteral("no device is assigned to this port number"),
               error, reason);
        return false;
    }
    const int opened = openDevice(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) {
        const int errorNumber = errno;
        const OpenError kind = classify(errorNumber);
        report(kind, describe(kind, path, errorNumber), error, reason);
        return false;
    }
    fd = opened;
    hungUp = false;
    lookahead.reset();
    if (!claimExclusively(path, error, reason)) {
        close();
        return false;
    }
    requestLowLatency();
    report(OpenError::None, QString(), error, reason);
    return true;
}

bool PosixSerialDevice::claimExclusively(const QString &path, OpenError *error, QString *reason)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        report(OpenError::Other, QStringLiteral("%1 is not a serial device").arg(path), error,
               reason);
        return false;
    }
    // The lock sits on the device itself, so a link and the node it points to meet here; unlike
    // TIOCEXCL it also keeps out root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int errorNumber = errno;
        const OpenError kind = errorNumber == EWOULDBLOCK ? OpenError::Busy : OpenError::Other;
        report(kind, describe(kind, path, errorNumber), error, reason);
        return false;
    }
    // Keeps out programs that open the device without locking it. Not every driver supports it.
    markedExclusive = ::ioctl(fd, TIOCEXCL) == 0;
    return true;
}

void PosixSerialDevice::requestLowLatency()
{
#if defined(__linux__)
    // FTDI adapters otherwise hold received bytes for up to 16 ms before passing them on.
    // Ptys and many drivers do not know the request; the port works either way.
    serial_struct serial {};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= static_cast<int>(ASYNC_LOW_LATENCY);
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#endif
}

void PosixSerialDevice::close()
{
    if (fd < 0)
        return;
    // A pty keeps its exclusive mark while the other side stays open; this program's next open
    // of the same port must not find it. A mark set by another holder stays.
    if (markedExclusive)
        ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    fd = -1;
    markedExclusive = false;
    lookahead.reset();
}

bool PosixSerialDevice::settingsReadable() const
{
    termios settings {};
    return fd >= 0 && ::tcgetattr(fd, &settings) == 0;
}

bool PosixSerialDevice::applySettings(const LineSettings &line)
{
    termios settings {};
    if (fd < 0 || ::tcgetattr(fd, &settings) != 0)
        return false;

    // Raw bytes both ways: no line editing, echo, signals, translation or software flow control.
    settings.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON
                                  | IXOFF | IXANY | INPCK);
    settings.c_oflag &= ~tcflag_t(OPOST);
    settings.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    // Parity is generated on output only: INPCK stays off, so received parity is not checked.
    if (line.parity != TParity::parNone)
        settings.c_cflag |= PARENB;
    if (line.parity == TParity::parOdd)
        settings.c_cflag |= PARODD;
    if (line.handshake == THandshake::hsHardware)
        settings.c_cflag |= CRTSCTS;
    // With VMIN 1 a non-blocking read of an empty queue fails with EAGAIN, so a read returning 0
    // always means the line hung up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;

    bool applied = true;
    if (const auto speed = speedFor(line.baud)) {
        ::cfsetispeed(&settings, *speed);
        ::cfsetospeed(&settings, *speed);
    } else {
        applied = false; // the port keeps the speed it had
    }
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        // Some devices (pseudo-terminals among them) refuse a parity setting and with it the
        // whole request; the rest of the settings, raw mode above all, must still apply.
        settings.c_cflag &= ~tcflag_t(PARENB | PARODD);
        applied = ::tcsetattr(fd, TCSANOW, &settings) == 0 && line.parity == TParity::parNone && applied;
    }
    setModemLines(line.handshake);
    return applied;
}

void PosixSerialDevice::setModemLines(THandshake handshake)
{
    // Ptys have no modem lines and refuse these requests (ENOTTY, EINVAL); nothing depends on
    // them succeeding. Under hardware handshake the driver drives RTS itself.
    int dtr = TIOCM_DTR;
    int both = TIOCM_DTR | TIOCM_RTS;
    switch (handshake) {
    case THandshake::hsNone:
        ::ioctl(fd, TIOCMBIC, &both);
        break;
    case THandshake::hsHardware:
        ::ioctl(fd, TIOCMBIC, &dtr);
        break;
    case THandshake::hsAssertAll:
        ::ioctl(fd, TIOCMBIS, &both);
        break;
    }
}

int PosixSerialDevice::bytesWaiting()
{
    if (fd < 0)
        return 0;
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) {
        // A hung-up tty answers every request but close with EIO.
        hungUp = hungUp || errno == EIO;
        waiting = 0;
    }
    return waiting + (lookahead ? 1 : 0);
}

int64_t PosixSerialDevice::read(char *buffer, int64_t size)
{
    if (fd < 0 || size < 0)
        return -1;
    int64_t taken = 0;
    if (lookahead && size > 0) {
        buffer[taken++] = *lookahead;
        lookahead.reset();
    }
    if (taken == size)
        return taken;
    const ssize_t got = ::read(fd, buffer + taken, size_t(size - taken));
    if (got > 0)
        return taken + got;
    if (got == 0 || errno == EIO) {
        hungUp = true;
        return taken > 0 ? taken : -1;
    }
    return errno == EAGAIN || errno == EINTR || taken > 0 ? taken : -1;
}

int64_t PosixSerialDevice::write(const char *data, int64_t size)
{
    if (fd < 0 || size < 0)
        return -1;
    const auto deadline = Clock::now() + writeStallLimit;
    return writeAll(fd, data, size, [this, deadline] { return waitWritable(deadline); });
}

bool PosixSerialDevice::waitWritable(Clock::time_point deadline)
{
    for (;;) {
        pollfd watch{fd, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, toPollTimeout(deadline - Clock::now()));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (watch.revents & POLLOUT) && !(watch.revents & (POLLHUP | POLLERR));
    }
}

void PosixSerialDevice::purge()
{
    if (fd < 0)
        return;
    ::tcflush(fd, TCIOFLUSH);
    lookahead.reset();
}

SerialDevice::WaitResult PosixSerialDevice::waitReadable(std::chrono::milliseconds timeout)
{
    if (fd < 0 || hungUp)
        return WaitResult::HungUp;
    if (lookahead)
        return WaitResult::Readable;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        pollfd watch{fd, POLLIN, 0};
        const int ready = ::poll(&watch, 1, toPollTimeout(deadline - Clock::now()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (watch.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            hungUp = true;
            return WaitResult::HungUp;
        }
        if (ready == 0)
            return WaitResult::TimedOut;
        const WaitResult result = checkReadiness();
        if (result != WaitResult::TimedOut || Clock::now() >= deadline)
            return result;
    }
}

// poll() said readable. Usually the input count shows why; when it does not, one byte is read to
// tell a hang-up (end of file) from data the count did not show yet. TimedOut here means a
// wake-up without either.
SerialDevice::WaitResult PosixSerialDevice::checkReadiness()
{
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0)
        return WaitResult::Readable;
    char byte = 0;
    const ssize_t got = ::read(fd, &byte, 1);
    if (got == 1) {
        lookahead = byte;
        return WaitResult::Readable;
    }
    if (got == 0 || errno == EIO) {
        hungUp = true;
        return WaitResult::HungUp;
    }
    return WaitResult::TimedOut;
}

} // namespace tovra
