#include "labeledreadout.h"
#include "mainformlayout.h"
#include "plusspinedit.h"
#include "screenfit.h"
#include "statusindicator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTextEdit>
#include <QWheelEvent>

#include <memory>

using tovra::LabeledReadOut;
using tovra::MainFormLayout;
using tovra::StatusIndicator;
using tovra::TPlusSpinEdit;

namespace {

const QColor green(0, 128, 0);
const QColor red(255, 0, 0);
const QColor white(255, 255, 255);

constexpr QSize clientSize(827, 665);
// The width the settings load gives the window at run time.
constexpr int runTimeWidth = 665;

} // namespace

// Builds the main window's controls into a plain window and checks what stands there before the
// laser has said anything.
class MainFormLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readOutsStartWithQuestionMarks_data();
    void readOutsStartWithQuestionMarks();
    void settingFramesNestInTheirColumns_data();
    void settingFramesNestInTheirColumns();
    void spinEditsStartWithTheirRanges_data();
    void spinEditsStartWithTheirRanges();
    void dropDownsOfferFixedItems_data();
    void dropDownsOfferFixedItems();
    void menuItemsCarryTheirCaptions_data();
    void menuItemsCarryTheirCaptions();
    void hiddenItemsAndFamilyLogosAreInvisible();
    void statusTilesShowTheirOwnNamesOnWhite();
    void readOutGroupsIgnoreClicks();
    void enhancedEnergyModeStandsBeyondRunTimeWidth();
    void fireButtonIsReadyInGreenAndTurnsRed();
    void disabledFireButtonLooksDisabledInEitherLook();
    void dropDownIgnoresTheWheelUntilTheOperatorFocusedIt();
    void tabWalksTheSettingsThenLowerGroupsTerminalEnableAndFireLast();
    void everyStopOfTheTabWalkShowsItsFocus();
    void groupCaptionsAndLabelsAreThirteenPixels_data();
    void groupCaptionsAndLabelsAreThirteenPixels();
    void statusNumberStandsBelowItsGroupsCaption();
    void picturesHaveThePixelsOfTheScreensScale();
    void frameKeepsItsPlaceWhereItFitsElseShowsTopLeftFirst_data();
    void frameKeepsItsPlaceWhereItFitsElseShowsTopLeftFirst();
    void animationWaitsAndRunsFromTheIdleFrame();
    void windowHasFixedSizeEmptyCaptionAndTheTerminalView();
    void windowPictureForVisualCheck();

private:
    template <typename T = QWidget>
    T *control(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    std::unique_ptr<QMainWindow> window;
    QTextEdit *responseList = nullptr;
    MainFormLayout ui;
};

void MainFormLayoutTest::init()
{
    window = std::make_unique<QMainWindow>();
    responseList = new QTextEdit;
    responseList->setObjectName(QStringLiteral("ResponseList"));
    ui = MainFormLayout();
    ui.setupUi(window.get(), responseList);
}

void MainFormLayoutTest::cleanup()
{
    window.reset();
}

void MainFormLayoutTest::readOutsStartWithQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption"); // read-outs only

    QTest::newRow("ResTempAlbl") << "? C" << "Res. Temp  :";
    QTest::newRow("ResTempBlbl") << "? C" << "Diode Temp:";
    QTest::newRow("FETTemplbl") << "? C" << "FET Temp   :";
    QTest::newRow("BankVoltagelbl") << "? V" << "Bank Voltage  :";
    QTest::newRow("BankVTargetlbl") << "? V" << "Bank V Target:";
    QTest::newRow("FETVoltagelbl") << "? V" << "FET Voltage   :";
    QTest::newRow("FETVDroplbl") << "? V" << "FET V Drop    :";
    QTest::newRow("FETVDrainlbl") << "? V" << "FET V Drain    :";
    QTest::newRow("FETVSourcelbl") << "? V" << "FET V Source :";
    QTest::newRow("TargetCurrentlbl") << "? A" << "Target     :";
    QTest::newRow("DiodeCurrentlbl") << "? A" << "Measured :";
    QTest::newRow("Heater1Targetlbl") << "Heater 1 Target:  ? C" << QString();
    QTest::newRow("Heater1Templbl") << "Heater 1 Temp:   ? C" << QString();
    QTest::newRow("Heater2Targetlbl") << "Heater 2 Target:  ? C" << QString();
    QTest::newRow("Heater2Templbl") << "Heater 2 Temp:   ? C" << QString();
    QTest::newRow("ShotCountlbl") << "Shot Count: ?" << QString();
    QTest::newRow("UserCountlbl") << "User Count: ?" << QString();
    QTest::newRow("SystemStatuslbl") << "Status: " << QString();
    QTest::newRow("SerialNumberlbl") << "Serial Number: " << QString();
    QTest::newRow("FWVersionlbl") << "Firmware Ver:" << QString();
    QTest::newRow("FPGAVersionlbl") << "FPGA Ver:" << QString();
}

