#pragma once

#include "commandqueue.h"
#include "communication.h"
#include "startswitches.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace tovra {

class Desktop;
class SerialDevice;
class TRZComPort;
class TrafficView;
class TrpVersionInfo;
struct LaserState;

// The operator's main window and the logic behind it. The class builds and wires the window; the
// logic of each concern lives in its own source file (start-up and shutdown, the task queue,
// identity and settings load, the record files, ...). Handler names follow the window's controls.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    struct Environment
    {
        LaserState &state;
        Desktop &desktop;
        StartSwitches switches;
        std::function<ShiftKeys()> readShiftKeys; // the real key state; may be empty
        std::unique_ptr<SerialDevice> serialDevice;
    };

    explicit TMainForm(Environment environment, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start-up and shutdown.
    void FormCreate();
    void Exit1Click();
    void R1Click();
    void RestartApp();
    void ExitApp();
    // True once ExitApp or RestartApp has run: the instance is ending.
    bool hasEnded() const { return ended; }

    // Command queue and task timer.
    void QueuedCommandToPort(const QString &command);
    void TaskTimerTimer();
    void ProcessTasks();
    void ComPortTimeout();

    // Identity and settings load.
    void ParseIDN();
    void Initialize();

    // Service access and laser unlock.
    bool UnlockLaser();
    void UnlockLaserMenuClick();

    // Status polling.
    void StatusTimerTimer();
    void UpdateStatus();

    // Record files.
    void ToggleLoggingState();
    void ToggleDataCollection();
    void EnableLoggingMenuClick();
    void EnableDataCollectionMenuClick();
    QString logFileName() const;
    QString dataFileName() const;
    void appendDataRow();
    // A note in the communication log without time stamp ("Temperature Fault").
    void appendLogNote(const QString &line);

    LaserState &laserState() { return state; }
    Communication &communication() { return *comm; }
    TRZComPort *ComPort = nullptr;
    QTimer *TaskTimer = nullptr;
    QTimer *StatusTimer = nullptr;
    TrpVersionInfo *VersionInfo = nullptr;
    TrafficView *ResponseList = nullptr;
    QAction *Exit1 = nullptr;
    QAction *R1 = nullptr;
    QAction *EnableLoggingMenu = nullptr;
    QAction *EnableDataCollectionMenu = nullptr;
    QAction *UnlockLaserMenu = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void wireComponents();
    ShiftKeys shiftKeysNow() const;
    void enterDemoMode();
    void openPickedPort();
    void endInstance();
    void watchRecordFiles();

    LaserState &state;
    Desktop &desktop;
    const StartSwitches switches;
    const std::function<ShiftKeys()> readShiftKeys;
    std::unique_ptr<Communication> comm;
    CommandQueue queue;
    bool ended = false;
};

} // namespace tovra
