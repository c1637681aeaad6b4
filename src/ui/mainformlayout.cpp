#include "mainformlayout.h"

#include "historywalk.h"
#include "labeledreadout.h"
#include "plusspinedit.h"
#include "screenfit.h"
#include "spineditsettings.h"
#include "statusindicator.h"
#include "tahomafont.h"
#include "wheelguard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMovie>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTextEdit>

namespace tovra {

namespace {

// Client area as designed; the settings load later narrows it and, for the small families,
// shortens it.
constexpr QSize clientSize(827, 665);
constexpr QPoint windowPosition(520, 160);

// Setting columns and the right-hand column.
constexpr int columnWidth = 171;
constexpr int columnTop = 106;
constexpr int firstColumnX = 0;
constexpr int secondColumnX = 173;
constexpr int thirdColumnX = 347;
constexpr int rightColumnX = 523;
constexpr int rightColumnWidth = 133;

// Inner frames holding one setting each.
constexpr int frameX = 6;
constexpr int frameWidth = columnWidth - 2 * frameX;
constexpr int frameHeight = 52;
constexpr int firstFrameY = 18;
constexpr int frameStep = 56;
constexpr QRect frameControl(8, 20, frameWidth - 16, 26);

// Read-out rows.
constexpr int readOutHeight = 18;
constexpr int readOutStep = 19;

// Fonts, in pixels.
constexpr int baseFontPx = 11;
constexpr int captionFontPx = 13; // group boxes and labels
constexpr int choiceFontPx = 13;
constexpr int tileFontPx = 13;
constexpr int enableFontPx = 13;
constexpr int fireFontPx = 32;

const QColor readyCaptionColour(0, 128, 0);

const QString pictures = QStringLiteral(":/tovra/");

QGroupBox *addGroup(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *group = new QGroupBox(QString::fromLatin1(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setFont(tahomaFont(captionFontPx));
    group->setGeometry(geometry);
    return group;
}

QGroupBox *addColumn(QWidget *parent, const char *name, const char *caption, int x, int height)
{
    return addGroup(parent, name, caption, QRect(x, columnTop, columnWidth, height));
}

// The place of a frame in a setting column.
QRect frameAt(int y)
{
    return QRect(frameX, y, frameWidth, frameHeight);
}

// A frame around one setting; its tooltip also serves the control inside.
QGroupBox *addFrame(QWidget *parent, const char *name, const char *caption, const char *tooltip,
                    const QRect &geometry)
{
    QGroupBox *frame = addGroup(parent, name, caption, geometry);
    frame->setFont(tahomaFont(baseFontPx));
    if (tooltip)
        frame->setToolTip(QString::fromLatin1(tooltip));
    return frame;
}

TPlusSpinEdit *addSpinEdit(QWidget *parent, const char *name, const SpinEditSettings &settings,
                           const QRect &geometry = frameControl)
{
    return createSpinEdit(parent, name, settings, geometry);
}

// A fixed list: an index the logic reads must always name an item, so there is no free text.
QComboBox *addChoice(QWidget *parent, const char *name, const QStringList &items,
                     const QRect &geometry = frameControl)
{
    auto *choice = new QComboBox(parent);
    choice->setObjectName(QString::fromLatin1(name));
    choice->setFont(tahomaFont(choiceFontPx));
    choice->addItems(items);
    choice->setCurrentIndex(0);
    choice->setGeometry(geometry);
    takeWheelOnlyWhenFocused(choice);
    return choice;
}

QCheckBox *addCheckBox(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(tahomaFont(baseFontPx));
    box->setGeometry(geometry);
    return box;
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QPushButton *addButton(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(tahomaFont(baseFontPx));
    button->setGeometry(geometry);
    return button;
}

// Read-outs stand in rows below `firstY`, their edits starting at `editX` in the group.
class ReadOutColumn
{
public:
    ReadOutColumn(QGroupBox *inGroup, int firstY, int firstEditX)
        : group(inGroup), y(firstY), editX(firstEditX)
    {
    }

    LabeledReadOut *add(const char *name, const char *caption, const char *text)
    {
        auto *readOut = new LabeledReadOut(QString::fromLatin1(caption), group);
        readOut->setObjectName(QString::fromLatin1(name));
        // Read-outs are window text; their captions keep the edits' size so the columns align.
        readOut->setFont(tahomaFont(baseFontPx));
        readOut->EditLabel()->setFont(tahomaFont(baseFontPx));
        readOut->EditLabel()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Caption"));
        readOut->setText(QString::fromLatin1(text));
        readOut->setGeometry(editX, y, group->width() - editX - 6, readOutHeight);
        y += readOutStep;
        return readOut;
    }

private:
    QGroupBox *group;
    int y;
    const int editX;
};

// Plain text lines stacked in a group.
class LabelColumn
{
public:
    LabelColumn(QGroupBox *inGroup, int firstY, int lineStep)
        : group(inGroup), y(firstY), step(lineStep)
    {
    }

    QLabel *add(const char *name, const char *text)
    {
        QLabel *label = addLabel(group, name, QString::fromLatin1(text), QRect(8, y, group->width() - 14, step));
        y += step;
        return label;
    }

    int nextY() const { return y; }

private:
    QGroupBox *group;
    int y;
    const int step;
};

// The picture as drawn for the screen: on a screen scaled by more than 1 its "@2x" version, so
// that it stays sharp instead of being blown up.
QString pictureFor(const QString &file)
{
    if (qApp->devicePixelRatio() <= 1.0)
        return pictures + file;
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    return pictures + file.left(dot) + QStringLiteral("@2x") + file.mid(dot);
}

QLabel *addPicture(QWidget *parent, const char *name, const QString &file, const QRect &geometry)
{
    QLabel *picture = addLabel(parent, name, QString(), geometry);
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixels = QPixmap(pictureFor(file)).scaled(geometry.size() * ratio, Qt::KeepAspectRatio,
                                                       Qt::SmoothTransformation);
    pixels.setDevicePixelRatio(ratio);
    picture->setPixmap(pixels);
    picture->setAlignment(Qt::AlignCenter);
    return picture;
}

// A group that takes no input but whose readings must stay as legible as live ones.
void disableKeepingLook(QWidget *group)
{
    QPalette colours = group->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto colourRole = QPalette::ColorRole(role);
        colours.setBrush(QPalette::Disabled, colourRole, colours.brush(QPalette::Active, colourRole));
    }
    group->setPalette(colours);
    group->setEnabled(false);
}

QAction *addItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

QMenu *addMenu(QWidget *parent, const char *name, const char *caption)
{
    auto *menu = new QMenu(QString::fromLatin1(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

} // namespace

void MainFormLayout::setupUi(QMainWindow *window, QWidget *responseList)
{
    Window = window;
    window->setWindowTitle(QString());
    ClientArea = new QWidget;
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFont(tahomaFont(baseFontPx));
    ClientScroller = scrollingContents(ClientArea, window);
    window->setCentralWidget(ClientScroller);

    buildMenu(window);
    buildBanner();
    buildSettings();
    buildFireControls();
    buildMeasurements();
    buildIdentity();
    buildStatus();
    buildTerminal(responseList);
    chainTabOrder();

    window->move(windowPosition);
    resizeClientArea(clientSize);
}

void MainFormLayout::resizeClientArea(QSize size)
{
    ClientArea->setFixedSize(size);
    const auto *statusBar = Window->findChild<QStatusBar *>(QString(), Qt::FindDirectChildrenOnly);
    const int bars = MainMenu1->sizeHint().height() + (statusBar ? statusBar->sizeHint().height() : 0);
    fitWindowToScreen(Window, size + QSize(0, bars));
}

QRect MainFormLayout::fireAndStatusOnScreen() const
{
    QRect controls;
    for (const QWidget *control : {static_cast<QWidget *>(FireStopbtn), static_cast<QWidget *>(LaserEnableBtn),
                                   static_cast<QWidget *>(SystemStatusGrp)})
        controls |= QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
    const QWidget *shown = ClientScroller->viewport();
    return controls & QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size());
}

void MainFormLayout::buildMenu(QMainWindow *window)
{
    MainMenu1 = new QMenuBar(window);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    window->setMenuBar(MainMenu1);

    File1 = addMenu(MainMenu1, "File1", "File");
    Exit1 = addItem(File1, QStringLiteral("Exit1"), QStringLiteral("Exit"));
    R1 = addItem(File1, QStringLiteral("R1"), QStringLiteral("Restart App"));

    Storage1 = addMenu(MainMenu1, "Storage1", "Storage");
    SaveToBin1 = addMenu(Storage1, "SaveToBin1", "Save To Bin");
    RestoreFromBin1 = addMenu(Storage1, "RestoreFromBin1", "Restore From Bin");
    DefaultBin0 = addItem(RestoreFromBin1, QStringLiteral("DefaultBin0"), QStringLiteral("Default 0"));
    for (std::size_t i = 0; i < SaveBin.size(); ++i) {
        const QString bin = QString::number(i + 1);
        SaveBin[i] = addItem(SaveToBin1, QStringLiteral("SaveBin") + bin, bin);
        RestoreBin[i] = addItem(RestoreFromBin1, QStringLiteral("RestoreBin") + bin, bin);
    }
    Storage1->addMenu(SaveToBin1);
    Storage1->addMenu(RestoreFromBin1);

    ools1 = addMenu(MainMenu1, "ools1", "Tools");
    Up1 = addItem(ools1, QStringLiteral("Up1"), QStringLiteral("Refresh"));
    Calculator1 = addItem(ools1, QStringLiteral("Calculator1"), QStringLiteral("Calculator"));
    CaptureScreenShot1 = addItem(ools1, QStringLiteral("CaptureScreenShot1"), QStringLiteral("Capture Screen Shot"));
    EnableLoggingMenu = addItem(ools1, QStringLiteral("EnableLoggingMenu"), QStringLiteral("Logging Enabled"));
    EnableLoggingMenu->setCheckable(true);
    EnableDataCollectionMenu = addItem(ools1, QStringLiteral("EnableDataCollectionMenu"),
                                       QStringLiteral("Data Collection Enabled"));
    EnableDataCollectionMenu->setCheckable(true);
    SharePortMenu = addItem(ools1, QStringLiteral("SharePortMenu"), QStringLiteral("Share Port"));
    SharePortMenu->setCheckable(true);
    AllowRemoteFiringMenu = addItem(ools1, QStringLiteral("AllowRemoteFiringMenu"), QStringLiteral("Allow Remote Firing"));
    AllowRemoteFiringMenu->setCheckable(true);
    AllowRemoteFiringMenu->setEnabled(false);
    // Usable once the program serves its control API.
    RemoteApiMenu = addItem(ools1, QStringLiteral("RemoteApiMenu"), QStringLiteral("Remote API…"));
    RemoteApiMenu->setEnabled(false);
    Service1 = addItem(ools1, QStringLiteral("Service1"), QStringLiteral("Service"));
    ServiceWindowMenu = addItem(ools1, QStringLiteral("ServiceWindowMenu"), QStringLiteral("Service Window"));
    ServiceWindowMenu->setVisible(false);
    UnlockLaserMenu = addItem(ools1, QStringLiteral("UnlockLaserMenu"), QStringLiteral("Unlock Laser"));
    UnlockLaserMenu->setVisible(false);

    Help1 = addMenu(MainMenu1, "Help1", "Help");
    WebSite1 = addItem(Help1, QStringLiteral("WebSite1"), QStringLiteral("Web Site"));
    About1 = addItem(Help1, QStringLiteral("About1"), QStringLiteral("About"));

    for (QMenu *menu : {File1, Storage1, ools1, Help1})
        MainMenu1->addMenu(menu);
}

void MainFormLayout::buildBanner()
{
    RZLogo = addPicture(ClientArea, "RZLogo", QStringLiteral("banner.jpg"), QRect(0, 0, 652, 101));

    TovraAnimate = addLabel(ClientArea, "TovraAnimate", QString(), QRect(316, 4, 313, 92));
    TovraAnimate->setAlignment(Qt::AlignCenter);
    TovraMovie = new QMovie(pictureFor(QStringLiteral("tovra_animation.gif")), QByteArray(), TovraAnimate);
    TovraMovie->setObjectName(QStringLiteral("TovraMovie"));
    // GIF frames can only be read in order; kept frames let the animation jump to any frame.
    TovraMovie->setCacheMode(QMovie::CacheAll);
    TovraAnimate->setMovie(TovraMovie);
    TovraMovie->jumpToFrame(idleAnimationFrame);

    const QRect badge(166, 40, 76, 17);
    microLogo = addPicture(ClientArea, "microLogo", QStringLiteral("micro_logo.jpg"), badge);
    microLogo->hide();
    miniLogo = addPicture(ClientArea, "miniLogo", QStringLiteral("mini_logo.jpg"), badge);
    miniLogo->hide();
}

bool MainFormLayout::animationRunning() const
{
    return TovraMovie->state() == QMovie::Running;
}

void MainFormLayout::startAnimation(int frame)
{
    TovraMovie->start();
    TovraMovie->jumpToFrame(frame);
}

void MainFormLayout::stopAnimation(int frame)
{
    TovraMovie->stop();
    TovraMovie->jumpToFrame(frame);
}

void MainFormLayout::buildSettings()
{
    const QStringList triggers{QStringLiteral("Internal"), QStringLiteral("External")};
    const QStringList energyModes{QStringLiteral("Manual"), QStringLiteral("Low Power"),
                                  QStringLiteral("High Power")};
    auto frameRow = [](int row) { return frameAt(firstFrameY + row * frameStep); };

    SystemSettingsGrp = addColumn(ClientArea, "SystemSettingsGrp", "System Settings ", firstColumnX, 244);
    GroupBox88 = addFrame(SystemSettingsGrp, "GroupBox88", "Pulse Mode", nullptr, frameRow(0));
    SystemModeSel = addChoice(GroupBox88, "SystemModeSel",
                              {QStringLiteral("Continuous"), QStringLiteral("Single Shot"), QStringLiteral("Burst")});
    RepRateGrp = addFrame(SystemSettingsGrp, "RepRateGrp", "Rep Rate", "Sets the pulse frequency", frameRow(1));
    RepRateAdj = addSpinEdit(RepRateGrp, "RepRateAdj", {1, 0.1, 0.1, 100, 0.1, 3, QChar()});
    BurstCountGrp = addFrame(SystemSettingsGrp, "BurstCountGrp", "Burst Count",
                             "Sets number of burst counts when in  burst mode", frameRow(2));
    BurstCountAdj = addSpinEdit(BurstCountGrp, "BurstCountAdj", {0, 1, 1, 1000000, 1, 7, QChar()});
    SyncSettingsGrp = addFrame(SystemSettingsGrp, "SyncSettingsGrp", "Sync Output Settings",
                               "Sets what signal goes to the sync output", frameRow(3));
    SyncSettingsSel = addChoice(SyncSettingsGrp, "SyncSettingsSel",
                                {QStringLiteral("Off"), QStringLiteral("Diode Pulse"), QStringLiteral("Q-Switch Pulse"),
                                 QStringLiteral("Diode+Q-SW")});

    DiodeSettingsGrp = addColumn(ClientArea, "DiodeSettingsGrp", "Diode Settings", secondColumnX, 244);
    DiodeCurrentGrp = addFrame(DiodeSettingsGrp, "DiodeCurrentGrp", "Diode Current", "Adjusts the diode current",
                               frameRow(0));
    DiodeCurrentAdj = addSpinEdit(DiodeCurrentGrp, "DiodeCurrentAdj", {2, 0.01, 0, 150, 0, 3, QChar()});
    EnergyModegrp = addFrame(DiodeSettingsGrp, "EnergyModegrp", "Energy Mode", "Sets the energy mode", frameRow(1));
    EnergyModeSel = addChoice(EnergyModegrp, "EnergyModeSel", energyModes);
    DiodePulseWidthGrp = addFrame(DiodeSettingsGrp, "DiodePulseWidthGrp", "Diode Pulse Width",
                                  "Sets the diode pulse width", frameRow(2));
    DiodePulseWidthAdj = addSpinEdit(DiodePulseWidthGrp, "DiodePulseWidthAdj",
                                     {7, 0.000001, 0.000001, 0.1, 0.000001, 1, QLatin1Char(',')});
    DiodeTriggerGrp = addFrame(DiodeSettingsGrp, "DiodeTriggerGrp", "Diode Trigger",
                               "Sets the external diode triggering mode", frameRow(3));
    DiodeTriggerSel = addChoice(DiodeTriggerGrp, "DiodeTriggerSel", triggers);

    // The enable box takes the first row, so the frames of this column start lower.
    constexpr int enableRowHeight = 22;
    auto qswFrameRow = [&](int row) { return frameRow(row).translated(0, enableRowHeight); };
    QSwitchSettingsGrp = addColumn(ClientArea, "QSwitchSettingsGrp", "Q-Switch Settings", thirdColumnX, 290);
    QSwitchEnableBtn = addCheckBox(QSwitchSettingsGrp, "QSwitchEnableBtn", "Q-Switch Enable",
                                   QRect(12, firstFrameY, frameWidth - 8, 20));
    QSwitchEnableBtn->setToolTip(QStringLiteral("Enables or disables the q-switch"));
    QSWDelayGrp = addFrame(QSwitchSettingsGrp, "QSWDelayGrp", "Q-Switch Delay", nullptr, qswFrameRow(0));
    QSWDelayAdj = addSpinEdit(QSWDelayGrp, "QSWDelayAdj",
                              {7, 0.0000001, 0.000001, 1.0, 0.000001, 1, QLatin1Char(',')});
    QSWTriggerGrp = addFrame(QSwitchSettingsGrp, "QSWTriggerGrp", "Q-Switch Trigger", nullptr, qswFrameRow(1));
    QSWTriggerSel = addChoice(QSwitchSettingsGrp, "QSWTriggerSel", triggers,
                              frameControl.translated(QSWTriggerGrp->pos()));
    QSWWaitGrp = addFrame(QSwitchSettingsGrp, "QSWWaitGrp", "Wait Count",
                          "Sets the number of pulses to wait before enabling the q-switch", qswFrameRow(2));
    QSWWaitCountAdj = addSpinEdit(QSWWaitGrp, "QSWWaitCountAdj", {0, 1, 0, 65535, 0, 7, QChar()});
    DivideByNGrp = addFrame(QSwitchSettingsGrp, "DivideByNGrp", "Divide By N",
                            "Sets the number of diode pulses for each q-sw pulse",
                            qswFrameRow(3).adjusted(0, 0, 0, 24));
    DivideByNEnable = addCheckBox(DivideByNGrp, "DivideByNEnable", "Enable", QRect(10, 18, frameWidth - 20, 20));
    DivideByNAdj = addSpinEdit(DivideByNGrp, "DivideByNAdj", {0, 1, 1, 65535, 1, 7, QChar()},
                               frameControl.translated(0, 22));

    AttenGrp = addFrame(ClientArea, "AttenGrp", "Attenuator", "Adjusts the optical attenuator",
                        QRect(secondColumnX, 439, columnWidth, frameHeight));
    AttenuatorAdj = addSpinEdit(AttenGrp, "AttenuatorAdj", {2, 0.01, 0, 100, 0, 3, QChar()},
                                frameControl.adjusted(0, 0, columnWidth - frameWidth, 0));

    // Stands right of the run-time width until the settings load brings it into view.
    EnhEnergyModegrp = addFrame(ClientArea, "EnhEnergyModegrp", "Energy Mode", "Sets the energy mode",
                                QRect(669, 246, 152, frameHeight));
    EnhEnergyModeSel = addChoice(EnhEnergyModegrp, "EnhEnergyModeSel",
                                 {QStringLiteral("Normal"), QStringLiteral("Enhanced")},
                                 frameControl.adjusted(0, 0, 152 - frameWidth, 0));
}

void MainFormLayout::buildFireControls()
{
    FireStopbtn = new QPushButton(QStringLiteral("Fire"), ClientArea);
    FireStopbtn->setObjectName(QStringLiteral("FireStopbtn"));
    FireStopbtn->setFont(tahomaFont(fireFontPx));
    FireStopbtn->setGeometry(rightColumnX, columnTop, 129, 67);
    setButtonCaptionColour(FireStopbtn, readyCaptionColour);

    LaserEnableBtn = addCheckBox(ClientArea, "LaserEnableBtn", "Laser Enable", QRect(rightColumnX + 4, 175, 125, 18));
    LaserEnableBtn->setFont(tahomaFont(enableFontPx));
    LaserEnableBtn->setToolTip(QStringLiteral("Enables the laser and diodes. "));
}

void MainFormLayout::buildMeasurements()
{
    constexpr int firstRowY = 18;
    constexpr int readOutX = 92;

    Temperaturegrp = addGroup(ClientArea, "Temperaturegrp", "Temperatures", QRect(firstColumnX, 352, columnWidth, 78));
    ReadOutColumn temperatures(Temperaturegrp, firstRowY, readOutX);
    ResTempAlbl = temperatures.add("ResTempAlbl", "Res. Temp  :", "? C");
    ResTempBlbl = temperatures.add("ResTempBlbl", "Diode Temp:", "? C");
    FETTemplbl = temperatures.add("FETTemplbl", "FET Temp   :", "? C");

    Currentgrp = addGroup(ClientArea, "Currentgrp", "Diode Current", QRect(firstColumnX, 432, columnWidth, 59));
    ReadOutColumn currents(Currentgrp, firstRowY, readOutX);
    TargetCurrentlbl = currents.add("TargetCurrentlbl", "Target     :", "? A");
    DiodeCurrentlbl = currents.add("DiodeCurrentlbl", "Measured :", "? A");

    Voltagegrp = addGroup(ClientArea, "Voltagegrp", "Voltages", QRect(thirdColumnX, 398, columnWidth, 154));
    UpdateVoltagesEn = addCheckBox(Voltagegrp, "UpdateVoltagesEn", "Auto Update", QRect(10, firstRowY, 120, 18));
    UpdateVoltagesEn->setChecked(true);
    ReadOutColumn voltages(Voltagegrp, firstRowY + readOutStep, readOutX);
    BankVoltagelbl = voltages.add("BankVoltagelbl", "Bank Voltage  :", "? V");
    BankVTargetlbl = voltages.add("BankVTargetlbl", "Bank V Target:", "? V");
    FETVoltagelbl = voltages.add("FETVoltagelbl", "FET Voltage   :", "? V");
    FETVDroplbl = voltages.add("FETVDroplbl", "FET V Drop    :", "? V");
    FETVDrainlbl = voltages.add("FETVDrainlbl", "FET V Drain    :", "? V");
    FETVSourcelbl = voltages.add("FETVSourcelbl", "FET V Source :", "? V");

    // Only measurements: nothing in these groups takes input, "Auto Update" included.
    for (QGroupBox *group : {Temperaturegrp, Currentgrp, Voltagegrp})
        disableKeepingLook(group);

    Heatergrp = addGroup(ClientArea, "Heatergrp", "Heater Modules", QRect(thirdColumnX, 554, columnWidth, 92));
    LabelColumn heaters(Heatergrp, firstRowY, 17);
    Heater1Targetlbl = heaters.add("Heater1Targetlbl", "Heater 1 Target:  ? C");
    Heater1Templbl = heaters.add("Heater1Templbl", "Heater 1 Temp:   ? C");
    Heater2Targetlbl = heaters.add("Heater2Targetlbl", "Heater 2 Target:  ? C");
    Heater2Templbl = heaters.add("Heater2Templbl", "Heater 2 Temp:   ? C");

    ShotCountgrp = addGroup(ClientArea, "ShotCountgrp", "Shots", QRect(secondColumnX, 352, columnWidth, 85));
    LabelColumn counters(ShotCountgrp, firstRowY, 18);
    ShotCountlbl = counters.add("ShotCountlbl", "Shot Count: ?");
    UserCountlbl = counters.add("UserCountlbl", "User Count: ?");
    ClearUserCountbtn = addButton(ShotCountgrp, "ClearUserCountbtn", "Clear User Count",
                                  QRect(8, counters.nextY() + 4, columnWidth - 16, 23));
}

void MainFormLayout::buildIdentity()
{
    SystemInfoGrp = addGroup(ClientArea, "SystemInfoGrp", "System Information",
                             QRect(rightColumnX, 541, rightColumnWidth, 97));
    SystemInfoGrp->setToolTip(QStringLiteral("Information about unit"));
    // Rows stay within the 56 pixels the group keeps for the small families.
    LabelColumn identity(SystemInfoGrp, 17, 19);
    SerialNumberlbl = identity.add("SerialNumberlbl", "Serial Number: ");
    FWVersionlbl = identity.add("FWVersionlbl", "Firmware Ver:");
    FPGAVersionlbl = identity.add("FPGAVersionlbl", "FPGA Ver:");
}

void MainFormLayout::buildStatus()
{
    // Tiles overlap by one pixel so that neighbours share their bevel edge.
    constexpr QSize tileSize(120, 23);
    constexpr int tileStep = 22;
    constexpr int firstTileY = 34;
    constexpr QRect indicatorPlace(5, 4, 15, 15);
    constexpr QRect labelPlace(25, 1, 93, 21);

    SystemStatusGrp = addGroup(ClientArea, "SystemStatusGrp", "System Status",
                               QRect(rightColumnX, 195, rightColumnWidth, 345));
    // Below the group's caption and frame line, clear of both.
    SystemStatuslbl = addLabel(SystemStatusGrp, "SystemStatuslbl", QStringLiteral("Status: "),
                               QRect(8, 18, rightColumnWidth - 14, 16));

    const int tileX = (rightColumnWidth - tileSize.width()) / 2;
    for (std::size_t index = 0; index < StatusTiles.size(); ++index) {
        const int row = int(index);
        const QString number = QString::number(row);
        auto *tile = new QFrame(SystemStatusGrp);
        tile->setObjectName(row < 4 ? QStringLiteral("StatusTile") + number
                                    : QStringLiteral("Panel") + QString::number(row - 3));
        tile->setFrameStyle(QFrame::Panel | QFrame::Raised);
        tile->setGeometry(QRect(QPoint(tileX, firstTileY + row * tileStep), tileSize));
        StatusTiles[index] = tile;

        StatusInd[index] = new StatusIndicator(tile);
        StatusInd[index]->setObjectName(QStringLiteral("StatusInd") + number);
        StatusInd[index]->setGeometry(indicatorPlace);

        const QString labelName = QStringLiteral("Statuslbl") + number;
        Statuslbl[index] = new QLabel(labelName, tile);
        Statuslbl[index]->setObjectName(labelName);
        Statuslbl[index]->setFont(tahomaFont(tileFontPx));
        Statuslbl[index]->setGeometry(labelPlace);
    }
}

void MainFormLayout::buildTerminal(QWidget *responseList)
{
    TerminalBoxgrp = addGroup(ClientArea, "TerminalBoxgrp", "Command Terminal", QRect(0, 495, 343, 167));
    TerminalBoxgrp->setToolTip(QStringLiteral("Send and receive commands directly to unit"));

    SendEdit = new QComboBox(TerminalBoxgrp);
    SendEdit->setObjectName(QStringLiteral("SendEdit"));
    SendEdit->setEditable(true);
    SendEdit->setFont(tahomaFont(baseFontPx));
    SendEdit->setGeometry(8, 18, 262, 23);
    walkHistoryWithArrowKeys(SendEdit);
    SendBtn = addButton(TerminalBoxgrp, "SendBtn", "Send", QRect(274, 18, 61, 23));

    ResponseList = responseList;
    ResponseList->setParent(TerminalBoxgrp);
    ResponseList->setFont(tahomaFont(baseFontPx));
    ResponseList->setGeometry(8, 45, 327, 115);
    // The view is read-only but takes the focus for scrolling and copying by keys; the style
    // draws no focus on its plain frame, so a frame in the highlight colour shows it.
    // Tab walks on from the view instead of being swallowed by it.
    if (auto *view = qobject_cast<QTextEdit *>(ResponseList))
        view->setTabChangesFocus(true);
    ResponseList->setStyleSheet(QStringLiteral("QTextEdit { border: 1px solid palette(mid); }"
                                               "QTextEdit:focus { border: 2px solid palette(highlight); }"));
    ResponseList->show();
}

// Tab walks the window as it reads: the settings columns left to right, each top to bottom,
// then the groups below them, then the terminal, and Laser Enable and Fire last, so that no
// early Tab lands on Fire. Hidden controls drop out of the walk by themselves.
void MainFormLayout::chainTabOrder()
{
    const QList<QWidget *> chain{
        SystemModeSel,      RepRateAdj,      BurstCountAdj,   SyncSettingsSel,
        DiodeCurrentAdj,    EnergyModeSel,   DiodePulseWidthAdj, DiodeTriggerSel,
        QSwitchEnableBtn,   QSWDelayAdj,     QSWTriggerSel,   QSWWaitCountAdj, DivideByNEnable, DivideByNAdj,
        ClearUserCountbtn,  AttenuatorAdj,   EnhEnergyModeSel,
        SendEdit,           SendBtn,         ResponseList,
        LaserEnableBtn,     FireStopbtn,
    };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    // The window opens with the focus at the start of the walk.
    SystemModeSel->setFocus();
}

// The disabled caption keeps the style's own greyed colour, so that a button that takes no click
// never looks as if it did.
void setButtonCaptionColour(QPushButton *button, const QColor &colour)
{
    QPalette colours = button->palette();
    colours.setColor(QPalette::Active, QPalette::ButtonText, colour);
    colours.setColor(QPalette::Inactive, QPalette::ButtonText, colour);
    button->setPalette(colours);
}

} // namespace tovra