void MainFormLayoutTest::readOutsStartWithQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QString, caption);
    const QWidget *shown = control(QString::fromLatin1(QTest::currentDataTag()));

    QCOMPARE(shown->property("text").toString(), text);
    if (const auto *readOut = qobject_cast<const LabeledReadOut *>(shown)) {
        QCOMPARE(readOut->caption(), caption);
        QVERIFY(readOut->isReadOnly());
    }
}

void MainFormLayoutTest::settingFramesNestInTheirColumns_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("control");

    QTest::newRow("GroupBox88") << "SystemSettingsGrp" << "Pulse Mode" << QString() << "SystemModeSel";
    QTest::newRow("RepRateGrp") << "SystemSettingsGrp" << "Rep Rate" << "Sets the pulse frequency"
                                << "RepRateAdj";
    QTest::newRow("BurstCountGrp") << "SystemSettingsGrp" << "Burst Count"
                                   << "Sets number of burst counts when in  burst mode" << "BurstCountAdj";
    QTest::newRow("SyncSettingsGrp") << "SystemSettingsGrp" << "Sync Output Settings"
                                     << "Sets what signal goes to the sync output" << "SyncSettingsSel";
    QTest::newRow("DiodeCurrentGrp") << "DiodeSettingsGrp" << "Diode Current" << "Adjusts the diode current"
                                     << "DiodeCurrentAdj";
    QTest::newRow("EnergyModegrp") << "DiodeSettingsGrp" << "Energy Mode" << "Sets the energy mode"
                                   << "EnergyModeSel";
    QTest::newRow("DiodePulseWidthGrp") << "DiodeSettingsGrp" << "Diode Pulse Width"
                                        << "Sets the diode pulse width" << "DiodePulseWidthAdj";
    QTest::newRow("DiodeTriggerGrp") << "DiodeSettingsGrp" << "Diode Trigger"
                                     << "Sets the external diode triggering mode" << "DiodeTriggerSel";
    QTest::newRow("QSWDelayGrp") << "QSwitchSettingsGrp" << "Q-Switch Delay" << QString() << "QSWDelayAdj";
    QTest::newRow("QSWTriggerGrp") << "QSwitchSettingsGrp" << "Q-Switch Trigger" << QString() << QString();
    QTest::newRow("QSWWaitGrp") << "QSwitchSettingsGrp" << "Wait Count"
                                << "Sets the number of pulses to wait before enabling the q-switch"
                                << "QSWWaitCountAdj";
    QTest::newRow("DivideByNGrp") << "QSwitchSettingsGrp" << "Divide By N"
                                  << "Sets the number of diode pulses for each q-sw pulse" << "DivideByNAdj";
    QTest::newRow("AttenGrp") << "ClientArea" << "Attenuator" << "Adjusts the optical attenuator"
                              << "AttenuatorAdj";
    QTest::newRow("EnhEnergyModegrp") << "ClientArea" << "Energy Mode" << "Sets the energy mode"
                                      << "EnhEnergyModeSel";
}

void MainFormLayoutTest::settingFramesNestInTheirColumns()
{
    QFETCH(QString, column);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(QString, control);
    const auto *frame = this->control<QGroupBox>(QString::fromLatin1(QTest::currentDataTag()));

    QCOMPARE(frame->parent()->objectName(), column);
    QCOMPARE(frame->title(), caption);
    QCOMPARE(frame->toolTip(), tooltip);
    if (!control.isEmpty())
        QCOMPARE(this->control(control)->parentWidget(), frame);
}

