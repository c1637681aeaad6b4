// Identity of the connected laser and the load of its settings into the window.

#include "mainform.h"

#include "identity.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "versioninfo.h"

#include <QTimer>

namespace tovra {

void TMainForm::ParseIDN()
{
    parseIdentityReply(comm->SendAndReceive(QStringLiteral("ID")), state);
}

void TMainForm::Initialize()
{
    state.laserUnlocked = false;
    if (state.demoMode) {
        StatusTimer->stop();
        setWindowTitle(QStringLiteral(" Tovra  SW Version: ") + VersionInfo->FileVersion()
                       + QStringLiteral(" ComPort: Demo"));
        return;
    }

    StatusTimer->stop();
    state.commandsInhibited = true;
    ParseIDN();
    const QString maker = state.manufacturerCode == QLatin1String("RZ") ? QStringLiteral("Marovane")
                                                                         : QStringLiteral("Unknown");
    setWindowTitle(maker + QStringLiteral(" Model ") + state.modelName + QStringLiteral("  SW Version: ")
                   + VersionInfo->FileVersion() + QStringLiteral(" ComPort: ") + QString::number(ComPort->Port()));
    state.commandsInhibited = false;
    if (!ended)
        StatusTimer->start();
}

} // namespace tovra
