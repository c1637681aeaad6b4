// The Tools menu's shared port: scripts reach the laser through a pty while the program keeps the
// serial port, polls and the window shows what the scripts do (the sharing itself is the
// program's).

#include "mainform.h"

#include "laserstate.h"
#include "remotefiringbanner.h"
#include "scriptbridge.h"

#include <QAction>
#include <QMenuBar>

namespace tovra {

namespace {

const QString CaptionMark = QStringLiteral("  Shared: ");

} // namespace

void TMainForm::wireSharing()
{
    // In the menu bar's free right end, so that no control moves while it shows.
    RemoteFiringWarning = new RemoteFiringBanner(ui.MainMenu1);
    ui.MainMenu1->setCornerWidget(RemoteFiringWarning, Qt::TopRightCorner);
    connect(ui.SharePortMenu, &QAction::triggered, this, &TMainForm::SharePortMenuClick);
    connect(ui.AllowRemoteFiringMenu, &QAction::triggered, this, &TMainForm::AllowRemoteFiringMenuClick);
    // Shared from the start switch or from the menu, the menu shows it.
    connect(&program, &LaserProgram::sharingChanged, this, &TMainForm::showSharingState);
    // Whoever sets the caption (the settings load does), it ends with the shared port's path.
    connect(this, &QWidget::windowTitleChanged, this, [this] { showSharingInCaption(); });
}

void TMainForm::SharePortMenuClick()
{
    program.share(ui.SharePortMenu->isChecked());
}

void TMainForm::showSharingState()
{
    ui.SharePortMenu->setEnabled(!program.inDemoMode());
    ui.SharePortMenu->setChecked(program.isSharing());
    // Remote firing is allowed for one sharing at a time, never carried over to the next.
    ui.AllowRemoteFiringMenu->setEnabled(program.isSharing());
    if (!program.isSharing())
        ui.AllowRemoteFiringMenu->setChecked(false);
    AllowRemoteFiringMenuClick();
    showSharingInCaption();
}

void TMainForm::AllowRemoteFiringMenuClick()
{
    program.setRemoteFiringAllowed(ui.AllowRemoteFiringMenu->isChecked());
    const bool allowed = ui.AllowRemoteFiringMenu->isChecked() && program.isSharing();
    RemoteFiringWarning->showFor(allowed ? program.scriptBridge().linkPath() : QString());
}

void TMainForm::showSharingInCaption()
{
    QString caption = windowTitle();
    const qsizetype mark = caption.indexOf(CaptionMark);
    if (mark >= 0)
        caption.truncate(mark);
    if (program.isSharing())
        caption += CaptionMark + program.scriptBridge().linkPath();
    if (caption != windowTitle())
        setWindowTitle(caption);
}

} // namespace tovra
