#include "replystamps.h"

namespace tovra::bench {

int64_t ReplyStampingDevice::read(char *buffer, int64_t size)
{
    const int64_t got = ForwardingDevice::read(buffer, size);
    if (got > 0)
        stamps.append({Clock::now(), false});
    return got;
}

int64_t ReplyStampingDevice::write(const char *data, int64_t size)
{
    stamps.append({Clock::now(), true});
    return ForwardingDevice::write(data, size);
}

QList<ReplyStampingDevice::Clock::time_point> ReplyStampingDevice::takeReplyEnds(Clock::time_point from,
                                                                                 Clock::time_point to)
{
    QList<Clock::time_point> ends;
    bool awaitingReply = false;
    for (const Stamp &stamp : std::as_const(stamps)) {
        if (stamp.at < from || stamp.at > to)
            continue;
        if (stamp.written) {
            awaitingReply = true;
            ends.append(Clock::time_point::min());
        } else if (awaitingReply) {
            ends.last() = stamp.at;
        }
    }
    stamps.clear();
    ends.removeIf([](Clock::time_point end) { return end == Clock::time_point::min(); });
    return ends;
}

QList<double> stepsBetween(ReplyStampingDevice::Clock::time_point start,
                           const QList<ReplyStampingDevice::Clock::time_point> &ends,
                           ReplyStampingDevice::Clock::time_point finish)
{
    QList<double> steps;
    auto from = start;
    for (const auto end : ends) {
        steps.append(std::chrono::duration<double, std::milli>(end - from).count());
        from = end;
    }
    steps.append(std::chrono::duration<double, std::milli>(finish - from).count());
    return steps;
}

} // namespace tovra::bench
