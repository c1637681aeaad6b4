// The About box and the Tools menu's helpers: none of them talks to the laser.

#include "mainform.h"

#include "abouttext.h"
#include "calculatordialog.h"
#include "desktop.h"
#include "laserstate.h"
#include "screenshot.h"
#include "trafficview.h"
#include "versioninfo.h"

namespace tovra {

namespace {

const QString MakerWebSite = QStringLiteral("https://www.marovane.com/");

} // namespace

void TMainForm::About1Click()
{
    desktop.message(aboutText(state, VersionInfo->FileVersion()));
}

void TMainForm::WebSite1Click()
{
    desktop.openUrl(MakerWebSite);
}

void TMainForm::Calculator1Click()
{
    Calculator calculator(this);
    desktop.execDialog(calculator);
}

void TMainForm::CaptureScreenShot1Click()
{
    // The picture is the window's own painting, so the menu that was just closed is never in it.
    const QString written = saveScreenShot(this, desktop);
    if (!written.isEmpty())
        ResponseList->appendTrafficLine(QStringLiteral("Screen shot saved as ") + written, TrafficDirection::Note);
}

} // namespace tovra
