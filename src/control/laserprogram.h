#pragma once

#include "communication.h"
#include "firecontrol.h"
#include "historywriter.h"
#include "programtimings.h"
#include "programviews.h"
#include "recordfiles.h"
#include "rzcomport.h"
#include "startswitches.h"
#include "statuslistener.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace tovra {

class Desktop;
class HistoryRecorder;
class LinkPrompts;
class LinkRecovery;
class ScriptBridge;
class SerialDevice;
class SettingsLoad;
class StatusPoll;
class TaskRunner;
struct LaserState;

// The control program without a window: the port and the exchange, the settings load, the
// scheduler (TaskRunner, which owns the task and status timers and decides what goes on the wire
// next), the status poll, enable and fire, the record files, the shared port for scripts and the
// search for a laser whose port vanished, wired to each other. It keeps the facts of the run
// that are not the laser's: demo mode and the record files' run stamp.
// A window lends it views (attachViews) and forwards its controls' handlers to it; without one it
// runs the same, showing nothing. Everything that waits for the operator goes through the desktop
// and the link prompts it is given, so a caller without a display gives its own.
//
// The laser's data (identity, settings, measurements) is `laser()`; a change is announced by the
// signals below. Parameters are set as the window's controls set them: through `queueCommand`,
// which the task timer sends in order, dropped while a settings load inhibits commands.
class LaserProgram : public QObject
{
    Q_OBJECT
public:
    struct Environment
    {
        LaserState &state;
        Desktop &desktop;
        LinkPrompts &prompts;
        StartSwitches switches;
        std::function<ShiftKeys()> readShiftKeys; // the real key state; may be empty
        std::unique_ptr<SerialDevice> serialDevice;
        // True once a stop signal (SIGINT, SIGTERM) has arrived; may be empty. Asked at every
        // exchange boundary, so that a signal is acted on also while no events are processed.
        std::function<bool()> stopSignalled = {};
        // How long the program waits for what (the program's own values unless a test shortens them).
        ProgramTimings timings = {};
        // Shown in the window title after a load.
        QString programVersion = {};
        // Where the history of the status poll is kept; none when unset (tests that do not look at it).
        std::optional<HistorySettings> history = {};
    };

    explicit LaserProgram(Environment environment, QObject *parent = nullptr);
    ~LaserProgram() override;

    // Where the program shows what it does from now on; a null view shows that part nowhere.
    void attachViews(const ProgramViews &views);

    // Start-up: reaches the laser (the scan, the port dialog or demo mode, as the switches and
    // keys say), opens the record files asked for, loads the settings and starts polling.
    void start();
    // The operator's exit: the task timer tells the laser to stop firing ("FL 0") and then ends.
    void requestExit();
    // A stop signal: the exit as requestExit, at once, with any open box closed.
    void stopSignalReceived();
    void restart();
    // Ends the instance now: nothing more reaches the laser or a file; `ended` is emitted.
    void exitNow();
    bool hasEnded() const { return instanceEnded; }
    // Runs without a laser: nothing is sent, nothing polled, nothing recorded in the history.
    bool inDemoMode() const { return demo; }

    // The laser's identity, settings and latest measurements.
    const LaserState &laser() const { return state; }
    // The same, for the window's controls, which keep the settings they send in it.
    LaserState &laserState() { return state; }

    // A parameter or other command for the laser, sent at the next task tick in the order
    // queued; a stop command ("FL 0", "EN 0") goes ahead of them. Its source is the window's,
    // or the one actAs names.
    void queueCommand(const QString &command);
    // A line sent as typed, without the command prefix (the service window's sleep line).
    void queueRawLine(const QString &line);
    // A line with its own framing and source (the terminal's lines).
    void queueLine(const OutgoingLine &line);
    // Runs `action` on behalf of `source`: the lines that the controls' handlers queue meanwhile
    // (a parameter, enable, fire, stop) carry that source into the communication log. An API
    // client's writes go through the window's own handlers this way.
    void actAs(const QString &source, const std::function<void()> &action);
    void requestTasks();
    void processTasks();
    void recallBin(int bin); // bin 0: the defaults
    void refresh();
    void loadSettings();
    void identify();
    bool unlockLaser();
    // Reads the value the energy mode governs (attenuator or diode current) into the laser state
    // and its control.
    void readBackEnergyModeValue();

    // Enable and fire, as the enable box and the fire button do them.
    void setLaserEnabled(bool enabled);
    void setFiring(bool firing);