void MainFormLayoutTest::spinEditsStartWithTheirRanges_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("increment");
    QTest::addColumn<double>("minValue");
    QTest::addColumn<double>("maxValue");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("leadingDigits");
    QTest::addColumn<QChar>("separator");

    QTest::newRow("RepRateAdj") << 1 << 0.1 << 0.1 << 100.0 << 0.1 << 3 << QChar();
    QTest::newRow("BurstCountAdj") << 0 << 1.0 << 1.0 << 1000000.0 << 1.0 << 7 << QChar();
    QTest::newRow("DiodeCurrentAdj") << 2 << 0.01 << 0.0 << 150.0 << 0.0 << 3 << QChar();
    QTest::newRow("DiodePulseWidthAdj") << 7 << 0.000001 << 0.000001 << 0.1 << 0.000001 << 1 << QChar(',');
    QTest::newRow("QSWDelayAdj") << 7 << 0.0000001 << 0.000001 << 1.0 << 0.000001 << 1 << QChar(',');
    QTest::newRow("QSWWaitCountAdj") << 0 << 1.0 << 0.0 << 65535.0 << 0.0 << 7 << QChar();
    QTest::newRow("DivideByNAdj") << 0 << 1.0 << 1.0 << 65535.0 << 1.0 << 7 << QChar();
    QTest::newRow("AttenuatorAdj") << 2 << 0.01 << 0.0 << 100.0 << 0.0 << 3 << QChar();
}

void MainFormLayoutTest::spinEditsStartWithTheirRanges()
{
    QFETCH(int, decimals);
    QFETCH(double, increment);
    QFETCH(double, minValue);
    QFETCH(double, maxValue);
    QFETCH(double, value);
    QFETCH(int, leadingDigits);
    QFETCH(QChar, separator);
    const auto *spin = control<TPlusSpinEdit>(QString::fromLatin1(QTest::currentDataTag()));

    QCOMPARE(spin->Decimals(), decimals);
    QCOMPARE(spin->Increment(), increment);
    QCOMPARE(spin->MinValue(), minValue);
    QCOMPARE(spin->MaxValue(), maxValue);
    QCOMPARE(spin->Value(), value);
    QCOMPARE(spin->LeadingDigits(), leadingDigits);
    QCOMPARE(spin->ThousandSeparator(), separator);
    QVERIFY(!spin->AutoSize());
    QCOMPARE(spin->BorderStyle(), tovra::TBorderStyle::bsNone);
    QCOMPARE(spin->font().pixelSize(), 15);
}

void MainFormLayoutTest::dropDownsOfferFixedItems_data()
{
    QTest::addColumn<QStringList>("items");

    QTest::newRow("SystemModeSel") << QStringList{"Continuous", "Single Shot", "Burst"};
    QTest::newRow("SyncSettingsSel") << QStringList{"Off", "Diode Pulse", "Q-Switch Pulse", "Diode+Q-SW"};
    QTest::newRow("EnergyModeSel") << QStringList{"Manual", "Low Power", "High Power"};
    QTest::newRow("DiodeTriggerSel") << QStringList{"Internal", "External"};
    QTest::newRow("QSWTriggerSel") << QStringList{"Internal", "External"};
    QTest::newRow("EnhEnergyModeSel") << QStringList{"Normal", "Enhanced"};
}

void MainFormLayoutTest::dropDownsOfferFixedItems()
{
    QFETCH(QStringList, items);
    const auto *choice = control<QComboBox>(QString::fromLatin1(QTest::currentDataTag()));

    QStringList shown;
    for (int i = 0; i < choice->count(); ++i)
        shown << choice->itemText(i);
    QCOMPARE(shown, items);
    QCOMPARE(choice->currentIndex(), 0);
    QCOMPARE(choice->currentText(), items.first());
    QVERIFY(!choice->isEditable());
}

