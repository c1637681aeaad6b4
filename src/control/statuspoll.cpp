// The status poll: once a second the laser is asked for its counters, measurements and status
// word, and the window follows what it reports.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "rzcomport.h"

#include <QTimer>

namespace tovra {

void TMainForm::StatusTimerTimer()
{
    if (state.exitRequested) {
        StatusTimer->stop();
        return;
    }
    if (ComPort->InUse())
        return;
    if (state.demoMode) {
        StatusTimer->stop();
        return;
    }
    if (state.taskBusy)
        return;
    StatusTimer->stop();
    state.statusBusy = true;
    UpdateStatus();
    state.statusBusy = false;
    if (!ended)
        StatusTimer->start();
}

void TMainForm::UpdateStatus()
{
    if (!ComPort->Open()) {
        if (desktop.warning(QStringLiteral("Port no longer available, restart?"), ButtonSet::YesNo) == Button::Yes)
            RestartApp();
        else
            ExitApp();
    }
    if (state.exitRequested)
        return;
}

} // namespace tovra
