// Enable and fire: the operator's two most consequential controls. Commands go through the queue;
// the status poll later confirms or corrects what the controls show.

#include "mainform.h"

#include "labeledreadout.h"
#include "plusspinedit.h"
#include "statusindicator.h"

#include "laserstate.h"
#include "statusword.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace tovra {

void TMainForm::FireStopbtnClick()
{
    LaserFire(!(state.fireRequested || state.firing));
    state.skipStatusSync = true;
}

bool TMainForm::LaserFire(bool fire)
{
    if (fire) {
        QueuedCommandToPort(QStringLiteral("FL 1"));
        state.fireRequested = true;
        if (state.pulseMode == 1 && state.diodeTrigger == 0) {
            // A single shot is one pulse: the button is ready again at once.
            state.firing = false;
            state.fireRequested = false;
            showReadyLook();
            QThread::msleep(100);
        } else {
            state.firing = true;
            showFiringLook();
        }
    } else {
        QueuedCommandToPort(QStringLiteral("FL 0"));
        state.fireRequested = false;
        state.firing = false;
        showReadyLook();
    }
    restartStatusTimer();
    return true;
}

void TMainForm::LaserEnableBtnClick()
{
    LaserEnable(ui.LaserEnableBtn->isChecked());
    state.skipStatusSync = true;
}

void TMainForm::LaserEnable(bool enable)
{
    if (!enable) {
        if (state.enableDropped)
            state.enableDropped = false; // the laser has disabled itself already
        else
            QueuedCommandToPort(QStringLiteral("EN 0"));
        CheckFireEnableState();
        return;
    }
    if (state.laserUnlocked || state.isStandardModel || state.isMicroModel) {
        QueuedCommandToPort(QStringLiteral("EN 1"));
        CheckFireEnableState();
        ui.LaserEnableBtn->setChecked(true);
        restartStatusTimer();
    } else {
        // A locked mini laser: the password first; enabling then takes a new click.
        state.unlockPending = true;
        requestTasks();
    }
}

void TMainForm::CheckFireEnableState()
{
    ui.FireStopbtn->setEnabled(uint32_t(state.statusWord) & StatusBit::OkToFire);
    ui.LaserEnableBtn->setEnabled(true);
}

void TMainForm::showFiringLook()
{
    ui.FireStopbtn->setText(QStringLiteral("Stop"));
    setButtonCaptionColour(ui.FireStopbtn, FiringCaptionColour);
    if (!ui.animationRunning()) {
        ui.TovraAnimate->setEnabled(true);
        ui.startAnimation(MainFormLayout::idleAnimationFrame);
    }
}

void TMainForm::showReadyLook()
{
    ui.FireStopbtn->setText(QStringLiteral("Fire"));
    setButtonCaptionColour(ui.FireStopbtn, ReadyCaptionColour);
    if (ui.animationRunning())
        ui.stopAnimation(MainFormLayout::idleAnimationFrame);
}

// The next status tick then comes a full interval from now, which gives the task timer time to
// send the operator's command first.
void TMainForm::restartStatusTimer()
{
    if (ended || state.demoMode)
        return;
    StatusTimer->stop();
    StatusTimer->start();
}

} // namespace tovra
