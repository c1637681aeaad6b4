#pragma once

#include "deferredmessages.h"
#include "recordfile.h"
#include "recordformat.h"
#include "trafficlog.h"

#include <QString>

#include <functional>

namespace tovra {

class Desktop;
struct LaserState;

// The program's two record files.
enum class RecordKind { CommunicationLog, DataCollection };

// Where the record files show whether they are on: the menu items' check marks, and whether a
// file is being recorded into. The two differ after a failed switch-on: the check mark stays so
// that choosing the item again tries again, but nothing is recorded.
class RecordFilesView
{
public:
    virtual ~RecordFilesView() = default;
    virtual void setRecordChecked(RecordKind kind, bool checked) = 0;
    // `fileName` is recorded into from now on; empty: the file is off.
    virtual void showRecording(RecordKind kind, const QString &fileName) = 0;
};

// The communication log and the data collection file: switching them on and off, their headers,
// their lines, and what happens when the file system lets a write down.
//
// A write that fails after the file was created (disk full, file-size limit, medium removed)
// switches that file off as its menu item would. The operator is told once `busy` says that no
// exchange, status update or task is running: a box opened inside one would hold the poll until
// answered, and the other file would miss what happens meanwhile. Polling goes on behind the box.
// A file that cannot be created is reported the same way (its menu item may be chosen during a
// reply wait).
// The communication log is the exchange's `TrafficLog`: the files are written, switched off after
// a failure and closed here only.
class RecordFiles : public TrafficLog
{
public:
    RecordFiles(LaserState &state, Desktop &desktop, std::function<bool()> busy, RecordFilesView &view);

    RecordFiles(const RecordFiles &) = delete;
    RecordFiles &operator=(const RecordFiles &) = delete;

    // Switches the file on or off. Switched on again in the same run, the file goes on where it
    // stopped, after its header lines once more (RecordFile says when a new file is made).
    void toggle(RecordKind kind);
    // The name recorded into, or to be recorded into at the first switch-on.
    QString fileName(RecordKind kind) const;
    bool isRecording(RecordKind kind) const { return this->*recordOf(kind).enabled; }
    // Who started the run and when, which the files are named by; set before the first switch-on.
    void setRunStamp(RunStamp stamp) { run = std::move(stamp); }

    // One data row of the laser state, when data collection is on. A measurement in `unread`
    // (the update could not read it) leaves its field empty; the row keeps its columns.
    void appendDataRow(const QList<Measurement> &unread);
    // A note in the communication log without time stamp ("Temperature Fault"), when it is on.
    void appendLogNote(const QString &line);
    void writeTrafficLine(const QString &line) override { appendLogNote(line); }
    // Forgets the failure messages still waiting (the program is ending).
    void discardMessages() { messages.discard(); }
    // The program has ended: both files close; the check marks stay as they are.
    void endRecording();

private:
    // What tells the two files apart; everything else they do alike.
    struct Record
    {
        bool RecordFiles::*enabled;
        RecordFile RecordFiles::*file;
        QString (*nameFor)(const RunStamp &);
        QStringList (*headerFor)(const LaserState &);
        QString failure;
    };
    const Record &recordOf(RecordKind kind) const;
    void switchOff(RecordKind kind);

    LaserState &state;
    RecordFilesView &view;
    DeferredMessages messages;
    RecordFile logFile;
    RecordFile dataFile;
    bool loggingEnabled = false;
    bool dataCollectionEnabled = false;
    RunStamp run;
};

} // namespace tovra
