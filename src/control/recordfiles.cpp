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

void TMainForm::ToggleLoggingState()
{
    if (state.loggingEnabled) {
        state.loggingEnabled = false;
        ui.EnableLoggingMenu->setChecked(false);
        state.logFile.close();
        return;
    }
    state.loggingEnabled = true;
    ui.EnableLoggingMenu->setChecked(true);
    const QDateTime now = QDateTime::currentDateTime();
    if (!state.logFile.create(logFileName(), {fileHeaderLine(QStringLiteral("Tovra Communication Log File "), now)})) {
        // The check mark stays: choosing the item again tries again.
        state.loggingEnabled = false;
        fileMessages->showNowOrLater(LogFileFailure);
    }
}

void TMainForm::ToggleDataCollection()
{
    if (state.dataCollectionEnabled) {
        state.dataCollectionEnabled = false;
        ui.EnableDataCollectionMenu->setChecked(false);
        state.dataFile.close();
        return;
    }
    state.dataCollectionEnabled = true;
    ui.EnableDataCollectionMenu->setChecked(true);
    const QDateTime now = QDateTime::currentDateTime();
    if (!state.dataFile.create(dataFileName(), {fileHeaderLine(QStringLiteral("Tovra Data File "), now),
                                                 dataColumnHeader(state)})) {
        state.dataCollectionEnabled = false;
        fileMessages->showNowOrLater(DataFileFailure);
    }
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
    state.logFile.setWriteFailureHandler([this] {
        state.loggingEnabled = false;
        ui.EnableLoggingMenu->setChecked(false);
        fileMessages->post(LogFileFailure);
    });
    state.dataFile.setWriteFailureHandler([this] {
        state.dataCollectionEnabled = false;
        ui.EnableDataCollectionMenu->setChecked(false);
        fileMessages->post(DataFileFailure);
    });
}

void TMainForm::appendLogNote(const QString &line)
{
    if (state.loggingEnabled)
        state.logFile.writeLine(line);
}

} // namespace tovra
