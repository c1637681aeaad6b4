#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>

namespace tovra {

enum class THandshake : uint8_t { hsNone, hsHardware, hsAssertAll };
enum class TParity : uint8_t { parNone, parEven, parOdd };

// The operating system's side of one serial port: the thin layer under TRZComPort. The POSIX
// backend (termios, poll) is the one built today; a Win32 backend implements the same interface.
class SerialDevice
{
public:
    enum class OpenError { None, Absent, Busy, PermissionDenied, Other };
    enum class WaitResult { Readable, TimedOut, HungUp };
    struct LineSettings
    {
        int32_t baud = 9600;
        TParity parity = TParity::parNone;
        THandshake handshake = THandshake::hsNone;
    };

    virtual ~SerialDevice() = default;

    // Opens port number `port` exclusively (no second open of the same device, by any path, in this
    // or another process). On failure `reason` gets a short text for the operator.
    virtual bool open(int port, OpenError *error, QString *reason) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Whether the port's current settings can be read from the system.
    virtual bool settingsReadable() const = 0;
    // Applies the line settings; failures are ignored by the caller.
    virtual bool applySettings(const LineSettings &settings) = 0;
    // Bytes waiting in the input queue; also clears a pending line-error state.
    virtual int bytesWaiting() = 0;
    virtual int64_t read(char *buffer, int64_t size) = 0;
    virtual int64_t write(const char *data, int64_t size) = 0;
    // Discards both queues.
    virtual void purge() = 0;
    // Blocks (without spinning) until input is waiting, the timeout passes or the line hangs up.
    virtual WaitResult waitReadable(std::chrono::milliseconds timeout) = 0;
};

// The backend of the platform the program was built for.
std::unique_ptr<SerialDevice> createSerialDevice();

// Sleeps until `end` on the monotonic clock, waking at that moment rather than when the system
// would next round a timer to (the usual allowance of some 50 us on Linux): the pause before each
// line the program writes.
void pauseUntil(std::chrono::steady_clock::time_point end);

// The device node that port number `port` stands for on this platform (see README: port numbers).
QString devicePathForPort(int port);

// What stands at port `port`'s device path now: empty when no character device is there, else a
// text that differs whenever the node or the link to it was made anew (a device unplugged and
// plugged in again), so that the same device is told from one that came back.
QByteArray portAppearance(int port);

} // namespace tovra
