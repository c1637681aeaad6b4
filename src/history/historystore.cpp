#include "historystore.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace tovra {

namespace {

constexpr int SchemaVersion = 1;
// SQLite's primary result codes that mean the file itself is damaged or foreign.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

QString nextConnectionName()
{
    static QAtomicInteger<int> count;
    return QStringLiteral("tovra-history-%1").arg(count.fetchAndAddRelaxed(1));
}

QString columnList(const QString &pattern)
{
    QStringList columns;
    for (Channel channel : allChannels())
        columns << pattern.arg(QString::fromLatin1(channelInfo(channel).column));
    return columns.join(QStringLiteral(", "));
}

QVariant bindable(double value)
{
    return HistorySample::isAbsent(value) ? QVariant() : QVariant(value);
}

double readValue(const QSqlQuery &query, int column)
{
    const QVariant value = query.value(column);
    return value.isNull() ? HistorySample::Absent : value.toDouble();
}

} // namespace

bool isCorruptDatabaseError(const QSqlError &sqlError)
{
    const int code = sqlError.nativeErrorCode().toInt() & 0xff;
    return code == SqliteCorrupt || code == SqliteNotADatabase;
}

HistoryStore::HistoryStore()
    : connectionName(nextConnectionName())
{
}

HistoryStore::~HistoryStore()
{
    close();
}

bool HistoryStore::isOpen() const
{
    return db.isOpen();
}

void HistoryStore::close()
{
    if (!db.isValid())
        return;
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

bool HistoryStore::open(const QString &fileName, Mode mode)
{
    movedAside.clear();
    corrupt = false;
    if (openConnection(fileName, mode) && prepareSchema(mode))
        return true;
    if (!corrupt || mode == Mode::ReadOnly) {
        close();
        return false;
    }
    close();
    if (!moveAside(fileName))
        return false;
    return openConnection(fileName, mode) && prepareSchema(mode);
}

bool HistoryStore::openConnection(const QString &fileName, Mode mode)
{
    close();
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(fileName);
    // Another instance may be writing: wait for its lock a while instead of failing at once.
    db.setConnectOptions(mode == Mode::ReadOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                                : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return fail(db.lastError());
    return true;
}

// A damaged file shows itself at the first statement that reads it. The writer checks every page
// (it moves a damaged file aside); a reader, which only plots, reads the schema alone, so that the
// Trends window opens at once over months of history.
bool HistoryStore::prepareSchema(Mode mode)
{
    QSqlQuery check(db);
    const QString checkStatement = mode == Mode::ReadOnly ? QStringLiteral("SELECT 'ok' FROM sqlite_schema LIMIT 1")
                                                          : QStringLiteral("PRAGMA quick_check");
    if (!check.exec(checkStatement) || !check.next())
        return fail(check.lastError());
    const QString verdict = check.value(0).toString();
    check.finish(); // a statement left open would hold a read transaction
    if (verdict != QLatin1String("ok")) {
        error = verdict;
        corrupt = true;
        return false;
    }
    if (mode == Mode::ReadOnly)
        return true;
    const QString samples = QStringLiteral("CREATE TABLE IF NOT EXISTS samples(seq INTEGER PRIMARY KEY, laser INTEGER "
                                           "NOT NULL, t INTEGER NOT NULL, status INTEGER, %1)")
                                .arg(columnList(QStringLiteral("%1 REAL")));
    const QString minutes = QStringLiteral("CREATE TABLE IF NOT EXISTS minutes(laser INTEGER NOT NULL, minute INTEGER "
                                           "NOT NULL, %1, %2, PRIMARY KEY(laser, minute)) WITHOUT ROWID")
                                .arg(columnList(QStringLiteral("%1_min REAL")), columnList(QStringLiteral("%1_max REAL")));
    return exec(QStringLiteral("PRAGMA journal_mode=WAL")) && exec(QStringLiteral("PRAGMA synchronous=NORMAL"))
        && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS lasers(id INTEGER PRIMARY KEY, model TEXT NOT NULL, "
                               "serial INTEGER NOT NULL, firmware TEXT, UNIQUE(model, serial))"))
        && exec(samples) && exec(QStringLiteral("CREATE INDEX IF NOT EXISTS samples_by_time ON samples(laser, t)"))
        && exec(minutes)
        && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS events(seq INTEGER PRIMARY KEY, laser INTEGER NOT NULL, "
                               "t INTEGER NOT NULL, kind TEXT NOT NULL, text TEXT NOT NULL)"))
        && exec(QStringLiteral("CREATE INDEX IF NOT EXISTS events_by_time ON events(laser, t)"))
        && exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion));
}

