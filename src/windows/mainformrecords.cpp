// The window's side of the record files: the menu handlers hand over to RecordFiles
// (RecordMenuView shows its check marks and whether a file is recording).

#include "mainform.h"

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

} // namespace tovra
