#pragma once

#include "commandqueue.h"
#include "communication.h"
#include "mainformlayout.h"
#include "settingsload.h"
#include "startswitches.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QTimer;

namespace tovra {

class DeferredMessages;
class Desktop;
class SerialDevice;
class TPlusSpinEdit;
class TRZComPort;
class TServiceForm;
class TrafficView;
class TrpVersionInfo;
struct LaserState;

// The operator's main window and the logic behind it. The class builds and wires the window; the
// logic of each concern lives in its own source file (start-up and shutdown, the task queue, the
// settings load, parameter controls, bins and terminal, status poll, fire control, record files,
// access, tools). Handler names follow the window's controls.
class TMainForm : public QMainWindow, private SettingsLoadView
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
        // True once a stop signal (SIGINT, SIGTERM) has arrived; may be empty. Asked at every
        // exchange boundary, so that a signal is acted on also while no events are processed.
        std::function<bool()> stopSignalled = {};
    };

    explicit TMainForm(Environment environment, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start-up and shutdown.
    void FormCreate();
    void Exit1Click();
    // A stop signal: the exit as from File > Exit, at once, with any open box closed.
    void StopSignalReceived();
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

    // Operating parameter controls.
    void RepRateAdjChange();
    void SystemModeSelChange();
    void BurstCountAdjChange();
    void SyncSettingsSelChange();
    void DiodeCurrentAdjChange();
    void DiodePulseWidthAdjChange();
    void DiodeTriggerSelChange();
    void QSwitchEnableBtnClick();
    void QSWDelayAdjChange();
    void QSWTriggerSelChange();
    void QSWWaitCountAdjChange();
    void DivideByNEnableClick();
    void DivideByNAdjChange();
    void AttenuatorAdjChange();
    void EnergyModeSelChange();
    void EnhEnergyModeSelChange();

    // Settings bins, refresh and the terminal.
    void SaveBinClick(int bin);    // SaveBin1Click .. SaveBin6Click
    void RestoreBinClick(int bin); // DefaultBin0Click, RestoreBin1Click .. RestoreBin6Click
    void Up1Click();
    void ClearUserCountbtnClick();
    void SendBtnClick();
    // Returns true when the key was consumed.
    bool SendEditKeyPress(QKeyEvent *event);

    // Status polling.
    void StatusTimerTimer();
    void UpdateStatus();
    void UpdateVoltagesEnClick();

    // Enable and fire.
    void FireStopbtnClick();
    bool LaserFire(bool fire);
    void LaserEnableBtnClick();
    void LaserEnable(bool enable);
    void CheckFireEnableState();

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

    // Service access and laser unlock.
    void Service1Click();
    void ServiceWindowMenuClick();
    bool UnlockLaser();
    void UnlockLaserMenuClick();

    // About box and tools.
    void About1Click();
    void WebSite1Click();
    void Calculator1Click();
    void CaptureScreenShot1Click();

    LaserState &laserState() { return state; }
    Communication &communication() { return *comm; }
    MainFormLayout ui;
    TRZComPort *ComPort = nullptr;
    QTimer *TaskTimer = nullptr;
    QTimer *StatusTimer = nullptr;
    TrpVersionInfo *VersionInfo = nullptr;
    TrafficView *ResponseList = nullptr;
    TServiceForm *ServiceForm = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void connectMenus();
    void wireComponents();

    ShiftKeys shiftKeysNow() const;
    void enterDemoMode();
    void openPickedPort();
    void endInstance();
    void sendExitStop();
    void wakeTaskTimer();

    // The view of the settings load (settingsloadview.cpp).
    void showSetting(Setting setting, double value) override;
    LimitRange limits(Setting setting) const override;
    void setLimits(Setting setting, LimitRange range) override;
    void setSettingEnabled(Setting setting, bool enabled) override;
    void setPartVisible(Part part, bool visible) override;
    void setText(Text text, const QString &value) override;
    void setStatusCaptions(const QStringList &captions) override;
    void showFamily(Family family) override;
    void arrangeForSmallFamily(bool hasAttenuator, bool hasEnhancedEnergy) override;
    void setOuterWidth(int width) override;
    void noteInLog(const QString &line) override;
    TPlusSpinEdit *spinEditOf(Setting setting) const;
    QComboBox *choiceOf(Setting setting) const;
    QCheckBox *checkBoxOf(Setting setting) const;
    QWidget *controlOf(Setting setting) const;

    void setOuterHeight(int height);
    void applyOuterSize();

    void endPresetEnergyMode();
    void readBackEnergyModeValue();
    void sendTerminalText();
    void refuseTerminalText();

    bool pollMustStop() const;
    bool pollMeasurement(const char *query, double LaserState::*field);
    void pollReadOut(const char *query, double LaserState::*field, QLineEdit *readOut, const char *unit);
    void synchroniseFireAndEnable(uint32_t status);
    void showStatusTiles(uint32_t status);
    void announceFaults(uint32_t status);
    bool pollHeaters();
    bool serviceWindowVisible() const;
    void addChartPoint(int series, double y);
    void openServiceWindow();
    void closeServiceWindow();

    void showFiringLook();
    void showReadyLook();
    void restartStatusTimer();

    void watchRecordFiles();

    LaserState &state;
    Desktop &desktop;
    const StartSwitches switches;
    const std::function<ShiftKeys()> readShiftKeys;
    const std::function<bool()> stopSignalled;
    std::unique_ptr<Communication> comm;
    CommandQueue queue;
    std::unique_ptr<SettingsLoad> settingsLoad;
    DeferredMessages *fileMessages = nullptr;
    // The measurements that the running status update could not read.
    QList<double LaserState::*> unreadInPoll;
    bool ended = false;
    // Set once the port is known to be the laser's (identified by the scan, or picked by the
    // operator): only then does the exit send its "FL 0".
    bool onLaserPort = false;
    bool energyModeReadBackDue = false;
    QSize requestedOuterSize; // an invalid part means "as designed"
};

} // namespace tovra