bool HistoryStore::moveAside(const QString &fileName)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString target = fileName + QStringLiteral(".corrupt-") + stamp;
    if (!QFile::rename(fileName, target)) {
        error = QStringLiteral("The damaged history %1 could not be moved aside").arg(fileName);
        return false;
    }
    // The journal of a damaged file belongs to it, not to the new one.
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString part = fileName + QLatin1String(suffix);
        if (QFile::exists(part))
            QFile::rename(part, target + QLatin1String(suffix));
    }
    movedAside = target;
    return true;
}

bool HistoryStore::exec(const QString &sql)
{
    QSqlQuery query(db);
    return query.exec(sql) || fail(query.lastError());
}

bool HistoryStore::fail(const QSqlError &sqlError)
{
    error = sqlError.text();
    corrupt = isCorruptDatabaseError(sqlError);
    return false;
}

std::optional<qint64> HistoryStore::laserId(const LaserIdentity &identity)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO lasers(model, serial, firmware) VALUES(?, ?, ?) "
                                 "ON CONFLICT(model, serial) DO UPDATE SET firmware = excluded.firmware"));
    query.addBindValue(identity.model);
    query.addBindValue(identity.serialNumber);
    query.addBindValue(identity.firmware);
    if (!query.exec()) {
        fail(query.lastError());
        return std::nullopt;
    }
    query.prepare(QStringLiteral("SELECT id FROM lasers WHERE model = ? AND serial = ?"));
    query.addBindValue(identity.model);
    query.addBindValue(identity.serialNumber);
    if (!query.exec() || !query.next()) {
        fail(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool HistoryStore::append(qint64 laser, const QList<HistorySample> &samples, const QList<HistoryEvent> &events)
{
    if (!db.transaction())
        return fail(db.lastError());
    if (insertSamples(laser, samples) && insertEvents(laser, events) && db.commit())
        return true;
    if (db.lastError().isValid())
        fail(db.lastError());
    db.rollback();
    return false;
}

bool HistoryStore::insertSamples(qint64 laser, const QList<HistorySample> &samples)
{
    if (samples.isEmpty())
        return true;
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO samples(laser, t, status, %1) VALUES(?, ?, ?%2)")
                       .arg(columnList(QStringLiteral("%1")), QStringLiteral(", ?").repeated(int(ChannelCount))));
    qint64 firstMs = std::numeric_limits<qint64>::max();
    qint64 lastMs = std::numeric_limits<qint64>::min();
    for (const HistorySample &sample : samples) {
        insert.addBindValue(laser);
        insert.addBindValue(sample.utcMs);
        insert.addBindValue(sample.statusWord ? QVariant(qint64(*sample.statusWord)) : QVariant());
        for (double value : sample.values)
            insert.addBindValue(bindable(value));
        if (!insert.exec())
            return fail(insert.lastError());
        firstMs = std::min(firstMs, sample.utcMs);
        lastMs = std::max(lastMs, sample.utcMs);
    }
    return updateMinutes(laser, firstMs, lastMs);
}

bool HistoryStore::insertEvents(qint64 laser, const QList<HistoryEvent> &events)
{
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO events(laser, t, kind, text) VALUES(?, ?, ?, ?)"));
    for (const HistoryEvent &event : events) {
        insert.addBindValue(laser);
        insert.addBindValue(event.utcMs);
        insert.addBindValue(eventKey(event.kind));
        insert.addBindValue(event.text);
        if (!insert.exec())
            return fail(insert.lastError());
    }
    return true;
}

// Recomputes the levels of every minute the batch touched from the raw rows of those minutes.
bool HistoryStore::updateMinutes(qint64 laser, qint64 fromMs, qint64 toMs)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO minutes SELECT laser, t / %1 * %1, %2, %3 FROM samples "
                                 "WHERE laser = ? AND t >= ? AND t < ? GROUP BY t / %1")
                      .arg(QString::number(MinuteMs), columnList(QStringLiteral("min(%1)")),
                           columnList(QStringLiteral("max(%1)"))));
    query.addBindValue(laser);
    query.addBindValue(fromMs - (fromMs % MinuteMs + MinuteMs) % MinuteMs);
    query.addBindValue(toMs - (toMs % MinuteMs + MinuteMs) % MinuteMs + MinuteMs);
    return query.exec() || fail(query.lastError());
}

