#pragma once

#include <array>

class QAction;
class QCheckBox;
class QColor;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QMovie;
class QPushButton;
class QRect;
class QScrollArea;
class QSize;
class QWidget;

namespace tovra {

class LabeledReadOut;
class StatusIndicator;
class TPlusSpinEdit;

// The main window's controls as they stand when the window opens: names, nesting, captions,
// tooltips, choices, ranges, initial texts, fonts and pixel positions. The window's logic
// (TMainForm) connects the handlers and drives the controls; nothing here talks to the laser.
//
// Controls sit at absolute positions in the client area because the settings load moves and
// resizes groups by pixel for the smaller laser families.
struct MainFormLayout
{
    // Builds every control into `window` and takes `responseList`, the terminal view, into the
    // command terminal group. The window gets a fixed size; to change it later, call
    // resizeClientArea().
    void setupUi(QMainWindow *window, QWidget *responseList);

    // Gives the client area (between the menu bar and the status bar, if the window has one) `size`. The window takes the size that shows all
    // of it, fixed, where its screen has room for that; otherwise the client area scrolls inside
    // a window as large as the screen allows, so every control stays reachable.
    void resizeClientArea(QSize size);

    // Fire, Laser Enable and the status tiles, in screen pixels, as far as the window shows them:
    // what another window of the program should leave in sight.
    QRect fireAndStatusOnScreen() const;

    // The animated banner picture. The frame between two pulses shows the laser idle.
    static constexpr int idleAnimationFrame = 12;
    bool animationRunning() const;
    // Runs the animation, continuing from `frame`.
    void startAnimation(int frame);
    // Stops the animation and leaves `frame` on show.
    void stopAnimation(int frame);

    QMainWindow *Window = nullptr;
    QScrollArea *ClientScroller = nullptr;
    QWidget *ClientArea = nullptr;

    // Main menu.
    QMenuBar *MainMenu1 = nullptr;
    QMenu *File1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *R1 = nullptr;
    QMenu *Storage1 = nullptr;
    QMenu *SaveToBin1 = nullptr;
    // SaveBin[i] and RestoreBin[i] are the items of bin i + 1 (objectNames SaveBin1 ... SaveBin6,
    // RestoreBin1 ... RestoreBin6).
    std::array<QAction *, 6> SaveBin{};
    QMenu *RestoreFromBin1 = nullptr;
    QAction *DefaultBin0 = nullptr;
    std::array<QAction *, 6> RestoreBin{};
    QMenu *ools1 = nullptr;
    QAction *Up1 = nullptr;
    QAction *Calculator1 = nullptr;
    QAction *CaptureScreenShot1 = nullptr;
    QAction *EnableLoggingMenu = nullptr;
    QAction *EnableDataCollectionMenu = nullptr;
    QAction *SharePortMenu = nullptr;
    QAction *AllowRemoteFiringMenu = nullptr;
    QAction *RemoteApiMenu = nullptr;
    QAction *Service1 = nullptr;
    QAction *ServiceWindowMenu = nullptr;
    QAction *UnlockLaserMenu = nullptr;
    QMenu *Help1 = nullptr;
    QAction *WebSite1 = nullptr;
    QAction *About1 = nullptr;

    // Banner.
    QLabel *RZLogo = nullptr;
    QLabel *TovraAnimate = nullptr;
    QMovie *TovraMovie = nullptr;
    QLabel *microLogo = nullptr;
    QLabel *miniLogo = nullptr;

    // Settings, first column.
    QGroupBox *SystemSettingsGrp = nullptr;
    QGroupBox *GroupBox88 = nullptr;
    QComboBox *SystemModeSel = nullptr;
    QGroupBox *RepRateGrp = nullptr;
    TPlusSpinEdit *RepRateAdj = nullptr;
    QGroupBox *BurstCountGrp = nullptr;
    TPlusSpinEdit *BurstCountAdj = nullptr;
    QGroupBox *SyncSettingsGrp = nullptr;
    QComboBox *SyncSettingsSel = nullptr;

    // Settings, second column.
    QGroupBox *DiodeSettingsGrp = nullptr;
    QGroupBox *DiodeCurrentGrp = nullptr;
    TPlusSpinEdit *DiodeCurrentAdj = nullptr;
    QGroupBox *EnergyModegrp = nullptr;
    QComboBox *EnergyModeSel = nullptr;
    QGroupBox *DiodePulseWidthGrp = nullptr;
    TPlusSpinEdit *DiodePulseWidthAdj = nullptr;
    QGroupBox *DiodeTriggerGrp = nullptr;
    QComboBox *DiodeTriggerSel = nullptr;

