#pragma once

#include "historystore.h"
#include "historytypes.h"

#include <QList>

#include <functional>

namespace tovra {

// What the Trends window plots and exports: one laser's history, or a data file read into memory.
class TrendSource
{
public:
    virtual ~TrendSource() = default;
    virtual LaserIdentity identity() const = 0;
    virtual TimeSpan span() = 0;
    // Buckets of `bucketMs` from `fromMs` up to `toMs`: the smallest and largest value of each
    // series in each bucket that holds any.
    virtual QList<ReducedBucket> reduce(qint64 fromMs, qint64 toMs, qint64 bucketMs) = 0;
    virtual QList<HistoryEvent> events(qint64 fromMs, qint64 toMs) = 0;
    virtual void forEachSample(qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit) = 0;
};

// One laser's rows in the history database.
class StoredTrend : public TrendSource
{
public:
    StoredTrend(HistoryStore &store, HistoryStore::Laser laser);
    LaserIdentity identity() const override { return laser.identity; }
    TimeSpan span() override;
    QList<ReducedBucket> reduce(qint64 fromMs, qint64 toMs, qint64 bucketMs) override;
    QList<HistoryEvent> events(qint64 fromMs, qint64 toMs) override;
    void forEachSample(qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit) override;

private:
    HistoryStore &store;
    const HistoryStore::Laser laser;
};

// Samples held in memory, in time order (a data file).
class SampleTrend : public TrendSource
{
public:
    SampleTrend(LaserIdentity laser, QList<HistorySample> samples, QList<HistoryEvent> events = {});
    LaserIdentity identity() const override { return laser; }
    TimeSpan span() override;
    QList<ReducedBucket> reduce(qint64 fromMs, qint64 toMs, qint64 bucketMs) override;
    QList<HistoryEvent> events(qint64 fromMs, qint64 toMs) override;
    void forEachSample(qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit) override;

private:
    QList<HistorySample>::const_iterator firstFrom(qint64 fromMs) const;

    const LaserIdentity laser;
    const QList<HistorySample> samples;
    const QList<HistoryEvent> marks;
};

} // namespace tovra
