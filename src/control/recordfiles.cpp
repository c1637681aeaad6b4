// The communication log and the data collection file: switching them on and off, their headers,
// and what happens when the file system lets a write down.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "recordformat.h"

#include <QAction>
#include <QDateTime>
#include <QTimer>

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
        desktop.message(LogFileFailure);
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
        desktop.message(DataFileFailure);
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

// A write that fails after the file was created (disk full, medium removed) switches that file
// off as its menu item would, and tells the operator once the running exchange or poll is over;
// polling goes on.
void TMainForm::watchRecordFiles()
{
    state.logFile.setWriteFailureHandler([this] {
        state.loggingEnabled = false;
        ui.EnableLoggingMenu->setChecked(false);
        QTimer::singleShot(0, this, [this] { desktop.message(LogFileFailure); });
    });
    state.dataFile.setWriteFailureHandler([this] {
        state.dataCollectionEnabled = false;
        ui.EnableDataCollectionMenu->setChecked(false);
        QTimer::singleShot(0, this, [this] { desktop.message(DataFileFailure); });
    });
}

void TMainForm::appendDataRow()
{
    if (!state.dataCollectionEnabled)
        return;
    state.dataFile.writeLine((QStringList{longTimeText(QTime::currentTime())} + dataRowValues(state)).join(QLatin1Char(',')));
}

void TMainForm::appendLogNote(const QString &line)
{
    if (state.loggingEnabled)
        state.logFile.writeLine(line);
}

} // namespace tovra
