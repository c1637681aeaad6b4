#include "trendsource.h"

#include <algorithm>

namespace tovra {

StoredTrend::StoredTrend(HistoryStore &historyStore, HistoryStore::Laser storedLaser)
    : store(historyStore)
    , laser(std::move(storedLaser))
{
}

TimeSpan StoredTrend::span()
{
    return store.span(laser.id);
}

QList<ReducedBucket> StoredTrend::reduce(qint64 fromMs, qint64 toMs, qint64 bucketMs)
{
    return store.reduce(laser.id, fromMs, toMs, bucketMs);
}

QList<HistoryEvent> StoredTrend::events(qint64 fromMs, qint64 toMs)
{
    return store.events(laser.id, fromMs, toMs);
}

void StoredTrend::forEachSample(qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit)
{
    store.forEachSample(laser.id, fromMs, toMs, visit);
}

SampleTrend::SampleTrend(LaserIdentity identity, QList<HistorySample> heldSamples, QList<HistoryEvent> events)
    : laser(std::move(identity))
    , samples(std::move(heldSamples))
    , marks(std::move(events))
{
}

TimeSpan SampleTrend::span()
{
    if (samples.isEmpty())
        return {0, -1};
    return {samples.first().utcMs, samples.last().utcMs};
}

QList<HistorySample>::const_iterator SampleTrend::firstFrom(qint64 fromMs) const
{
    return std::lower_bound(samples.cbegin(), samples.cend(), fromMs,
                            [](const HistorySample &sample, qint64 ms) { return sample.utcMs < ms; });
}

QList<ReducedBucket> SampleTrend::reduce(qint64 fromMs, qint64 toMs, qint64 bucketMs)
{
    bucketMs = std::max<qint64>(bucketMs, 1);
    QList<ReducedBucket> buckets;
    for (auto it = firstFrom(fromMs); it != samples.cend() && it->utcMs < toMs; ++it) {
        const qint64 start = fromMs + (it->utcMs - fromMs) / bucketMs * bucketMs;
        if (buckets.isEmpty() || buckets.last().startMs != start) {
            ReducedBucket bucket;
            bucket.startMs = start;
            bucket.minimum = it->values;
            bucket.maximum = it->values;
            buckets.append(bucket);
            continue;
        }
        ReducedBucket &bucket = buckets.last();
        for (std::size_t i = 0; i < ChannelCount; ++i) {
            const double value = it->values[i];
            if (HistorySample::isAbsent(value))
                continue;
            // An absent bound compares false both ways, so the first value present takes its place.
            if (!(bucket.minimum[i] <= value))
                bucket.minimum[i] = value;
            if (!(bucket.maximum[i] >= value))
                bucket.maximum[i] = value;
        }
    }
    return buckets;
}

QList<HistoryEvent> SampleTrend::events(qint64 fromMs, qint64 toMs)
{
    QList<HistoryEvent> inRange;
    for (const HistoryEvent &event : marks) {
        if (event.utcMs >= fromMs && event.utcMs < toMs)
            inRange.append(event);
    }
    return inRange;
}

void SampleTrend::forEachSample(qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit)
{
    for (auto it = firstFrom(fromMs); it != samples.cend() && it->utcMs < toMs; ++it)
        visit(*it);
}

} // namespace tovra
