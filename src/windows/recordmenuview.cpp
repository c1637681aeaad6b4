#include "recordmenuview.h"

#include "mainformlayout.h"
#include "mainstatusbar.h"

#include <QAction>

namespace tovra {

void RecordMenuView::setRecordChecked(RecordKind kind, bool checked)
{
    (kind == RecordKind::CommunicationLog ? ui.EnableLoggingMenu : ui.EnableDataCollectionMenu)->setChecked(checked);
}

void RecordMenuView::showRecording(RecordKind kind, const QString &fileName)
{
    if (kind == RecordKind::CommunicationLog)
        statusBar.showLogRecording(fileName);
    else
        statusBar.showDataRecording(fileName);
}

} // namespace tovra