    void statusTick();
    void updateStatus();
    void setVoltagesPolled(bool polled);
    // The next status tick comes a full interval from now.
    void restartStatusTimer();

    // The shared port for scripts; a failure to share is told through the desktop.
    bool share(bool on);
    bool isSharing() const;
    bool isRemoteFiringAllowed() const;
    // A setting the laser was given by a remote client: its control shows it, nothing is sent.
    void showScriptSetting(const ScriptSetting &setting) { scriptSettingView.showScriptSetting(setting); }
    QString version() const { return programVersion; }
    void setRemoteFiringAllowed(bool allowed);

    // The parts, for the window's handlers and for tests.
    Desktop &desktop() { return desk; }
    const StartSwitches &switches() const { return startSwitches; }
    const ProgramTimings &timings() const { return times; }
    TRZComPort &port() { return *comPort; }
    Communication &communication() { return *comm; }
    TaskRunner &tasks() { return *taskRunner; }
    QTimer &taskTimer();
    StatusPoll &statusPoll() { return *poll; }
    FireControl &fireControl() { return fire; }
    RecordFiles &records() { return recordFiles; }
    ScriptBridge &scriptBridge() { return *scriptLines; }
    LinkRecovery &linkRecovery() { return *recovery; }
    SettingsLoad &settingsLoad();
    // The history's writer and its file; null and empty when the program keeps no history.
    HistoryWriter *historyWriter() { return history.get(); }
    const QString &historyFileName() const { return historyFile; }

signals:
    // A status update ran to its end, taking `milliseconds`; `laser()` holds what it read.
    void statusUpdated(qint64 milliseconds);
    // The read-outs turned live (an update read the laser) or stale (polling stopped, link lost).
    void linkStateChanged(bool live);
    // The fire look a status word or the operator's fire/stop set (true: firing).
    void firingChanged(bool firing);
    // A setting of the laser was shown from the laser's side (a load, an energy-mode read-back, a
    // setter sent as typed); `laser()` holds the new values.
    void settingChanged();
    // One line of the terminal traffic, as the window's terminal shows it.
    void trafficLine(const QString &line, TrafficDirection direction);
    // The settings load ended (its controls are all shown).
    void settingsLoaded();
    // Sharing started or stopped.
    void sharingChanged(bool sharing);
    // The instance ended (exit or restart): the program does nothing more.
    void ended();

private:
    ShiftKeys shiftKeysNow() const;
    void openPickedPort();
    void enterDemoMode();
    void endInstance();
    void wireTasks();
    void wirePoll();
    void wireSharing();
    void wireHistory(std::optional<HistorySettings> settings);
    void updateCompleted(const CompletedUpdate &update);

    // The poll's one listener: each complete update goes to the history and then to statusUpdated.
    class UpdateRelay : public StatusListener
    {
    public:
        explicit UpdateRelay(LaserProgram &laserProgram) : program(laserProgram) {}
        void statusUpdated(const CompletedUpdate &update) override { program.updateCompleted(update); }

    private:
        LaserProgram &program;
    };
    UpdateRelay updateRelay{*this};

    LaserState &state;
    Desktop &desk;
    LinkPrompts &prompts;
    const StartSwitches startSwitches;
    const std::function<ShiftKeys()> readShiftKeys;
    const std::function<bool()> stopSignalled;
    const ProgramTimings times;
    const QString programVersion;

    SettingsLoadViewStandIn settingsView;
    StatusPollViewStandIn pollView;
    FireControlViewStandIn fireView;
    RecordFilesViewStandIn recordsView;
    ScriptSettingViewStandIn scriptSettingView;
    TerminalViewStandIn terminalView;

    TRZComPort *comPort = nullptr; // a child, so that it goes with the program
    std::unique_ptr<Communication> comm;
    std::unique_ptr<SettingsLoad> loader;
    std::unique_ptr<TaskRunner> taskRunner;
    FireControl fire;
    RecordFiles recordFiles;
    std::unique_ptr<StatusPoll> poll;
    ScriptBridge *scriptLines = nullptr;
    LinkRecovery *recovery = nullptr;
    QString historyFile;
    std::unique_ptr<HistoryWriter> history;
    std::unique_ptr<HistoryRecorder> historyRecorder;
    bool instanceEnded = false;
    bool demo = false;
    bool firingShown = false;
    QString actingSource = LineSource::window();
};

} // namespace tovra
