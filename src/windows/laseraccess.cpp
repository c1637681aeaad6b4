// Service access and the mini family's password lock.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "settingsload.h"

#include <QAction>

namespace tovra {

// The code is compared exactly, blanks included; a cancelled dialog counts as a wrong code.
void TMainForm::Service1Click()
{
    const QString code = desktop.inputText(QStringLiteral("Unsecure Form"), QStringLiteral("Enter Code:"), QString());
    if (code == ServiceCode) {
        desktop.message(QStringLiteral("System Unsecured"));
        state.serviceWindowPending = true; // the next status tick opens the window
        return;
    }
    desktop.message(QStringLiteral("Incorrect Code"));
    ui.ServiceWindowMenu->setVisible(false);
    closeServiceWindow();
}

void TMainForm::ServiceWindowMenuClick()
{
    openServiceWindow();
}

bool TMainForm::UnlockLaser()
{
    state.laserUnlocked = queryPasswordLock(*comm) != PasswordLock::Locked;
    ui.UnlockLaserMenu->setVisible(!state.laserUnlocked);
    if (state.laserUnlocked)
        return true;

    // Cancel is no attempt: nothing is sent and nothing is said; the laser stays locked.
    const std::optional<QString> password
        = desktop.inputSecret(QStringLiteral("Password Entry"), QStringLiteral("Enter Password:"));
    // A box closed because the program is ending sends nothing and opens no other box, whatever
    // it held.
    if (!password || state.exitRequested)
        return false;
    if (comm->SendCommand(QStringLiteral("PW ") + *password).contains(QStringLiteral("Unsecured"))) {
        desktop.message(QStringLiteral("Laser Unlocked"));
        state.laserUnlocked = true;
    } else {
        desktop.message(QStringLiteral("Incorrect Password"));
        state.laserUnlocked = false;
    }
    ui.UnlockLaserMenu->setVisible(!state.laserUnlocked);
    return state.laserUnlocked;
}

void TMainForm::UnlockLaserMenuClick()
{
    UnlockLaser();
}

} // namespace tovra
