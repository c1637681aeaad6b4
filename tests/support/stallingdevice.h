#pragma once

#include "serialdevice.h"

#include <memory>

namespace tovra::test {

// The real serial device, but while `stalled` is true its output takes nothing: every write
// fails, as it does when the line's output stalls past the device's limit.
class StallingDevice : public SerialDevice
{
public:
    explicit StallingDevice(const bool &stalled) : held(stalled), device(createSerialDevice()) {}
    bool open(int port, OpenError *error, QString *reason) override { return device->open(port, error, reason); }
    void close() override { device->close(); }
    bool isOpen() const override { return device->isOpen(); }
    bool settingsReadable() const override { return device->settingsReadable(); }
    bool applySettings(const LineSettings &settings) override { return device->applySettings(settings); }
    int bytesWaiting() override { return device->bytesWaiting(); }
    int64_t read(char *buffer, int64_t size) override { return device->read(buffer, size); }
    int64_t write(const char *data, int64_t size) override
    {
        if (!held)
            return device->write(data, size);
        ++refusedWrites;
        return -1;
    }
    void purge() override { device->purge(); }
    WaitResult waitReadable(std::chrono::milliseconds timeout) override { return device->waitReadable(timeout); }

    int refusedWrites = 0;

private:
    const bool &held;
    std::unique_ptr<SerialDevice> device;
};

} // namespace tovra::test
