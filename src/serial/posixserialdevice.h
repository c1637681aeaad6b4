#pragma once

#include "serialdevice.h"

#include <fcntl.h>

#include <functional>
#include <optional>

namespace tovra {

// A serial port through termios, flock and poll. The descriptor is non-blocking: reads take only
// what is waiting, and every wait happens in poll(), so nothing here spins or blocks the GUI for
// longer than the caller asked.
class PosixSerialDevice : public SerialDevice
{
public:
    // The system's open(2), or a stand-in that fails as the test asks (a permission the suite,
    // running as root, would never meet otherwise).
    using OpenCall = std::function<int(const char *path, int flags)>;

    PosixSerialDevice() = default;
    explicit PosixSerialDevice(OpenCall openCall)
        : openDevice(std::move(openCall))
    {
    }
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice &) = delete;
    PosixSerialDevice &operator=(const PosixSerialDevice &) = delete;

    bool open(int port, OpenError *error, QString *reason) override;
    void close() override;
    bool isOpen() const override { return fd >= 0; }
    bool settingsReadable() const override;
    bool applySettings(const LineSettings &settings) override;
    int bytesWaiting() override;
    int64_t read(char *buffer, int64_t size) override;
    int64_t write(const char *data, int64_t size) override;
    void purge() override;
    WaitResult waitReadable(std::chrono::milliseconds timeout) override;

private:
    bool claimExclusively(const QString &path, OpenError *error, QString *reason);
    void setModemLines(THandshake handshake);
    void requestLowLatency();
    bool waitWritable(std::chrono::steady_clock::time_point deadline);
    WaitResult checkReadiness();

    OpenCall openDevice = [](const char *path, int flags) { return ::open(path, flags); };
    int fd = -1;
    bool markedExclusive = false;
    // Once the line hangs up nothing more arrives; remembered so that every later wait says so
    // at once instead of polling a dead descriptor.
    bool hungUp = false;
    // A byte taken to tell a hang-up (read() returning 0) from a wake-up with data that the input
    // count did not show yet; handed out before anything else is read.
    std::optional<char> lookahead;
};

} // namespace tovra
