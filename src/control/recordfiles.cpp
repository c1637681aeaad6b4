// The communication log and the data collection file: switching them on and off, their headers,
// and what happens when the file system lets a write down.

#include "mainform.h"

#include "deferredmessages.h"
#include "laserstate.h"
#include "recordformat.h"
#include "rzcomport.h"

#include <QAction>
#include <QDateTime>

namespace tovra {

namespace {

const QString LogFileFailure = QStringLiteral(
    "Log file cannot be written to. Please run program from writable location. Logging will be disabled.");
const QString DataFileFailure = QStringLiteral(
    "Data file cannot be written to. Please run program from writable location. Logging will be disabled.");

} // namespace

QString TMainForm::logFileName() const
{
    return logFileNameFor(state);
}

QString TMainForm::dataFileName() const
{
    return dataFileNameFor(state);
}

// Switching on creates a new file with its header; a file that cannot be created stays off, but
// the check mark stays: choosing the item again tries again.
void TMainForm::toggleRecordFile(RecordFileSwitch file, const QStringList &header)
{
    if (file.enabled) {
        file.enabled = false;
        file.menuItem->setChecked(false);
        file.file.close();
        return;
    }
    file.enabled = true;
    file.menuItem->setChecked(true);
    if (!file.file.create(file.name, header)) {
        file.enabled = false;
        fileMessages->showNowOrLater(file.failure);
    }
}

void TMainForm::ToggleLoggingState()
{
    toggleRecordFile(logFileSwitch(),
                     {fileHeaderLine(QStringLiteral("Tovra Communication Log File "), QDateTime::currentDateTime())});
}

void TMainForm::ToggleDataCollection()
{
    toggleRecordFile(dataFileSwitch(), {fileHeaderLine(QStringLiteral("Tovra Data File "), QDateTime::currentDateTime()),
                                        dataColumnHeader(state)});
}

TMainForm::RecordFileSwitch TMainForm::logFileSwitch()
{
    return {state.loggingEnabled, state.logFile, ui.EnableLoggingMenu, logFileName(), LogFileFailure};
}

TMainForm::RecordFileSwitch TMainForm::dataFileSwitch()
{
    return {state.dataCollectionEnabled, state.dataFile, ui.EnableDataCollectionMenu, dataFileName(), DataFileFailure};
}

void TMainForm::EnableLoggingMenuClick()
{
    ToggleLoggingState();
}

void TMainForm::EnableDataCollectionMenuClick()
{
    ToggleDataCollection();
}

// A write that fails after the file was created (disk full, file-size limit, medium removed)
// switches that file off as its menu item would. The operator is told once no exchange, status
// update or task is running: a box opened inside one would hold the poll until answered, and the
// other file would miss what happens meanwhile. Polling goes on behind the box. A file that
// cannot be created is reported the same way (its menu item may be chosen during a reply wait).
void TMainForm::watchRecordFiles()
{
    fileMessages = new DeferredMessages(
        desktop, [this] { return ComPort->InUse() || state.statusBusy || state.taskBusy; }, this);
    for (RecordFile *file : {&state.logFile, &state.dataFile}) {
        file->setWriteFailureHandler([this, file] {
            const RecordFileSwitch failed = file == &state.logFile ? logFileSwitch() : dataFileSwitch();
            failed.enabled = false;
            failed.menuItem->setChecked(false);
            fileMessages->post(failed.failure);
        });
    }
}

void TMainForm::appendLogNote(const QString &line)
{
    if (state.loggingEnabled)
        state.logFile.writeLine(line);
}

} // namespace tovra
