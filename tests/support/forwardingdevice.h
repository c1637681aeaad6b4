#pragma once

#include "serialdevice.h"

#include <memory>

namespace tovra::test {

// The system's serial device, every call passed on: a test device overrides the calls it watches
// or spoils.
class ForwardingDevice : public SerialDevice
{
public:
    bool open(int port, OpenError *error, QString *reason) override { return device->open(port, error, reason); }
    void close() override { device->close(); }
    bool isOpen() const override { return device->isOpen(); }
    bool settingsReadable() const override { return device->settingsReadable(); }
    bool applySettings(const LineSettings &settings) override { return device->applySettings(settings); }
    int bytesWaiting() override { return device->bytesWaiting(); }
    int64_t read(char *buffer, int64_t size) override { return device->read(buffer, size); }
    int64_t write(const char *data, int64_t size) override { return device->write(data, size); }
    void purge() override { device->purge(); }
    WaitResult waitReadable(std::chrono::milliseconds timeout) override { return device->waitReadable(timeout); }

private:
    std::unique_ptr<SerialDevice> device = createSerialDevice();
};

} // namespace tovra::test
