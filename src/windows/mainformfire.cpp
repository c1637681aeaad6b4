// The window's side of enable and fire: the handlers hand over to the program's FireControl
// (FireButtonView shows what it reports), and the note of a stop not yet delivered.

#include "mainform.h"

#include <QLabel>

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
