// The window's side of the record files: the menu handlers hand over to RecordFiles, and the
// menu items show its check marks and the status bar whether a file is recording.

#include "mainform.h"

#include "mainstatusbar.h"

#include <QAction>

namespace tovra {

QString TMainForm::logFileName() const
{
    return program.records().fileName(RecordKind::CommunicationLog);
}

QString TMainForm::dataFileName() const
{
    return program.records().fileName(RecordKind::DataCollection);
}

void TMainForm::ToggleLoggingState()
{
    program.records().toggle(RecordKind::CommunicationLog);
}

void TMainForm::ToggleDataCollection()
{
    program.records().toggle(RecordKind::DataCollection);
}

void TMainForm::EnableLoggingMenuClick()
{
    ToggleLoggingState();
}

void TMainForm::EnableDataCollectionMenuClick()
{
    ToggleDataCollection();
}

void TMainForm::appendLogNote(const QString &line)
{
    program.records().appendLogNote(line);
}

void TMainForm::setRecordChecked(RecordKind kind, bool checked)
{
    (kind == RecordKind::CommunicationLog ? ui.EnableLoggingMenu : ui.EnableDataCollectionMenu)->setChecked(checked);
}

void TMainForm::showRecording(RecordKind kind, const QString &fileName)
{
    if (kind == RecordKind::CommunicationLog)
        StatusBar->showLogRecording(fileName);
    else
        StatusBar->showDataRecording(fileName);
}

} // namespace tovra
