#include "remotecontrolview.h"

#include "mainform.h"
#include "mainstatusbar.h"
#include "programapi.h"

namespace tovra {

namespace {
constexpr int NoteShownMs = 30000;
} // namespace

void showRemoteControlIn(TMainForm &window, ProgramApi &api)
{
    MainStatusBar *statusBar = window.StatusBar;
    QObject::connect(&api.backend(), &ProgramBackend::remoteControlShown, statusBar, &MainStatusBar::showRemoteControl);
    QObject::connect(&api.backend(), &ProgramBackend::noteShown, statusBar,
                     [statusBar](const QString &note) { statusBar->showMessage(note, NoteShownMs); });
}

} // namespace tovra
