#pragma once

#include "firecontrol.h"
#include "laserprogram.h"
#include "mainformlayout.h"
#include "recordfiles.h"
#include "servicehost.h"
#include "settingsload.h"
#include "statuspoll.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;

namespace tovra {

class Desktop;
class RemoteFiringBanner;
class MainStatusBar;
class FireButtonView;
class RecordMenuView;
class ScriptSettingsFollower;
class SettingsFormView;
class StatusReadoutsView;
class SettingControls;
class TPlusSpinEdit;
class TServiceForm;
class TrendsWindow;
class TrafficView;
class TrpVersionInfo;
struct LaserState;

// The operator's main window over the program (`LaserProgram`, which owns and wires the port, the
// exchange, the timers and the logic). The window's handlers keep the names of its controls and
// hand over to the program; the window lends the program its views (each concern's side in its own
// source file: start-up and shutdown, the task queue, the settings load, parameter controls, bins
// and terminal, status poll, fire control, record files, access, tools) and hosts the service
// window.
class TMainForm : public QMainWindow, private ServiceHost
{
    Q_OBJECT
public:
    explicit TMainForm(LaserProgram &laserProgram, QWidget *parent = nullptr);
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
    bool hasEnded() const { return program.hasEnded(); }

    // Command queue and task timer (TaskRunner). The timer runs only while a task is pending:
    // whatever sets a pending flag or queues a command calls requestTasks.
    void requestTasks();
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

    // The history and the Trends window (mainformtrends.cpp).
    void TrendsMenuClick();
    void OpenDataFileMenuClick();
    TrendsWindow *trendsWindow();

    // The shared port for scripts.
    void SharePortMenuClick();
    void AllowRemoteFiringMenuClick();

    LaserProgram &laserProgram() { return program; }
    LaserState &laserState() { return state; }
    Communication &communication() { return program.communication(); }
    MainFormLayout ui;
    TrpVersionInfo *VersionInfo = nullptr;
    TrafficView *ResponseList = nullptr;
    TServiceForm *ServiceForm = nullptr;
    // Shown while a stop the port did not take waits to be written again.
    QLabel *StopNotDeliveredlbl = nullptr;
    RemoteFiringBanner *RemoteFiringWarning = nullptr; // shown while scripts may fire
    // Below the client area: passing messages, and whether the record files are recording.
    MainStatusBar *StatusBar = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void connectMenus();
    void followProgram();

    void hideControlsOutOfSight();

    // Sizes the settings load asks for, of the outer window as the operator sees it.
    void setOuterWidth(int width);
    void setOuterHeight(int height);
    // The outer sizes asked for are those of the window without the status bar, which is added.
    void applyOuterSize();

    // The operating parameter controls (parametercontrols.cpp).
    using Handler = void (TMainForm::*)();
    static Handler handlerOf(Setting setting);
    void sendOperatorSetting(Setting setting);
    void sendPresetEndingSetting(Setting setting);
    void endPresetEnergyMode(Setting list);
    void sendTerminalText();
    void refuseTerminalText();

    void openServiceWindow();
    void closeServiceWindow();
    // ServiceHost: what the service window changes here.
    void queueCommand(const QString &command) override;
    void queueRawLine(const QString &line) override;
    void sendDirectly(const QString &command) override;
    void showMaximum(Setting setting, double maximum) override;
    void applyCalibratedMaximum(Setting setting, double maximum) override;
    void showHeaterTarget(int heater, double setpoint) override;
    bool statusUpdating() const override;

    void setUpStopDeliveryNote();

    void wireSharing();
    void showSharingState();
    void wireHistory();
    void showHistoryState(HistoryState historyState, const QString &note);
    void showSharingInCaption();

    LaserProgram &program;
    LaserState &state;
    Desktop &desktop;
    std::unique_ptr<SettingControls> controls; // made once the layout is set up
    std::unique_ptr<ScriptSettingsFollower> scriptSettings;
    // The views the window lends the program.
    std::unique_ptr<SettingsFormView> settingsView;
    std::unique_ptr<StatusReadoutsView> readoutsView;
    std::unique_ptr<FireButtonView> fireView;
    std::unique_ptr<RecordMenuView> recordsView;
    TrendsWindow *trends = nullptr;
    QLabel *historyStateLabel = nullptr;
    QSize requestedOuterSize; // an invalid part means "as designed"
};

} // namespace tovra
