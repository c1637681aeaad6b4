// The mini family's password lock.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"

#include <QAction>

namespace tovra {

bool TMainForm::UnlockLaser()
{
    const QString reply = comm->SendAndReceive(QStringLiteral("PW"));
    if (reply.contains(QLatin1Char('?'))) {
        state.laserUnlocked = true;
    } else {
        // A reply that is no number (nothing came in time, or noise) cannot prove the laser
        // unlocked, so it counts as locked and the operator is offered the password dialog.
        bool isNumber = false;
        const double lockState = reply.trimmed().toDouble(&isNumber);
        state.laserUnlocked = isNumber && lockState == 1;
    }
    UnlockLaserMenu->setVisible(!state.laserUnlocked);
    if (state.laserUnlocked)
        return true;

    const QString password = desktop.inputText(QStringLiteral("Password Entry"), QStringLiteral("Enter Password:"), QString());
    if (comm->SendCommand(QStringLiteral("PW ") + password).contains(QStringLiteral("Unsecured"))) {
        desktop.message(QStringLiteral("Laser Unlocked"));
        state.laserUnlocked = true;
    } else {
        desktop.message(QStringLiteral("Incorrect Password"));
        state.laserUnlocked = false;
    }
    UnlockLaserMenu->setVisible(!state.laserUnlocked);
    return state.laserUnlocked;
}

void TMainForm::UnlockLaserMenuClick()
{
    UnlockLaser();
}

} // namespace tovra
