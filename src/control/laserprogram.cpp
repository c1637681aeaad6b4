#include "laserprogram.h"

#include "desktop.h"
#include "historyrecorder.h"
#include "laserstate.h"
#include "linkrecovery.h"
#include "parametertable.h"
#include "recordformat.h"
#include "scriptbridge.h"
#include "serialdevice.h"
#include "settingsload.h"
#include "statuspoll.h"
#include "taskrunner.h"

#include <QCoreApplication>
#include <QScopedValueRollback>
#include <QThread>

namespace tovra {

namespace {

const QString NoDeviceQuestion = QStringLiteral(
    "No device found. Try to reconnect?\n\r\n\rMake sure unit is fully powered on\n\rbefore selecting Yes");

} // namespace

LaserProgram::LaserProgram(Environment environment, QObject *parent)
    : QObject(parent)
    , state(environment.state)
    , desk(environment.desktop)
    , prompts(environment.prompts)
    , startSwitches(environment.switches)
    , readShiftKeys(std::move(environment.readShiftKeys))
    , stopSignalled(std::move(environment.stopSignalled))
    , times(environment.timings)
    , programVersion(environment.programVersion)
    , settingsView([this](const QString &line) { recordFiles.appendLogNote(line); },
                   [this](SettingsLoadView::Setting, double) { emit settingChanged(); })
    // Check boxes whose own reply the last load could not read follow the status word read.
    , pollView([this](bool live) { emit linkStateChanged(live); },
               [this](uint32_t statusWord) { settingsLoad().followStatusWord(statusWord); })
    , fireView([this] { fire.LaserEnableBtnClick(); },
               [this](bool firing) {
                   if (firing != firingShown) {
                       firingShown = firing;
                       emit firingChanged(firing);
                   }
               })
    , scriptSettingView([this](const ScriptSetting &) { emit settingChanged(); })
    , terminalView([this](const QString &line, TrafficDirection direction) { emit trafficLine(line, direction); })
    , fire(environment.state, fireView,
           {[this](const QString &command) { queueCommand(command); }, [this] { restartStatusTimer(); },
            [this] { taskRunner->requestUnlock(); }})
    , recordFiles(environment.state, environment.desktop,
                  [this] { return comPort->InUse() || poll->isUpdating() || taskRunner->running(); }, recordsView)
{
    setObjectName(QStringLiteral("LaserProgram"));
    comPort = new TRZComPort(prompts, this, std::move(environment.serialDevice));
    comPort->setObjectName(QStringLiteral("ComPort"));
    comPort->setBaud(57600);
    comPort->setParity(TParity::parEven);
    comPort->setHandshaking(THandshake::hsNone);
    comPort->setResponseTime(uint32_t(times.scanResponseTime.count()));

    comm = std::make_unique<Communication>(*comPort, state, terminalView, prompts);
    comm->setScanPause(times.scanPause);
    comm->setScanResponseTime(times.scanResponseTime);
    comm->setTrafficLog(&recordFiles);
    comm->setExitCheck([this] { return taskRunner && taskRunner->exitRequested(); });
    wireTasks();
    wirePoll();
    wireSharing();
    wireHistory(std::move(environment.history));
}

LaserProgram::~LaserProgram() = default;

void LaserProgram::attachViews(const ProgramViews &views)
{
    settingsView.attach(views.settings);
    pollView.attach(views.poll);
    fireView.attach(views.fire);
    recordsView.attach(views.records);
    scriptSettingView.attach(views.scriptSettings);
    terminalView.attach(views.terminal);
}

void LaserProgram::wireTasks()
{
    taskRunner = std::make_unique<TaskRunner>(*comm, *comPort, TaskActions{
        .loadSettings = [this] { loadSettings(); },
        .unlockLaser = [this] { unlockLaser(); },
        .readBackEnergyMode = [this] { readBackEnergyModeValue(); },
        .rawLineAnswered =
            [this](const QString &line, const QString &reply) {
                // The terminal's setters follow into the controls as a script's do.
                if (const std::optional<ScriptSetting> setting = settingTakenBy(line, reply))
                    scriptSettingView.showScriptSetting(*setting);
            },
        .followStopLine = [this](const QString &line) { fire.followStopLine(line); },
        .exitProgram = [this] { exitNow(); },
        .updateStatus = [this] { poll->tick(); },
        .statusUpdateRunning = [this] { return poll->isUpdating(); },
    }, times);
}

// The recorder hears the poll and the exchange; the writer keeps what it hears on a thread of its own.
void LaserProgram::wireHistory(std::optional<HistorySettings> settings)
{
    if (!settings)
        return;
    historyFile = settings->fileName;
    history = std::make_unique<HistoryWriter>(std::move(*settings));
    historyRecorder = std::make_unique<HistoryRecorder>(state, *history);
    comm->setListener(historyRecorder.get());
}

void LaserProgram::updateCompleted(const CompletedUpdate &update)
{
    if (historyRecorder)
        historyRecorder->statusUpdated(update);
    emit statusUpdated(update.took.count());
}

QTimer &LaserProgram::taskTimer()
{
    return taskRunner->timer();
}

void LaserProgram::wirePoll()
{
    recovery = new LinkRecovery(state, *comm, *comPort, desk, terminalView, recordFiles,
                                {.restart = [this] { restart(); },
                                 .exit = [this] { exitNow(); },
                                 .showStale = [this](const QString &text) { poll->showStale(text); },
                                 .reloadSettings = [this] { loadSettings(); },
                                 .followNextStatusWord = [this] { fire.followNextStatusWord(); }},
                                this);
    poll = std::make_unique<StatusPoll>(
        *comm, *comPort, state, desk, pollView, fire, recordFiles,
        StatusPoll::ProgramActions{[this] { return instanceEnded; }, [this] { return recovery->recover(); }});
    poll->setListener(&updateRelay);

    comPort->setOnTimeout([this] { comm->HandleTimeout(); });
    comm->setTimeoutActions({
        .stopPolling =
            [this] {
                taskRunner->pausePolling();
                poll->showStale(StatusPoll::NotPollingText);
            },
        .resumePolling = [this] { taskRunner->resumePolling(); },
        .restartApp = [this] { restart(); },
        .exitApp = [this] { exitNow(); },
    });
    comm->setBoundaryCheck([this] {
        if (stopSignalled && stopSignalled() && !taskRunner->exitRequested())
            stopSignalReceived();
    });
}

void LaserProgram::wireSharing()
{
    scriptLines = new ScriptBridge(*comm, terminalView, scriptSettingView, this);
    taskRunner->addSource(scriptLines);
    scriptLines->setStopHandler([this](const OutgoingLine &line, Communication::StopReplied replied) {
        taskRunner->stopNow(line, std::move(replied));
    });
    scriptLines->setLogNote([this](const QString &line) { recordFiles.appendLogNote(line); });
    // A script's line goes out at once, not at the next tick of the task timer.
    connect(scriptLines, &ScriptBridge::linesWaiting, this, [this] { taskRunner->requestSoon(); });
}

ShiftKeys LaserProgram::shiftKeysNow() const
{
    ShiftKeys keys = readShiftKeys ? readShiftKeys() : ShiftKeys{};
    keys.left = keys.left || startSwitches.demo;
    keys.right = keys.right || startSwitches.pickPort;
    return keys;
}

void LaserProgram::start()
{
    poll->setVoltagesPolled(true);

    const ShiftKeys keys = shiftKeysNow();
    if (startSwitches.port > 0) {
        // The port given (port=N): opened as the port dialog's choice is, without a scan.
        comPort->setPort(startSwitches.port);
        openPickedPort();
        taskRunner->setOnLaserPort();
    } else if (keys.right) {
        if (!comPort->Pick()) {
            exitNow();
            return;
        }
        openPickedPort();
        taskRunner->setOnLaserPort();
    } else if (keys.left) {
        enterDemoMode();
    } else if (comm->ConnectToLaser()) {
        taskRunner->setOnLaserPort();
    } else {
        // A stop signal during the scan ends the program without the question.
        if (taskRunner->exitRequested()) {
            exitNow();
            return;
        }
        if (desk.warning(NoDeviceQuestion, ButtonSet::YesNo) == Button::Yes) {
            restart();
            return;
        }
        if (!shiftKeysNow().left) {
            exitNow();
            return;
        }
        enterDemoMode();
    }

    recordFiles.setRunStamp(runStampNow());

    if (startSwitches.log)
        recordFiles.toggle(RecordKind::CommunicationLog);
    if (startSwitches.data)
        recordFiles.toggle(RecordKind::DataCollection);

    comm->SendRawLine(QStringLiteral(";LC:XL 0"));
    terminalView.clearTraffic();
    comPort->setResponseTime(uint32_t(times.responseTime.count()));
    loadSettings();
    taskRunner->resumePolling();
    comPort->setAllowEvents(true);
    // A stop signal found during the load: the exit follows at once and the window never shows.
    if (taskRunner->exitRequested()) {
        processTasks();
        return;
    }
    if (startSwitches.share && !demo && !instanceEnded)
        share(true);
}

void LaserProgram::openPickedPort()
{
    comPort->Open();
    comPort->setBaud(57600);
    comPort->setEndOfResponse(QByteArrayLiteral("\r"));
    comPort->setAllowEvents(false);
    comPort->setShowErrors(false);
    comPort->setResponseTime(uint32_t(times.responseTime.count()));
}

// Demo mode runs without a laser and sends nothing: the port is never opened, so whatever device
// sits on port 1 is left alone.
void LaserProgram::enterDemoMode()
{
    desk.message(QStringLiteral("Entering Demo Mode"));
    demo = true;
    if (historyRecorder)
        historyRecorder->setDemoMode(true);
    taskRunner->pausePolling();
    comm->detach();
}

void LaserProgram::requestExit()
{
    taskRunner->requestExit();
}

// A box left open would hold the exit for as long as no one answers it; closed without a button,
// it lets the code that opened it wind down, and the task timer then ends the program.
void LaserProgram::stopSignalReceived()
{
    requestExit();
    desk.closeOpenBoxes();
}

void LaserProgram::restart()
{
    if (instanceEnded)
        return;
    // A stop the operator asked for while an exchange waited goes out before the port is let go:
    // the new instance would not know of it.
    comm->writePendingStopsBeforeLettingGo();
    comPort->Close();
    endInstance();
    QThread::msleep(quint32(times.restartPause.count()));
    desk.startNewInstance();
}

void LaserProgram::exitNow()
{
    if (instanceEnded)
        return;
    endInstance();
}

// Both endings can be reached from inside a waiting read (the time-out question) or a status
// update (the port question). Nothing is destroyed here: the exchange cuts itself off the port,
// the timers stop and the files close, so the callers still on the stack wind down harmlessly
// and nothing more reaches the laser or a file.
void LaserProgram::endInstance()
{
    instanceEnded = true;
    taskRunner->requestExit();
    recordFiles.discardMessages();
    taskRunner->end();
    // The last update's data row goes to the file before it closes.
    poll->settleNow();
    comm->writePendingStopsBeforeLettingGo();
    comm->detach();
    scriptLines->stop();
    comPort->setAllowEvents(false);
    comPort->setShowErrors(false);
    comPort->Close();
    recordFiles.endRecording();
    emit ended();
    QCoreApplication::exit(0);
    QCoreApplication::processEvents();
}

void LaserProgram::queueCommand(const QString &command)
{
    queueLine(OutgoingLine::command(command, actingSource));
}

void LaserProgram::queueRawLine(const QString &line)
{
    queueLine(OutgoingLine::raw(line, actingSource));
}

void LaserProgram::queueLine(const OutgoingLine &line)
{
    taskRunner->queueLine(line);
}

void LaserProgram::actAs(const QString &source, const std::function<void()> &action)
{
    const QScopedValueRollback<QString> acting(actingSource, source);
    action();
}

void LaserProgram::requestTasks()
{
    taskRunner->request();
}

void LaserProgram::processTasks()
{
    taskRunner->tick();
}

// Several requests before one task tick recall only the last bin.
void LaserProgram::recallBin(int bin)
{
    taskRunner->requestRecall(bin);
}

void LaserProgram::refresh()
{
    taskRunner->requestRefresh();
}

SettingsLoad &LaserProgram::settingsLoad()
{
    // Made at first use, so that the design ranges it keeps are those of the window's controls
    // when a window is attached by then.
    if (!loader)
        loader = std::make_unique<SettingsLoad>(*comm, state, settingsView);
    return *loader;
}

void LaserProgram::identify()
{
    settingsLoad().identify();
}

void LaserProgram::loadSettings()
{
    taskRunner->pausePolling();
    settingsLoad().run(programVersion, comPort->Port());
    emit settingsLoaded();
    if (demo)
        return;
    if (historyRecorder)
        historyRecorder->settingsLoaded();
    taskRunner->resumePolling();
}

bool LaserProgram::unlockLaser()
{
    using Part = SettingsLoadView::Part;
    state.laserUnlocked = queryPasswordLock(*comm) != PasswordLock::Locked;
    settingsView.setPartVisible(Part::UnlockLaserMenu, !state.laserUnlocked);
    if (state.laserUnlocked)
        return true;

    // Cancel is no attempt: nothing is sent and nothing is said; the laser stays locked.
    const std::optional<QString> password
        = desk.inputSecret(QStringLiteral("Password Entry"), QStringLiteral("Enter Password:"));
    // A box closed because the program is ending sends nothing and opens no other box, whatever
    // it held.
    if (!password || taskRunner->exitRequested())
        return false;
    if (comm->SendCommand(QStringLiteral("PW ") + *password).contains(QStringLiteral("Unsecured"))) {
        desk.message(QStringLiteral("Laser Unlocked"));
        state.laserUnlocked = true;
    } else {
        desk.message(QStringLiteral("Incorrect Password"));
        state.laserUnlocked = false;
    }
    settingsView.setPartVisible(Part::UnlockLaserMenu, !state.laserUnlocked);
    return state.laserUnlocked;
}

// The energy mode governs the attenuator where one is fitted, the diode current otherwise; the
// control shows what the laser holds now (written with its handler silent, so nothing is sent back
// and the mode is not reset). A value that could not be read leaves the control as it was.
void LaserProgram::readBackEnergyModeValue()
{
    const Setting governed = energyModeGoverned(state);
    const std::optional<double> value = comm->TryQueryFloat(mnemonicFor(parameter(governed), state));
    if (value)
        storeValue(state, governed, *value);
    settingsView.showSetting(governed, currentValue(state, governed));
}

void LaserProgram::setLaserEnabled(bool enabled)
{
    fireView.setEnableChecked(enabled);
}

void LaserProgram::setFiring(bool firing)
{
    if (firing != fire.firingOrRequested())
        fire.FireStopbtnClick();
}

void LaserProgram::statusTick()
{
    taskRunner->statusTick();
}

void LaserProgram::updateStatus()
{
    poll->update();
}

void LaserProgram::setVoltagesPolled(bool polled)
{
    poll->setVoltagesPolled(polled);
}

// The next status tick then comes a full interval from now, which gives the task timer time to
// send the operator's command first.
void LaserProgram::restartStatusTimer()
{
    taskRunner->restartPolling();
}

bool LaserProgram::share(bool on)
{
    bool shared = true;
    if (on && !scriptLines->isSharing()) {
        QString error;
        shared = scriptLines->start(SharedPort::defaultLinkPath(), &error);
        if (!shared)
            desk.message(QStringLiteral("The port is not shared: ") + error);
    } else if (!on) {
        scriptLines->stop();
    }
    // Remote firing is allowed for one sharing at a time, never carried over to the next.
    if (!scriptLines->isSharing())
        scriptLines->setRemoteFiringAllowed(false);
    emit sharingChanged(scriptLines->isSharing());
    return shared;
}

bool LaserProgram::isSharing() const
{
    return scriptLines->isSharing();
}

bool LaserProgram::isRemoteFiringAllowed() const
{
    return scriptLines->isRemoteFiringAllowed();
}

void LaserProgram::setRemoteFiringAllowed(bool allowed)
{
    scriptLines->setRemoteFiringAllowed(allowed && scriptLines->isSharing());
}

} // namespace tovra
