#pragma once

#include "historytypes.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <chrono>

namespace tovra {

class HistoryWorker;

// Where the program hands what it records; the writer below, or a test's list.
class HistorySink
{
public:
    virtual ~HistorySink() = default;
    virtual void append(const LaserIdentity &laser, const HistorySample &sample) = 0;
    virtual void appendEvent(const LaserIdentity &laser, const HistoryEvent &event) = 0;
};

struct HistorySettings
{
    QString fileName;
    // Rows older than this are removed when the history is opened.
    int retentionDays = 90;
    // Samples are gathered this long and written in one transaction.
    std::chrono::milliseconds batchInterval{500};
    // While the history is paused (disk full, folder unwritable) it tries again this often.
    std::chrono::milliseconds retryInterval{2000};
    // What a pause may hold back before the oldest samples are let go (a day at one a second).
    int maxPendingSamples = 86'400;
};

// "$XDG_DATA_HOME/tovra/history.sqlite" (XDG_DATA_HOME defaults to ~/.local/share).
QString defaultHistoryFileName();
// The program's history: the default file, kept for "History/RetentionDays" of
// ~/.config/tovra/tovra.conf (90 days unless set; at least 1).
HistorySettings configuredHistorySettings();

enum class HistoryState {
    Idle,      // nothing was recorded yet (the file is opened with the first batch)
    Recording,
    Paused,    // a write failed; retried by itself
    ReadOnly,  // another running instance keeps the history
};

// Records samples and events in the history database on a thread of its own: `append` only hands
// the sample over, so the status poll never waits for the disk. What cannot be written (disk
// full, folder unwritable) is held back and written once the disk lets it; the state and a note
// for the operator say so meanwhile. The file is held by one running instance at a time (a lock
// file beside it); a second instance records nothing and says so.
class HistoryWriter : public QObject, public HistorySink
{
    Q_OBJECT
public:
    explicit HistoryWriter(HistorySettings settings, QObject *parent = nullptr);
    ~HistoryWriter() override;

    void append(const LaserIdentity &laser, const HistorySample &sample) override;
    void appendEvent(const LaserIdentity &laser, const HistoryEvent &event) override;
    // Waits until everything handed over so far was written or held back.
    void flush();

    // The note while everything goes as it should.
    static inline const QString RecordingNote = QStringLiteral("History recording.");

    HistoryState state() const { return currentState; }
    QString note() const { return currentNote; }
    QString fileName() const { return file; }

signals:
    void stateChanged(tovra::HistoryState state, const QString &note);

private:
    friend class HistoryWorker;
    void takeState(HistoryState state, const QString &note);

    const QString file;
    QThread thread;
    HistoryWorker *worker = nullptr;
    HistoryState currentState = HistoryState::Idle;
    QString currentNote;
};

} // namespace tovra
