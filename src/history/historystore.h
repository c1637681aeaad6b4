#pragma once

#include "historytypes.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

namespace tovra {

// One connection to the history database: its schema, the batches written into it, the rows
// older than the retention removed, and the queries the Trends window and the export ask.
//
// Samples are ordered by their sequence number (the row id), not by their time stamp, so a clock
// that steps back keeps the order in which the laser was read. Beside the raw samples a level
// table keeps each minute's smallest and largest value of every series, so that a long range is
// reduced from about 1/60 of the rows.
class HistoryStore
{
public:
    enum class Mode { ReadWrite, ReadOnly };
    struct Laser
    {
        qint64 id = 0;
        LaserIdentity identity;
    };

    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // Opens the file (ReadWrite creates it, in WAL mode, with its tables). A file that is no
    // database or fails its check is renamed to "<name>.corrupt-<UTC time>" and a new one is
    // started; `movedAsideTo` then says where it went. False with `lastError` when it cannot be
    // opened at all (folder missing or unwritable, disk full).
    bool open(const QString &fileName, Mode mode);
    void close();
    bool isOpen() const;
    QString lastError() const { return error; }
    QString movedAsideTo() const { return movedAside; }

    // The laser's row, made on first use (its firmware kept up to date).
    std::optional<qint64> laserId(const LaserIdentity &identity);
    // Writes the samples and events of one laser in one transaction, with their minutes' levels.
    bool append(qint64 laser, const QList<HistorySample> &samples, const QList<HistoryEvent> &events);
    // Removes what is older than the cutoff (UTC milliseconds). Returns false on a write error.
    bool removeOlderThan(qint64 cutoffMs);

    QList<Laser> lasers();
    TimeSpan span(qint64 laser);
    // Buckets of `bucketMs` from `fromMs` up to `toMs`, in time order; only buckets holding rows.
    QList<ReducedBucket> reduce(qint64 laser, qint64 fromMs, qint64 toMs, qint64 bucketMs);
    QList<HistoryEvent> events(qint64 laser, qint64 fromMs, qint64 toMs);
    // Every sample from `fromMs` up to `toMs`, in the order they were taken.
    void forEachSample(qint64 laser, qint64 fromMs, qint64 toMs, const std::function<void(const HistorySample &)> &visit);

    // The width from which the level table is used instead of the raw samples.
    static constexpr qint64 MinuteMs = 60'000;

private:
    bool openConnection(const QString &fileName, Mode mode);
    bool prepareSchema(Mode mode);
    bool moveAside(const QString &fileName);
    bool exec(const QString &sql);
    bool fail(const class QSqlError &sqlError);
    bool insertSamples(qint64 laser, const QList<HistorySample> &samples);
    bool insertEvents(qint64 laser, const QList<HistoryEvent> &events);
    bool updateMinutes(qint64 laser, qint64 fromMs, qint64 toMs);

    QString connectionName;
    QSqlDatabase db;
    QString error;
    QString movedAside;
    bool corrupt = false; // the last failure says the file is damaged
};

// True when the SQLite error says the file is damaged or is no database.
bool isCorruptDatabaseError(const class QSqlError &sqlError);

} // namespace tovra
