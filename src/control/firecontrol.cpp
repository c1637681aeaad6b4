#include "firecontrol.h"

#include "laserstate.h"
#include "scriptline.h"
#include "statusword.h"

#include <QThread>

namespace tovra {

FireControl::FireControl(LaserState &laserState, FireControlView &controlsView, Hooks givenHooks)
    : state(laserState)
    , view(controlsView)
    , hooks(std::move(givenHooks))
{
}

// The button does what it reads: "Stop" sends "FL 0" whatever the flags say meanwhile (a status
// update that was skipped or never came, a question dismissed while "FL 1" waited).
void FireControl::FireStopbtnClick()
{
    LaserFire(!stopShown);
    skipStatusSync = true;
}

bool FireControl::LaserFire(bool fire)
{
    if (fire) {
        hooks.queueCommand(QStringLiteral("FL 1"));
        requestedFire = true;
        if (state.pulseMode == 1 && state.diodeTrigger == 0) {
            // A single shot is one pulse: the button is ready again at once.
            state.firing = false;
            requestedFire = false;
            showLook(false);
            QThread::msleep(100);
        } else {
            state.firing = true;
            showLook(true);
        }
    } else {
        hooks.queueCommand(QStringLiteral("FL 0"));
        requestedFire = false;
        state.firing = false;
        showLook(false);
    }
    hooks.restartStatusTimer();
    return true;
}

void FireControl::LaserEnableBtnClick()
{
    LaserEnable(view.enableChecked());
    skipStatusSync = true;
}

void FireControl::LaserEnable(bool enable)
{
    if (!enable) {
        if (droppedByLaser)
            droppedByLaser = false; // the laser has disabled itself already
        else
            hooks.queueCommand(QStringLiteral("EN 0"));
        CheckFireEnableState();
        return;
    }
    if (state.laserUnlocked || state.isStandardModel || state.isMicroModel) {
        hooks.queueCommand(QStringLiteral("EN 1"));
        CheckFireEnableState();
        view.setEnableChecked(true);
        hooks.restartStatusTimer();
    } else {
        // A locked mini laser: the password first; enabling then takes a new click.
        hooks.requestUnlock();
    }
}

// A button that reads "Stop" can always be pressed.
void FireControl::CheckFireEnableState()
{
    view.setFireEnabled(stopShown || (uint32_t(state.statusWord) & StatusBit::OkToFire));
    view.setEnableBoxEnabled(true);
}

void FireControl::followStopLine(const QString &line)
{
    if (ScriptLine::read(line).mnemonic != QLatin1String("FL"))
        return;
    state.firing = false;
    requestedFire = false;
    showLook(false);
    skipStatusSync = true;
}

void FireControl::showLook(bool stop)
{
    stopShown = stop;
    if (stop)
        view.showFiringLook();
    else
        view.showReadyLook();
}

bool FireControl::firingOrRequested() const
{
    return state.firing || requestedFire;
}

void FireControl::followStatusWord(uint32_t status)
{
    // On the internal trigger an idle laser has ended the request (a burst ran out, a stop came
    // from elsewhere), even in the one update that leaves the controls alone.
    if (!(status & StatusBit::Firing) && state.diodeTrigger == 0)
        requestedFire = false;
    if (skipStatusSync) {
        skipStatusSync = false;
        return;
    }
    if (state.diodeTrigger == 0) {
        showLook(status & StatusBit::Firing);
    }
    if (!(status & StatusBit::Enabled) && view.enableChecked()) {
        // Unchecking the box runs its handler, which must not send "EN 0" for a laser that is
        // disabled already.
        droppedByLaser = true;
        view.setEnableBoxEnabled(false);
        view.setEnableChecked(false);
        view.setEnableBoxEnabled(true);
    }
}

} // namespace tovra