void MainFormLayoutTest::menuItemsCarryTheirCaptions_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("checkable");

    QTest::newRow("Exit1") << "File1" << "Exit" << false;
    QTest::newRow("R1") << "File1" << "Restart App" << false;
    QTest::newRow("SaveBin1") << "SaveToBin1" << "1" << false;
    QTest::newRow("SaveBin6") << "SaveToBin1" << "6" << false;
    QTest::newRow("DefaultBin0") << "RestoreFromBin1" << "Default 0" << false;
    QTest::newRow("RestoreBin1") << "RestoreFromBin1" << "1" << false;
    QTest::newRow("RestoreBin6") << "RestoreFromBin1" << "6" << false;
    QTest::newRow("Up1") << "ools1" << "Refresh" << false;
    QTest::newRow("Calculator1") << "ools1" << "Calculator" << false;
    QTest::newRow("CaptureScreenShot1") << "ools1" << "Capture Screen Shot" << false;
    QTest::newRow("EnableLoggingMenu") << "ools1" << "Logging Enabled" << true;
    QTest::newRow("EnableDataCollectionMenu") << "ools1" << "Data Collection Enabled" << true;
    QTest::newRow("RemoteApiMenu") << "ools1" << "Remote API…" << false;
    QTest::newRow("Service1") << "ools1" << "Service" << false;
    QTest::newRow("ServiceWindowMenu") << "ools1" << "Service Window" << false;
    QTest::newRow("UnlockLaserMenu") << "ools1" << "Unlock Laser" << false;
    QTest::newRow("WebSite1") << "Help1" << "Web Site" << false;
    QTest::newRow("About1") << "Help1" << "About" << false;
}

void MainFormLayoutTest::menuItemsCarryTheirCaptions()
{
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(bool, checkable);
    const auto *item = window->findChild<QAction *>(QString::fromLatin1(QTest::currentDataTag()));

    QVERIFY(item);
    QVERIFY(control<QMenu>(menu)->actions().contains(item));
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->isCheckable(), checkable);
    QVERIFY(!item->isChecked());
}

void MainFormLayoutTest::hiddenItemsAndFamilyLogosAreInvisible()
{
    QVERIFY(!ui.ServiceWindowMenu->isVisible());
    QVERIFY(!ui.UnlockLaserMenu->isVisible());
    QVERIFY(ui.Service1->isVisible());
    QVERIFY(ui.SaveBin[5]->isVisible());
    QVERIFY(ui.microLogo->isHidden());
    QVERIFY(ui.miniLogo->isHidden());
    QVERIFY(!ui.RZLogo->isHidden());

    QStringList topMenus;
    for (const QAction *top : ui.MainMenu1->actions())
        topMenus << top->text();
    QCOMPARE(topMenus, (QStringList{"File", "Storage", "Tools", "Help"}));
    QCOMPARE(ui.Storage1->actions(),
             (QList<QAction *>{ui.SaveToBin1->menuAction(), ui.RestoreFromBin1->menuAction()}));
    QCOMPARE(ui.SaveToBin1->title(), QStringLiteral("Save To Bin"));
    QCOMPARE(ui.RestoreFromBin1->title(), QStringLiteral("Restore From Bin"));
}

void MainFormLayoutTest::statusTilesShowTheirOwnNamesOnWhite()
{
    for (int row = 0; row < 14; ++row) {
        const QString tileName = row < 4 ? QStringLiteral("StatusTile%1").arg(row)
                                         : QStringLiteral("Panel%1").arg(row - 3);
        const auto *tile = control<QFrame>(tileName);
        const auto *indicator = control<StatusIndicator>(QStringLiteral("StatusInd%1").arg(row));
        const auto *label = control<QLabel>(QStringLiteral("Statuslbl%1").arg(row));

        QCOMPARE(tile->parentWidget(), ui.SystemStatusGrp);
        QCOMPARE(tile->size(), QSize(120, 23));
        QCOMPARE(indicator->parentWidget(), tile);
        QCOMPARE(label->parentWidget(), tile);
        QCOMPARE(label->text(), label->objectName());
        QCOMPARE(indicator->fillColour(), white);
        QVERIFY(indicator->x() + indicator->width() <= label->x());
        QCOMPARE(ui.StatusTiles[row], tile);
        QCOMPARE(ui.StatusInd[row], indicator);
        QCOMPARE(ui.Statuslbl[row], label);
    }
    QVERIFY(ui.StatusTiles[0]->y() < ui.StatusTiles[13]->y());
}

