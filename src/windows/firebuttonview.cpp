#include "firebuttonview.h"

#include "mainformlayout.h"
#include "statuscolours.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace tovra {

void FireButtonView::showFiringLook()
{
    ui.FireStopbtn->setText(QStringLiteral("Stop"));
    setButtonCaptionColour(ui.FireStopbtn, FiringCaptionColour);
    if (!ui.animationRunning()) {
        ui.TovraAnimate->setEnabled(true);
        ui.startAnimation(MainFormLayout::idleAnimationFrame);
    }
}

void FireButtonView::showReadyLook()
{
    ui.FireStopbtn->setText(QStringLiteral("Fire"));
    setButtonCaptionColour(ui.FireStopbtn, ReadyCaptionColour);
    if (ui.animationRunning())
        ui.stopAnimation(MainFormLayout::idleAnimationFrame);
}

void FireButtonView::setFireEnabled(bool enabled)
{
    ui.FireStopbtn->setEnabled(enabled);
}

void FireButtonView::setEnableBoxEnabled(bool enabled)
{
    ui.LaserEnableBtn->setEnabled(enabled);
}

bool FireButtonView::enableChecked() const
{
    return ui.LaserEnableBtn->isChecked();
}

void FireButtonView::setEnableChecked(bool checked)
{
    ui.LaserEnableBtn->setChecked(checked);
}

} // namespace tovra
