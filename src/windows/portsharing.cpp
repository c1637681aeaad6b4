// The Tools menu's shared port: scripts reach the laser through a pty while the window keeps the
// serial port, polls and shows what the scripts do.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "remotefiringbanner.h"
#include "scriptbridge.h"
#include "scriptsettings.h"
#include "taskrunner.h"
#include "trafficview.h"

#include <QAction>
#include <QMenuBar>
#include <QTimer>

namespace tovra {

namespace {

const QString CaptionMark = QStringLiteral("  Shared: ");

// How long before a status update is due the script's lines give way to it: longer than a line's
// exchange and the status timer's own slack.
constexpr int StatusPollLeadMs = 80;

} // namespace

void TMainForm::wireSharing()
{
    scriptSettings = std::make_unique<ScriptSettingsFollower>(ui, state, [this] { readBackEnergyModeValue(); });
    ScriptLines = new ScriptBridge(state, *comm, *ResponseList, *scriptSettings, this);
    ScriptLines->setStopHandler([this](const OutgoingLine &line, Communication::StopReplied replied) {
        tasks->stopNow(line, std::move(replied));
    });
    ScriptLines->setLogNote([this](const QString &line) { appendLogNote(line); });
    // In the menu bar's free right end, so that no control moves while it shows.
    RemoteFiringWarning = new RemoteFiringBanner(ui.MainMenu1);
    ui.MainMenu1->setCornerWidget(RemoteFiringWarning, Qt::TopRightCorner);
    ScriptLines->setStatusPollDue(
        [this] { return StatusTimer->isActive() && StatusTimer->remainingTime() <= StatusPollLeadMs; });
    // A script's line goes out at once, not at the next tick of the task timer.
    connect(ScriptLines, &ScriptBridge::linesWaiting, this, [this] {
        if (!ended)
            QTimer::singleShot(0, this, &TMainForm::ProcessTasks);
    });
    connect(ui.SharePortMenu, &QAction::triggered, this, &TMainForm::SharePortMenuClick);
    connect(ui.AllowRemoteFiringMenu, &QAction::triggered, this, &TMainForm::AllowRemoteFiringMenuClick);
    // Whoever sets the caption (the settings load does), it ends with the shared port's path.
    connect(this, &QWidget::windowTitleChanged, this, [this] { showSharingInCaption(); });
}

void TMainForm::startSharingIfAsked()
{
    ui.SharePortMenu->setEnabled(!state.demoMode);
    if (switches.share && !state.demoMode && !ended) {
        ui.SharePortMenu->setChecked(true);
        SharePortMenuClick();
    }
}

void TMainForm::SharePortMenuClick()
{
    if (ui.SharePortMenu->isChecked() && !ScriptLines->isSharing()) {
        QString error;
        if (!ScriptLines->start(SharedPort::defaultLinkPath(), &error)) {
            ui.SharePortMenu->setChecked(false);
            desktop.message(QStringLiteral("The port is not shared: ") + error);
        }
    } else if (!ui.SharePortMenu->isChecked()) {
        ScriptLines->stop();
    }
    // Remote firing is allowed for one sharing at a time, never carried over to the next.
    ui.AllowRemoteFiringMenu->setEnabled(ScriptLines->isSharing());
    if (!ScriptLines->isSharing())
        ui.AllowRemoteFiringMenu->setChecked(false);
    AllowRemoteFiringMenuClick();
    showSharingInCaption();
}

void TMainForm::AllowRemoteFiringMenuClick()
{
    const bool allowed = ui.AllowRemoteFiringMenu->isChecked() && ScriptLines->isSharing();
    ScriptLines->setRemoteFiringAllowed(allowed);
    RemoteFiringWarning->showFor(allowed ? ScriptLines->linkPath() : QString());
}

void TMainForm::showSharingInCaption()
{
    QString caption = windowTitle();
    const qsizetype mark = caption.indexOf(CaptionMark);
    if (mark >= 0)
        caption.truncate(mark);
    if (ScriptLines->isSharing())
        caption += CaptionMark + ScriptLines->linkPath();
    if (caption != windowTitle())
        setWindowTitle(caption);
}

} // namespace tovra
