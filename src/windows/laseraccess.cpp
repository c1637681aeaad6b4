// Service access and the mini family's password lock.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"

#include <QAction>

namespace tovra {

// The code is compared exactly, blanks included; a cancelled dialog counts as a wrong code.
void TMainForm::Service1Click()
{
    const QString code = desktop.inputText(QStringLiteral("Unsecure Form"), QStringLiteral("Enter Code:"), QString());
    if (code == ServiceCode) {
        desktop.message(QStringLiteral("System Unsecured"));
        program.statusPoll().openServiceWindowAfterUpdate();
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
    return program.unlockLaser();
}

void TMainForm::UnlockLaserMenuClick()
{
    UnlockLaser();
}

} // namespace tovra
