#include "historywriter.h"

#include "historystore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace tovra {

// The writer's half on its own thread: owns the database connection, the lock file and what is
// waiting to be written.
class HistoryWorker : public QObject
{
public:
    HistoryWorker(HistorySettings settings, HistoryWriter &owner)
        : config(std::move(settings))
        , writer(owner)
    {
    }

    void start()
    {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { write(); });
    }

    void take(const LaserIdentity &laser, const HistorySample *sample, const HistoryEvent *event)
    {
        if (state == HistoryState::ReadOnly)
            return;
        if (pending.isEmpty() || !(pending.last().laser == laser))
            pending.append({laser, {}, {}});
        if (sample) {
            pending.last().samples.append(*sample);
            ++pendingSamples;
            dropOldestBeyondLimit();
        }
        if (event)
            pending.last().events.append(*event);
        if (!timer->isActive())
            timer->start(state == HistoryState::Paused ? config.retryInterval : config.batchInterval);
    }

    void write()
    {
        if (pending.isEmpty() || state == HistoryState::ReadOnly)
            return;
        if (!store.isOpen() && !open())
            return retryLater();
        while (!pending.isEmpty()) {
            Group &group = pending.first();
            const std::optional<qint64> laser = store.laserId(group.laser);
            if (!laser || !store.append(*laser, group.samples, group.events)) {
                failure = store.lastError();
                store.close();
                return retryLater();
            }
            pendingSamples -= int(group.samples.size());
            pending.removeFirst();
        }
        if (state != HistoryState::Recording)
            report(HistoryState::Recording, resumedNote());
    }

    void closeStore() { store.close(); }

private:
    struct Group
    {
        LaserIdentity laser;
        QList<HistorySample> samples;
        QList<HistoryEvent> events;
    };

    bool open()
    {
        const QString folder = QFileInfo(config.fileName).absolutePath();
        if (!QDir().mkpath(folder)) {
            failure = QStringLiteral("the folder %1 cannot be made").arg(folder);
            return false;
        }
        if (!lock) {
            auto fileLock = std::make_unique<QLockFile>(config.fileName + QStringLiteral(".lock"));
            fileLock->setStaleLockTime(0); // a lock is stale only when its process is gone
            if (!fileLock->tryLock(0)) {
                if (fileLock->error() == QLockFile::LockFailedError) {
                    pending.clear();
                    report(HistoryState::ReadOnly,
                           QStringLiteral("History is kept by another running instance; this one records nothing."));
                    return false;
                }
                failure = QStringLiteral("the lock file beside %1 cannot be made").arg(config.fileName);
                return false;
            }
            lock = std::move(fileLock);
        }
        if (!store.open(config.fileName, HistoryStore::Mode::ReadWrite)) {
            failure = store.lastError();
            return false;
        }
        if (!store.movedAsideTo().isEmpty())
            movedAsideNote = QStringLiteral("The history database was damaged; it was kept as %1 and a new one started.")
                                 .arg(store.movedAsideTo());
        if (!pruned) {
            const qint64 day = 24LL * 3600 * 1000;
            pruned = store.removeOlderThan(QDateTime::currentMSecsSinceEpoch() - config.retentionDays * day);
        }
        return true;
    }

    void retryLater()
    {
        if (state == HistoryState::ReadOnly)
            return;
        QString note = QStringLiteral("History paused: %1. Control and polling go on; recording resumes by itself.")
                           .arg(failure.isEmpty() ? QStringLiteral("the disk refused a write") : failure);
        if (dropped > 0)
            note += QStringLiteral(" %1 older updates were let go.").arg(dropped);
        report(HistoryState::Paused, note);
        timer->start(config.retryInterval);
    }

    QString resumedNote()
    {
        QString note = movedAsideNote.isEmpty() ? HistoryWriter::RecordingNote : movedAsideNote;
        movedAsideNote.clear();
        if (dropped > 0)
            note += QStringLiteral(" %1 updates could not be kept during the pause.").arg(dropped);
        dropped = 0;
        return note;
    }

    void dropOldestBeyondLimit()
    {
        while (pendingSamples > config.maxPendingSamples) {
            Group &oldest = pending.first();
            if (!oldest.samples.isEmpty()) {
                oldest.samples.removeFirst();
                --pendingSamples;
                ++dropped;
            } else if (oldest.events.isEmpty()) {
                pending.removeFirst();
            } else {
                break;
            }
        }
    }

    void report(HistoryState newState, const QString &note)
    {
        if (newState == state && note == lastNote)
            return;
        state = newState;
        lastNote = note;
        QMetaObject::invokeMethod(&writer, [w = &writer, newState, note] { w->takeState(newState, note); });
    }

    const HistorySettings config;
    HistoryWriter &writer;
    HistoryStore store;
    std::unique_ptr<QLockFile> lock;
    QTimer *timer = nullptr;
    QList<Group> pending;
    int pendingSamples = 0;
    int dropped = 0;
    bool pruned = false;
    HistoryState state = HistoryState::Idle;
    QString lastNote;
    QString failure;
    QString movedAsideNote;
};

QString defaultHistoryFileName()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) // relative values are to be ignored
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/tovra/history.sqlite");
}

HistorySettings configuredHistorySettings()
{
    const QSettings config(QStringLiteral("tovra"), QStringLiteral("tovra"));
    HistorySettings settings;
    settings.fileName = defaultHistoryFileName();
    settings.retentionDays = std::max(1, config.value(QStringLiteral("History/RetentionDays"), 90).toInt());
    return settings;
}

HistoryWriter::HistoryWriter(HistorySettings settings, QObject *parent)
    : QObject(parent)
    , file(settings.fileName)
    , worker(new HistoryWorker(std::move(settings), *this))
{
    thread.setObjectName(QStringLiteral("history writer"));
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(worker, [w = worker] { w->start(); });
}

// What is still waiting is written before the thread ends, so that the last seconds before an
// exit are kept.
HistoryWriter::~HistoryWriter()
{
    QMetaObject::invokeMethod(worker, [w = worker] {
        w->write();
        w->closeStore();
    }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

void HistoryWriter::append(const LaserIdentity &laser, const HistorySample &sample)
{
    QMetaObject::invokeMethod(worker, [w = worker, laser, sample] { w->take(laser, &sample, nullptr); });
}

void HistoryWriter::appendEvent(const LaserIdentity &laser, const HistoryEvent &event)
{
    QMetaObject::invokeMethod(worker, [w = worker, laser, event] { w->take(laser, nullptr, &event); });
}

void HistoryWriter::flush()
{
    QMetaObject::invokeMethod(worker, [w = worker] { w->write(); }, Qt::BlockingQueuedConnection);
}

void HistoryWriter::takeState(HistoryState state, const QString &note)
{
    currentState = state;
    currentNote = note;
    emit stateChanged(state, note);
}

} // namespace tovra
