#pragma once

#include "forwardingdevice.h"

#include <QList>

#include <chrono>

namespace tovra::bench {

// The program's port device with the moments its lines went out and its bytes came in, so that a
// benchmark can tell when each reply of a stretch was complete. Stamping costs the program a clock
// reading per call and nothing else.
class ReplyStampingDevice : public test::ForwardingDevice
{
public:
    using Clock = std::chrono::steady_clock;

    int64_t read(char *buffer, int64_t size) override;
    int64_t write(const char *data, int64_t size) override;

    // The moments the replies to the lines written in [from, to] were complete (the last bytes read
    // before the next line, or before `to`), in order; the stamps are then let go.
    QList<Clock::time_point> takeReplyEnds(Clock::time_point from, Clock::time_point to);

private:
    struct Stamp
    {
        Clock::time_point at;
        bool written = false;
    };
    QList<Stamp> stamps;
};

// The steps of a run, in milliseconds, from the moments that end them: `start` to the first end,
// each end to the next, and the last end to `finish`.
QList<double> stepsBetween(ReplyStampingDevice::Clock::time_point start,
                           const QList<ReplyStampingDevice::Clock::time_point> &ends,
                           ReplyStampingDevice::Clock::time_point finish);

} // namespace tovra::bench