    // Settings, third column. QSWTriggerSel is a child of QSwitchSettingsGrp drawn inside
    // QSWTriggerGrp.
    QGroupBox *QSwitchSettingsGrp = nullptr;
    QCheckBox *QSwitchEnableBtn = nullptr;
    QGroupBox *QSWDelayGrp = nullptr;
    TPlusSpinEdit *QSWDelayAdj = nullptr;
    QGroupBox *QSWTriggerGrp = nullptr;
    QComboBox *QSWTriggerSel = nullptr;
    QGroupBox *QSWWaitGrp = nullptr;
    TPlusSpinEdit *QSWWaitCountAdj = nullptr;
    QGroupBox *DivideByNGrp = nullptr;
    QCheckBox *DivideByNEnable = nullptr;
    TPlusSpinEdit *DivideByNAdj = nullptr;

    // Optional settings.
    QGroupBox *AttenGrp = nullptr;
    TPlusSpinEdit *AttenuatorAdj = nullptr;
    QGroupBox *EnhEnergyModegrp = nullptr;
    QComboBox *EnhEnergyModeSel = nullptr;

    // Fire and enable.
    QPushButton *FireStopbtn = nullptr;
    QCheckBox *LaserEnableBtn = nullptr;

    // Measurements. The three read-out groups stay disabled.
    QGroupBox *Temperaturegrp = nullptr;
    LabeledReadOut *ResTempAlbl = nullptr;
    LabeledReadOut *ResTempBlbl = nullptr;
    LabeledReadOut *FETTemplbl = nullptr;
    QGroupBox *Currentgrp = nullptr;
    LabeledReadOut *TargetCurrentlbl = nullptr;
    LabeledReadOut *DiodeCurrentlbl = nullptr;
    QGroupBox *Voltagegrp = nullptr;
    QCheckBox *UpdateVoltagesEn = nullptr;
    LabeledReadOut *BankVoltagelbl = nullptr;
    LabeledReadOut *BankVTargetlbl = nullptr;
    LabeledReadOut *FETVoltagelbl = nullptr;
    LabeledReadOut *FETVDroplbl = nullptr;
    LabeledReadOut *FETVDrainlbl = nullptr;
    LabeledReadOut *FETVSourcelbl = nullptr;
    QGroupBox *Heatergrp = nullptr;
    QLabel *Heater1Targetlbl = nullptr;
    QLabel *Heater1Templbl = nullptr;
    QLabel *Heater2Targetlbl = nullptr;
    QLabel *Heater2Templbl = nullptr;
    QGroupBox *ShotCountgrp = nullptr;
    QLabel *ShotCountlbl = nullptr;
    QLabel *UserCountlbl = nullptr;
    QPushButton *ClearUserCountbtn = nullptr;

    // Identity.
    QGroupBox *SystemInfoGrp = nullptr;
    QLabel *SerialNumberlbl = nullptr;
    QLabel *FWVersionlbl = nullptr;
    QLabel *FPGAVersionlbl = nullptr;

    // Status: one tile per status bit, tile n showing bit n (panels StatusTile0 ... StatusTile3,
    // then Panel1 ... Panel10).
    QGroupBox *SystemStatusGrp = nullptr;
    QLabel *SystemStatuslbl = nullptr;
    std::array<QFrame *, 14> StatusTiles{};
    std::array<StatusIndicator *, 14> StatusInd{};
    std::array<QLabel *, 14> Statuslbl{};

    // Command terminal.
    QGroupBox *TerminalBoxgrp = nullptr;
    QComboBox *SendEdit = nullptr;
    QPushButton *SendBtn = nullptr;
    QWidget *ResponseList = nullptr;

private:
    void buildMenu(QMainWindow *window);
    void buildBanner();
    void buildSettings();
    void buildFireControls();
    void buildMeasurements();
    void buildIdentity();
    void buildStatus();
    void buildTerminal(QWidget *responseList);
    void chainTabOrder();
};

// Sets the colour of a button's caption (the fire button's ready and firing looks).
void setButtonCaptionColour(QPushButton *button, const QColor &colour);

} // namespace tovra