void MainFormLayoutTest::readOutGroupsIgnoreClicks()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    for (const QGroupBox *group : {ui.Temperaturegrp, ui.Voltagegrp, ui.Currentgrp})
        QVERIFY(!group->isEnabled());
    QVERIFY(ui.UpdateVoltagesEn->isChecked());
    QTest::mouseClick(ui.UpdateVoltagesEn, Qt::LeftButton, {}, QPoint(8, ui.UpdateVoltagesEn->height() / 2));
    QVERIFY(ui.UpdateVoltagesEn->isChecked());

    // The same click lands on an enabled box.
    QVERIFY(!ui.QSwitchEnableBtn->isChecked());
    QTest::mouseClick(ui.QSwitchEnableBtn, Qt::LeftButton, {}, QPoint(8, ui.QSwitchEnableBtn->height() / 2));
    QVERIFY(ui.QSwitchEnableBtn->isChecked());
}

void MainFormLayoutTest::enhancedEnergyModeStandsBeyondRunTimeWidth()
{
    QCOMPARE(ui.EnhEnergyModegrp->parentWidget(), ui.ClientArea);
    QVERIFY(ui.EnhEnergyModegrp->x() >= runTimeWidth);
    QVERIFY(ui.EnhEnergyModegrp->geometry().right() < clientSize.width());

    // Everything else fits the run-time width.
    for (const QWidget *child : ui.ClientArea->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child != ui.EnhEnergyModegrp)
            QVERIFY2(child->geometry().right() < runTimeWidth, qPrintable(child->objectName()));
    }
}

void MainFormLayoutTest::fireButtonIsReadyInGreenAndTurnsRed()
{
    QCOMPARE(ui.FireStopbtn->text(), QStringLiteral("Fire"));
    QCOMPARE(ui.FireStopbtn->size(), QSize(129, 67));
    QCOMPARE(ui.FireStopbtn->font().pixelSize(), 32);
    QCOMPARE(ui.FireStopbtn->palette().color(QPalette::ButtonText), green);

    tovra::setButtonCaptionColour(ui.FireStopbtn, red);
    QCOMPARE(ui.FireStopbtn->palette().color(QPalette::ButtonText), red);

    QCOMPARE(ui.LaserEnableBtn->text(), QStringLiteral("Laser Enable"));
    QCOMPARE(ui.LaserEnableBtn->toolTip(), QStringLiteral("Enables the laser and diodes. "));
}

void MainFormLayoutTest::disabledFireButtonLooksDisabledInEitherLook()
{
    for (const QColor &look : {green, red}) {
        tovra::setButtonCaptionColour(ui.FireStopbtn, look);
        ui.FireStopbtn->setEnabled(false);
        const QColor disabled = ui.FireStopbtn->palette().color(QPalette::ButtonText);
        QVERIFY2(disabled != look, qPrintable(disabled.name()));
        QCOMPARE(disabled, ui.ClearUserCountbtn->palette().color(QPalette::Disabled, QPalette::ButtonText));
        ui.FireStopbtn->setEnabled(true);
        QCOMPARE(ui.FireStopbtn->palette().color(QPalette::ButtonText), look);
    }
}

// A wheel notch as the mouse delivers it: to the widget under the pointer.
static void rollWheelOver(QWidget *widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QWheelEvent notch(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &notch);
}

void MainFormLayoutTest::dropDownIgnoresTheWheelUntilTheOperatorFocusedIt()
{
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QComboBox *choice = ui.SyncSettingsSel;

    rollWheelOver(choice);
    QCOMPARE(choice->currentIndex(), 0);
    QVERIFY(!choice->hasFocus()); // the wheel alone gives no focus

    choice->setFocus(Qt::OtherFocusReason); // the window's own choice, not the operator's
    rollWheelOver(choice);
    QCOMPARE(choice->currentIndex(), 0);

    QTest::keyClick(choice, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), choice);
    rollWheelOver(choice);
    QCOMPARE(choice->currentIndex(), 1);
}

