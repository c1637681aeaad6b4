#include "remotecontrolview.h"

#include "mainform.h"
#include "mainstatusbar.h"
#include "programapi.h"
#include "remoteapidialog.h"

#include "desktop.h"

#include <QAction>

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
    QAction *remoteApiItem = window.ui.RemoteApiMenu;
    remoteApiItem->setEnabled(true);
    QObject::connect(remoteApiItem, &QAction::triggered, &window, [&window, &api] {
        RemoteApiDialog dialog(api, &window);
        window.laserProgram().desktop().execDialog(dialog);
    });
}

} // namespace tovra
