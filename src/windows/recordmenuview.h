#pragma once

#include "recordfiles.h"

namespace tovra {

class MainStatusBar;
struct MainFormLayout;

// The record files as the main window shows them: the File menu's check marks, and in the status
// bar which file is recording.
class RecordMenuView : public RecordFilesView
{
public:
    RecordMenuView(MainFormLayout &layout, MainStatusBar &bar) : ui(layout), statusBar(bar) {}

    void setRecordChecked(RecordKind kind, bool checked) override;
    void showRecording(RecordKind kind, const QString &fileName) override;

private:
    MainFormLayout &ui;
    MainStatusBar &statusBar;
};

} // namespace tovra