void MainFormLayoutTest::tabWalksTheSettingsThenLowerGroupsTerminalEnableAndFireLast()
{
    const QStringList expected{
        "SystemModeSel",    "RepRateAdj",    "BurstCountAdj",      "SyncSettingsSel", "DiodeCurrentAdj",
        "EnergyModeSel",    "DiodePulseWidthAdj", "DiodeTriggerSel", "QSwitchEnableBtn", "QSWDelayAdj",
        "QSWTriggerSel",    "QSWWaitCountAdj", "DivideByNEnable",  "DivideByNAdj",    "ClearUserCountbtn",
        "AttenuatorAdj",    "EnhEnergyModeSel", "SendEdit",        "SendBtn",         "ResponseList",
        "LaserEnableBtn",   "FireStopbtn",
    };
    responseList->setObjectName(QStringLiteral("ResponseList"));
    QStringList walked;
    QWidget *stop = ui.SystemModeSel;
    do {
        if (stop->focusPolicy() & Qt::TabFocus && stop->isEnabled() && !stop->focusProxy())
            walked << stop->objectName();
        stop = stop->nextInFocusChain();
    } while (stop != ui.SystemModeSel && walked.size() <= expected.size());
    // Widgets outside the settings (the menu bar, the window) take no Tab and drop out.
    QCOMPARE(walked, expected);
}

// Walked with the Tab key itself: styles mark the focus once the keyboard has moved it.
void MainFormLayoutTest::everyStopOfTheTabWalkShowsItsFocus()
{
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    ui.SystemModeSel->setFocus();
    QTest::keyClick(ui.SystemModeSel, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QStringList unmarked;
    QStringList walked;
    do {
        QWidget *stop = QApplication::focusWidget();
        QVERIFY(stop);
        walked << stop->objectName();
        const QImage focused = stop->grab().toImage();
        QTest::keyClick(stop, Qt::Key_Tab);
        if (stop->grab().toImage() == focused)
            unmarked << stop->objectName();
    } while (QApplication::focusWidget() != ui.SystemModeSel && walked.size() < 40);
    QCOMPARE(walked.size(), 22); // and the walk comes round: no stop keeps the Tab key
    QCOMPARE(unmarked.join(QLatin1Char(' ')), QString());
}

void MainFormLayoutTest::groupCaptionsAndLabelsAreThirteenPixels_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"SystemSettingsGrp", "DiodeSettingsGrp", "QSwitchSettingsGrp", "Temperaturegrp",
                             "ShotCountgrp", "Voltagegrp", "Currentgrp", "Heatergrp", "TerminalBoxgrp",
                             "SystemStatusGrp", "SystemInfoGrp", "Heater1Targetlbl", "ShotCountlbl",
                             "SerialNumberlbl", "SystemStatuslbl"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void MainFormLayoutTest::groupCaptionsAndLabelsAreThirteenPixels()
{
    QFETCH(QString, name);
    QCOMPARE(control(name)->font().pixelSize(), 13);
}

void MainFormLayoutTest::statusNumberStandsBelowItsGroupsCaption()
{
    const QFontMetrics caption(ui.SystemStatusGrp->font());
    const QLabel *status = ui.SystemStatuslbl;
    QVERIFY2(status->y() >= caption.height(), qPrintable(QString::number(status->y())));
    QVERIFY(status->height() >= QFontMetrics(status->font()).height());
    QVERIFY(status->geometry().bottom() < ui.StatusTiles[0]->y());
    QVERIFY(ui.StatusTiles[13]->geometry().bottom() < ui.SystemStatusGrp->height() - 1);
    QVERIFY(ui.SystemStatusGrp->geometry().bottom() < ui.SystemInfoGrp->y());
}

// Also run on a screen scaled by 2, where the pictures must bring twice the pixels, not be blown up.
void MainFormLayoutTest::picturesHaveThePixelsOfTheScreensScale()
{
    const qreal ratio = qApp->devicePixelRatio();
    const QPixmap banner = ui.RZLogo->pixmap();
    QCOMPARE(banner.devicePixelRatio(), ratio);
    QCOMPARE(banner.size(), QSize(652, 101) * ratio);
    const QImage frame = ui.TovraMovie->currentImage();
    QCOMPARE(frame.size(), QSize(320, 90) * ratio);
    QCOMPARE(frame.devicePixelRatio(), ratio);
    QCOMPARE(ui.microLogo->pixmap().size(), QSize(76, 17) * ratio);
}

void MainFormLayoutTest::frameKeepsItsPlaceWhereItFitsElseShowsTopLeftFirst_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("place");
    const QRect designed(520, 160, 673, 715);
    QTest::newRow("fits where designed") << designed << QRect(0, 0, 1920, 1080) << QPoint(520, 160);
    QTest::newRow("1024x768: moved left and up just enough")
        << designed << QRect(0, 0, 1024, 768) << QPoint(1024 - 673, 768 - 715);
    QTest::newRow("taller than the area: title bar at its top")
        << QRect(520, 160, 1000, 1400) << QRect(0, 0, 1600, 1200) << QPoint(520, 0);
    QTest::newRow("larger both ways: top-left corner at the area's")
        << QRect(520, 160, 1400, 1400) << QRect(0, 30, 1024, 738) << QPoint(0, 30);
    QTest::newRow("left of a second screen: moved onto it")
        << QRect(1900, 160, 673, 715) << QRect(1920, 0, 1280, 1024) << QPoint(1920, 160);
}

