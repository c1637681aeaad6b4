#pragma once

#include "deferredmessages.h"
#include "recordformat.h"

#include <QString>

#include <functional>

namespace tovra {

class Desktop;
class RecordFile;
struct LaserState;

// The program's two record files.
enum class RecordKind { CommunicationLog, DataCollection };

// Where the record files show whether they are on: the menu items' check marks.
class RecordFilesView
{
public:
    virtual ~RecordFilesView() = default;
    virtual void setRecordChecked(RecordKind kind, bool checked) = 0;
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
class RecordFiles
{
public:
    RecordFiles(LaserState &state, Desktop &desktop, std::function<bool()> busy, RecordFilesView &view);

    // Switches the file on (a fresh file with its header) or off.
    void toggle(RecordKind kind);
    QString fileName(RecordKind kind) const;

    // One data row of the laser state, when data collection is on. A measurement in `unread`
    // (the update could not read it) leaves its field empty; the row keeps its columns.
    void appendDataRow(const QList<Measurement> &unread);
    // A note in the communication log without time stamp ("Temperature Fault"), when it is on.
    void appendLogNote(const QString &line);
    // Forgets the failure messages still waiting (the program is ending).
    void discardMessages() { messages.discard(); }

private:
    // What tells the two files apart; everything else they do alike.
    struct Record
    {
        bool LaserState::*enabled;
        RecordFile LaserState::*file;
        QString (*nameFor)(const LaserState &);
        QStringList (*headerFor)(const LaserState &);
        QString failure;
    };
    const Record &recordOf(RecordKind kind) const;
    void switchOff(RecordKind kind);

    LaserState &state;
    RecordFilesView &view;
    DeferredMessages messages;
};

} // namespace tovra
