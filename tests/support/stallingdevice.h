#pragma once

#include "forwardingdevice.h"

namespace tovra::test {

// The real serial device, but while `stalled` is true its output takes nothing: every write
// fails, as it does when the line's output stalls past the device's limit.
class StallingDevice : public ForwardingDevice
{
public:
    explicit StallingDevice(const bool &stalled) : held(stalled) {}
    int64_t write(const char *data, int64_t size) override
    {
        if (!held)
            return ForwardingDevice::write(data, size);
        ++refusedWrites;
        return -1;
    }

    int refusedWrites = 0;

private:
    const bool &held;
};

} // namespace tovra::test