void MainFormLayoutTest::frameKeepsItsPlaceWhereItFitsElseShowsTopLeftFirst()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, place);
    QCOMPARE(tovra::fittedFramePosition(frame, available), place);
}

void MainFormLayoutTest::animationWaitsAndRunsFromTheIdleFrame()
{
    QVERIFY(ui.TovraMovie->isValid());
    QCOMPARE(ui.TovraMovie->frameCount(), 20);
    QVERIFY(!ui.animationRunning());
    QCOMPARE(ui.TovraMovie->currentFrameNumber(), MainFormLayout::idleAnimationFrame);
    QCOMPARE(ui.TovraAnimate->size(), QSize(313, 92));
    QVERIFY(!ui.TovraAnimate->hasScaledContents());

    ui.startAnimation(MainFormLayout::idleAnimationFrame);
    QVERIFY(ui.animationRunning());
    QCOMPARE(ui.TovraMovie->currentFrameNumber(), MainFormLayout::idleAnimationFrame);

    ui.stopAnimation(MainFormLayout::idleAnimationFrame);
    QVERIFY(!ui.animationRunning());
    QCOMPARE(ui.TovraMovie->currentFrameNumber(), MainFormLayout::idleAnimationFrame);
    QCOMPARE(ui.TovraAnimate->movie()->currentImage().size(), QSize(320, 90));
}

void MainFormLayoutTest::windowHasFixedSizeEmptyCaptionAndTheTerminalView()
{
    QVERIFY(window->windowTitle().isEmpty());
    // Never larger than the whole client area with the menu bar (tst_screenfit: smaller, where
    // the screen is).
    QCOMPARE(window->maximumSize().boundedTo(clientSize + QSize(0, ui.MainMenu1->sizeHint().height())),
             clientSize + QSize(0, ui.MainMenu1->sizeHint().height()));
    QCOMPARE(window->centralWidget(), ui.ClientScroller);
    QCOMPARE(ui.ClientScroller->widget(), ui.ClientArea);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(ui.ClientArea->size(), clientSize);
    QCOMPARE(ui.ResponseList, responseList);
    QCOMPARE(responseList->parentWidget(), ui.TerminalBoxgrp);
    QVERIFY(responseList->isVisible());
    QCOMPARE(responseList->font().pixelSize(), 11);
    QVERIFY(!ui.RZLogo->pixmap().isNull());
}

// Set TOVRA_LAYOUT_PNG to a file name to look at the window as the operator will see it.
void MainFormLayoutTest::windowPictureForVisualCheck()
{
    const QString file = qEnvironmentVariable("TOVRA_LAYOUT_PNG");
    if (file.isEmpty())
        QSKIP("TOVRA_LAYOUT_PNG names no file");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(window->grab().save(file));
}

QTEST_MAIN(MainFormLayoutTest)
#include "tst_mainformlayout.moc"
