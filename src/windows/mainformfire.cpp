// The window's side of enable and fire: the handlers hand over to the program's FireControl, and the fire
// button, the animation and the enable box show what it reports.

#include "mainform.h"

#include "laserstate.h"
#include "statuscolours.h"
#include "statusword.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace tovra {

void TMainForm::FireStopbtnClick()
{
    program.fireControl().FireStopbtnClick();
}

bool TMainForm::LaserFire(bool fireNow)
{
    return program.fireControl().LaserFire(fireNow);
}

void TMainForm::LaserEnableBtnClick()
{
    program.fireControl().LaserEnableBtnClick();
}

void TMainForm::LaserEnable(bool enable)
{
    program.fireControl().LaserEnable(enable);
}

void TMainForm::CheckFireEnableState()
{
    program.fireControl().CheckFireEnableState();
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

void TMainForm::setFireEnabled(bool enabled)
{
    ui.FireStopbtn->setEnabled(enabled);
}

void TMainForm::setEnableBoxEnabled(bool enabled)
{
    ui.LaserEnableBtn->setEnabled(enabled);
}

bool TMainForm::enableChecked() const
{
    return ui.LaserEnableBtn->isChecked();
}

void TMainForm::setEnableChecked(bool checked)
{
    ui.LaserEnableBtn->setChecked(checked);
}

// A stop the port did not take is tried again at every exchange boundary; until it is written the
// window says so over the banner, where the operator looks while the laser fires.
void TMainForm::setUpStopDeliveryNote()
{
    StopNotDeliveredlbl = new QLabel(QStringLiteral("Stop not delivered"), ui.TovraAnimate->parentWidget());
    StopNotDeliveredlbl->setObjectName(QStringLiteral("StopNotDeliveredlbl"));
    StopNotDeliveredlbl->setAlignment(Qt::AlignCenter);
    StopNotDeliveredlbl->setStyleSheet(QStringLiteral("QLabel { color: white; background: red; font-weight: bold; }"));
    const QRect banner = ui.TovraAnimate->geometry();
    StopNotDeliveredlbl->setGeometry(banner.left(), banner.bottom() - 19, banner.width(), 20);
    StopNotDeliveredlbl->hide();
    program.communication().setStopDeliveryWatch([this](bool undelivered) {
        StopNotDeliveredlbl->setVisible(undelivered);
        StopNotDeliveredlbl->raise();
    });
}

} // namespace tovra
