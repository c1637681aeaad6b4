// The About box and the Tools menu's helpers: none of them talks to the laser.

#include "mainform.h"

#include "abouttext.h"
#include "calculatordialog.h"
#include "desktop.h"
#include "laserstate.h"
#include "screenshot.h"
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
    // The place a closed menu or box has just left shows the window again only once the window
    // has painted it; the picture is of the window, so it paints first.
    repaint();
    saveScreenShot(this, desktop);
}

} // namespace tovra