bool HistoryStore::removeOlderThan(qint64 cutoffMs)
{
    const QString cutoff = QString::number(cutoffMs);
    return exec(QStringLiteral("DELETE FROM samples WHERE t < ") + cutoff)
        && exec(QStringLiteral("DELETE FROM events WHERE t < ") + cutoff)
        && exec(QStringLiteral("DELETE FROM minutes WHERE minute < ") + QString::number(cutoffMs - MinuteMs));
}

QList<HistoryStore::Laser> HistoryStore::lasers()
{
    QList<Laser> found;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT id, model, serial, firmware FROM lasers ORDER BY model, serial")))
        return found;
    while (query.next())
        found.append({query.value(0).toLongLong(),
                      {query.value(1).toString(), query.value(2).toInt(), query.value(3).toString()}});
    return found;
}

TimeSpan HistoryStore::span(qint64 laser)
{
    QSqlQuery query(db);
    // Two subqueries: SQLite answers a lone min() or max() from the index's end, but reads every
    // row of the laser for both in one.
    query.prepare(QStringLiteral("SELECT (SELECT min(t) FROM samples WHERE laser = ?), (SELECT max(t) FROM samples WHERE laser = ?)"));
    query.addBindValue(laser);
    query.addBindValue(laser);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return {0, -1};
    return {query.value(0).toLongLong(), query.value(1).toLongLong()};
}

QList<ReducedBucket> HistoryStore::reduce(qint64 laser, qint64 fromMs, qint64 toMs, qint64 bucketMs)
{
    bucketMs = std::max<qint64>(bucketMs, 1);
    const bool fromLevels = bucketMs >= MinuteMs;
    if (fromLevels)
        // Whole minutes, so no minute straddles two buckets; rounded up, so there are no more
        // buckets than asked for.
        bucketMs = (bucketMs + MinuteMs - 1) / MinuteMs * MinuteMs;
    const QString sql = fromLevels
        ? QStringLiteral("SELECT (minute - :from) / :width, %1, %2 FROM minutes WHERE laser = :laser AND minute >= :from "
                         "AND minute < :to GROUP BY 1 ORDER BY 1")
              .arg(columnList(QStringLiteral("min(%1_min)")), columnList(QStringLiteral("max(%1_max)")))
        : QStringLiteral("SELECT (t - :from) / :width, %1, %2 FROM samples WHERE laser = :laser AND t >= :from AND t < "
                         ":to GROUP BY 1 ORDER BY 1")
              .arg(columnList(QStringLiteral("min(%1)")), columnList(QStringLiteral("max(%1)")));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(sql);
    query.bindValue(QStringLiteral(":from"), fromMs);
    query.bindValue(QStringLiteral(":width"), bucketMs);
    query.bindValue(QStringLiteral(":laser"), laser);
    query.bindValue(QStringLiteral(":to"), toMs);
    QList<ReducedBucket> buckets;
    if (!query.exec())
        return buckets;
    while (query.next()) {
        ReducedBucket bucket;
        bucket.startMs = fromMs + query.value(0).toLongLong() * bucketMs;
        for (std::size_t i = 0; i < ChannelCount; ++i) {
            bucket.minimum[i] = readValue(query, int(1 + i));
            bucket.maximum[i] = readValue(query, int(1 + ChannelCount + i));
        }
        buckets.append(bucket);
    }
    return buckets;
}

QList<HistoryEvent> HistoryStore::events(qint64 laser, qint64 fromMs, qint64 toMs)
{
    QList<HistoryEvent> found;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT t, kind, text FROM events WHERE laser = ? AND t >= ? AND t < ? ORDER BY seq"));
    query.addBindValue(laser);
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return found;
    while (query.next()) {
        if (const std::optional<EventKind> kind = eventKindFromKey(query.value(1).toString()))
            found.append({query.value(0).toLongLong(), *kind, query.value(2).toString()});
    }
    return found;
}

void HistoryStore::forEachSample(qint64 laser, qint64 fromMs, qint64 toMs,
                                 const std::function<void(const HistorySample &)> &visit)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT t, status, %1 FROM samples WHERE laser = ? AND t >= ? AND t < ? ORDER BY seq")
                      .arg(columnList(QStringLiteral("%1"))));
    query.addBindValue(laser);
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return;
    HistorySample sample;
    while (query.next()) {
        sample.utcMs = query.value(0).toLongLong();
        sample.statusWord = query.value(1).isNull() ? std::nullopt : std::optional<uint32_t>(query.value(1).toUInt());
        for (std::size_t i = 0; i < ChannelCount; ++i)
            sample.values[i] = readValue(query, int(2 + i));
        visit(sample);
    }
}

} // namespace tovra
