// Identity of the connected laser and the load of its settings into the window: the only place
// where the program reads the laser's configuration.

#include "mainform.h"

#include "labeledreadout.h"
#include "plusspinedit.h"
#include "statusindicator.h"

#include "displayformat.h"
#include "identity.h"
#include "laserstate.h"
#include "recordformat.h"
#include "rzcomport.h"
#include "statusword.h"
#include "versioninfo.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMovie>
#include <QSignalBlocker>
#include <QTimer>

namespace tovra {

namespace {

const QStringList StandardStatusCaptions = {
    "Enabled",      "Firing",         "Q-SW Enable", "Diode Ext Trig", "Q-SW Ext Trig",
    "Shutter Closed", "Ext Intlk",    "Diode-Temp",  "Elect-Temp",     "Power Fail",
    "Ok to Enable", "Ok to Fire",     "Low Pwr Mode", "High Pwr Mode",
};

const QStringList SmallFamilyStatusCaptions = {
    "Enabled",      "Firing",     "Unused",     "Diode Ext Trig", "Unused",
    "Unused",       "Ext Intlk",  "Diode-Temp", "Elect-Temp",     "Power Fail",
    "Ok to Enable", "Ok to Fire", "Normal Energy", "Unused",
};

int bottomOf(const QWidget *widget)
{
    return widget->y() + widget->height();
}

// A reply that names a fitted option: a number, or a text with "?" when the laser does not know
// the query. A reply that is neither (nothing came in time, or noise) does not prove the option
// either, so it counts as absent as well.
std::optional<int> optionAnswer(const QString &reply)
{
    if (reply.contains(QLatin1Char('?')))
        return std::nullopt;
    bool isNumber = false;
    const int value = reply.trimmed().toInt(&isNumber);
    return isNumber ? std::optional<int>(value) : std::nullopt;
}

} // namespace

void TMainForm::ParseIDN()
{
    parseIdentityReply(comm->SendAndReceive(QStringLiteral("ID")), state);
}

void TMainForm::Initialize()
{
    state.laserUnlocked = false;
    ui.ShotCountlbl->setText(QStringLiteral("Shot Count: ----"));
    if (state.demoMode) {
        StatusTimer->stop();
        setWindowTitle(QStringLiteral(" Tovra  SW Version: ") + VersionInfo->FileVersion()
                       + QStringLiteral(" ComPort: Demo"));
        ui.SerialNumberlbl->setText(QStringLiteral("Serial Number: 1234"));
        ui.FWVersionlbl->setText(QStringLiteral("Firmware Ver: 1.00"));
        ui.FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: 1.25"));
        return;
    }

    StatusTimer->stop();
    state.commandsInhibited = true;
    ParseIDN();
    const QString maker = state.manufacturerCode == QLatin1String("RZ") ? QStringLiteral("Marovane")
                                                                         : QStringLiteral("Unknown");
    setWindowTitle(maker + QStringLiteral(" Model ") + state.modelName + QStringLiteral("  SW Version: ")
                   + VersionInfo->FileVersion() + QStringLiteral(" ComPort: ") + QString::number(ComPort->Port()));
    ui.SerialNumberlbl->setText(QStringLiteral("Serial Number: ") + QString::number(state.serialNumber));
    ui.FWVersionlbl->setText(QStringLiteral("Firmware Ver: ") + state.firmwareVersion);

    ui.ServiceWindowMenu->setVisible(comm->QueryInt(QStringLiteral("SEC")) == 1);
    loadLimitedSettings();
    loadModesAndTriggers();
    loadHeater0();
    loadAttenuator();
    setOuterWidth(665);
    state.hasEnhancedEnergy = false;
    if (state.isMicroModel || state.isMiniModel)
        loadSmallFamily();
    else
        loadFullSizeFamily();
    if (state.isMiniModel)
        loadPasswordLock();
    hideControlsOutOfSight();

    state.commandsInhibited = false;
    if (!ended)
        StatusTimer->start();
}

void TMainForm::rememberDesignRanges()
{
    for (const TPlusSpinEdit *control : {ui.RepRateAdj, ui.DiodeCurrentAdj, ui.DiodePulseWidthAdj, ui.QSWDelayAdj})
        designRanges[control] = {control->MinValue(), control->MaxValue()};
}

// The laser's limits for a control, when they can be used: both read (a limit beyond any plausible
// value counts as not read) and the maximum not below the minimum. Otherwise the control keeps
// the range it was built with, and the log says why.
TMainForm::LimitRange TMainForm::usableLimits(TPlusSpinEdit *control, const LimitReply &minimum,
                                              const LimitReply &maximum)
{
    if (minimum.value && maximum.value && *minimum.value <= *maximum.value)
        return {*minimum.value, *maximum.value};
    const LimitRange design = designRanges.at(control);
    auto describe = [](const LimitReply &limit) {
        return limit.name + QLatin1Char(' ') + (limit.value ? formatGeneral(*limit.value) : QStringLiteral("unread"));
    };
    appendLogNote(QStringLiteral("Limits Error(") + Communication::timeStamp() + QStringLiteral("): ")
                  + describe(minimum) + QStringLiteral(", ") + describe(maximum) + QStringLiteral("; ")
                  + control->objectName() + QStringLiteral(" keeps ") + formatGeneral(design.minimum)
                  + QStringLiteral(" to ") + formatGeneral(design.maximum));
    return design;
}

// Each value, then its limits: the control limits the new value to the range it has now (the
// previous load's, or the design range), and the new limits then re-apply to the control's
// value, not to the reply. Both limits are asked before either is applied, so that they can be
// judged together. Some handlers (the diode current's) end with the inhibit switched off; the
// load keeps it on after every write.
void TMainForm::loadLimitedSettings()
{
    const struct
    {
        const char *mnemonic;
        double LaserState::*value;
        double LaserState::*maximum;
        double LaserState::*minimum;
        TPlusSpinEdit *control;
    } settings[] = {
        {"RR", &LaserState::repRate, &LaserState::repRateMax, &LaserState::repRateMin, ui.RepRateAdj},
        {"DC", &LaserState::diodeCurrent, &LaserState::diodeCurrentMax, &LaserState::diodeCurrentMin,
         ui.DiodeCurrentAdj},
        {"DW", &LaserState::diodePulseWidth, &LaserState::diodePulseWidthMax, &LaserState::diodePulseWidthMin,
         ui.DiodePulseWidthAdj},
    };
    for (const auto &setting : settings) {
        const QString mnemonic = QString::fromLatin1(setting.mnemonic);
        state.*setting.value = comm->QueryFloat(mnemonic);
        setting.control->setValue(state.*setting.value);
        state.commandsInhibited = true;
        const QString maximumQuery = mnemonic + QStringLiteral(":MAX");
        const QString minimumQuery = mnemonic + QStringLiteral(":MIN");
        const std::optional<double> maximum = comm->TryQueryFloat(maximumQuery);
        const std::optional<double> minimum = comm->TryQueryFloat(minimumQuery);
        const LimitRange limits = usableLimits(setting.control, {minimumQuery, minimum}, {maximumQuery, maximum});
        state.*setting.maximum = limits.maximum;
        setting.control->setMaxValue(limits.maximum);
        state.commandsInhibited = true;
        state.*setting.minimum = limits.minimum;
        setting.control->setMinValue(limits.minimum);
        state.commandsInhibited = true;
    }
}

void TMainForm::loadModesAndTriggers()
{
    {
        // The box shows what the laser said; the program's own change of it is no operator's
        // "EN 0" (which, being a stop command, would go out even now).
        const QSignalBlocker quiet(ui.LaserEnableBtn);
        ui.LaserEnableBtn->setChecked(comm->QueryInt(QStringLiteral("EN")) == 1);
    }
    state.burstCount = comm->QueryInt(QStringLiteral("BC"));
    ui.BurstCountAdj->setValue(state.burstCount);
    state.pulseMode = comm->QueryInt(QStringLiteral("PM"));
    ui.SystemModeSel->setCurrentIndex(state.pulseMode);
    state.diodeTrigger = comm->QueryInt(QStringLiteral("DT"));
    ui.DiodeTriggerSel->setCurrentIndex(state.diodeTrigger);
    ui.SystemModeSel->setEnabled(state.diodeTrigger != 1);
}

void TMainForm::loadHeater0()
{
    ui.Heatergrp->hide();
    state.hasHeater0 = comm->QueryInt(QStringLiteral("H0")) == 1;
    ui.Heater1Targetlbl->setVisible(state.hasHeater0);
    ui.Heater1Templbl->setVisible(state.hasHeater0);
    if (!state.hasHeater0)
        return;
    ui.Heater2Targetlbl->hide();
    ui.Heater2Templbl->hide();
    ui.Heatergrp->show();
    state.heater0Setpoint = comm->QueryFloat(QStringLiteral("H0:SP"));
    showHeaterTarget(ui.Heater1Targetlbl, 0, state.heater0Setpoint);
    ui.Heater1Templbl->setText(QStringLiteral("Heater 0 Temp:   ? C"));
}

void TMainForm::showHeaterTarget(QLabel *label, int heater, double setpoint)
{
    label->setText(QStringLiteral("Heater %1 Target:  ").arg(heater) + twoDecimalText(setpoint) + QStringLiteral(" C"));
}

// The attenuator group is shown on every load of a laser that has one, so that a refresh or
// recall of a micro or mini laser keeps it in view.
void TMainForm::loadAttenuator()
{
    const bool fullSize = state.isStandardModel;
    const std::optional<int> fitted = optionAnswer(comm->SendAndReceive(fullSize ? QStringLiteral("AT") : QStringLiteral("AT:EN")));
    state.hasAttenuator = fitted.value_or(0) != 0;
    ui.AttenGrp->setVisible(state.hasAttenuator);
    if (!state.hasAttenuator)
        return;
    state.attenuator = comm->QueryFloat(fullSize ? QStringLiteral("AT") : QStringLiteral("AT:AP"));
    ui.AttenuatorAdj->setValue(state.attenuator);
    state.commandsInhibited = true;
}

void TMainForm::loadSmallFamily()
{
    ui.EnergyModegrp->hide();
    const std::optional<int> configuration = optionAnswer(comm->SendAndReceive(QStringLiteral("CFG")));
    state.hasEnhancedEnergy = configuration && (*configuration & 1);
    ui.EnhEnergyModegrp->setVisible(state.hasEnhancedEnergy);
    if (state.hasEnhancedEnergy) {
        const std::optional<int> mode = optionAnswer(comm->SendAndReceive(QStringLiteral("EM")));
        state.energyMode = mode.value_or(0);
        ui.EnhEnergyModeSel->setCurrentIndex(state.energyMode);
    } else {
        state.energyModeChanging = false;
    }

    ui.DiodeCurrentGrp->hide();
    ui.DiodePulseWidthGrp->hide();
    ui.FPGAVersionlbl->hide();
    ui.SyncSettingsGrp->setEnabled(false);
    ui.SyncSettingsGrp->hide();
    setStatusCaptions(SmallFamilyStatusCaptions);
    if (state.hasEnhancedEnergy)
        ui.Statuslbl[13]->setText(QStringLiteral("Enh. Energy"));
    ui.QSwitchSettingsGrp->setEnabled(false);
    ui.QSwitchSettingsGrp->hide();
    ui.ResTempBlbl->setVisible(false);
    ui.ResTempAlbl->setCaption(QStringLiteral("Diode Temp:"));

    if (!state.initializedOnce) {
        state.initializedOnce = true;
        arrangeForSmallFamily();
    }

    ui.TovraMovie->jumpToFrame(MainFormLayout::idleAnimationFrame);
    ui.microLogo->setVisible(state.isMicroModel);
    ui.miniLogo->setVisible(state.isMiniModel);
    for (QAction *item : {ui.SaveBin[4], ui.SaveBin[5], ui.RestoreBin[4], ui.RestoreBin[5]})
        item->setVisible(false);
}

// The micro and mini families have fewer controls: the window closes up around the groups that
// remain, once per run.
void TMainForm::arrangeForSmallFamily()
{
    ui.SystemSettingsGrp->resize(ui.SystemSettingsGrp->width(), 195);
    ui.Temperaturegrp->move(ui.Temperaturegrp->x(), bottomOf(ui.SystemSettingsGrp) + 2);
    ui.FETTemplbl->move(ui.FETTemplbl->x(), ui.ResTempBlbl->y());
    ui.DiodeSettingsGrp->resize(ui.DiodeSettingsGrp->width(), 139);
    ui.DiodeTriggerGrp->move(ui.DiodeTriggerGrp->x(), ui.DiodeCurrentGrp->y());
    ui.Currentgrp->move(ui.DiodeSettingsGrp->x(), bottomOf(ui.DiodeSettingsGrp) + 1);
    ui.ShotCountgrp->move(ui.ShotCountgrp->x(), bottomOf(ui.Currentgrp) + 1);
    ui.Voltagegrp->move(ui.Voltagegrp->x(), ui.DiodeSettingsGrp->y());
    ui.Heatergrp->move(ui.Heatergrp->x(), bottomOf(ui.Voltagegrp) + 2);
    ui.Heatergrp->resize(ui.Heatergrp->width(), ui.Heatergrp->height() - 2 * ui.Heater2Targetlbl->height());
    ui.SystemInfoGrp->setGeometry(ui.Heatergrp->x(), bottomOf(ui.Heatergrp) + 2, ui.Heatergrp->width(), 56);
    if (state.hasAttenuator) {
        ui.TerminalBoxgrp->move(ui.TerminalBoxgrp->x(), bottomOf(ui.Temperaturegrp) + 1);
        ui.AttenGrp->setGeometry(ui.Voltagegrp->x(), ui.TerminalBoxgrp->y(), ui.Voltagegrp->width(), ui.AttenGrp->height());
        ui.AttenGrp->show();
        if (state.hasEnhancedEnergy)
            ui.EnhEnergyModegrp->setGeometry(ui.AttenGrp->x(), bottomOf(ui.AttenGrp) + 1, ui.AttenGrp->width(),
                                             ui.EnhEnergyModegrp->height());
        else
            ui.EnhEnergyModegrp->move(ui.Voltagegrp->x(), bottomOf(ui.Temperaturegrp) + 1);
    } else {
        ui.TerminalBoxgrp->move(ui.TerminalBoxgrp->x(), bottomOf(ui.Temperaturegrp) + 1);
        ui.EnhEnergyModegrp->move(ui.Voltagegrp->x(), bottomOf(ui.Temperaturegrp) + 1);
    }
    setOuterHeight(600);
}

void TMainForm::loadFullSizeFamily()
{
    ui.TovraMovie->jumpToFrame(MainFormLayout::idleAnimationFrame);
    ui.microLogo->hide();
    ui.miniLogo->hide();
    setStatusCaptions(StandardStatusCaptions);
    ui.FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: ") + state.fpgaVersion);
    ui.FPGAVersionlbl->show();

    state.qswDelay = comm->QueryFloat(QStringLiteral("QD"));
    ui.QSWDelayAdj->setValue(state.qswDelay);
    const std::optional<double> maximum = comm->TryQueryFloat(QStringLiteral("QD:MAX"));
    comm->QueryFloat(QStringLiteral("QD:MIN")); // asked, but the control keeps its own minimum
    state.qswDelayMax = usableLimits(ui.QSWDelayAdj, {QStringLiteral("minimum"), ui.QSWDelayAdj->MinValue()},
                                     {QStringLiteral("QD:MAX"), maximum})
                            .maximum;
    ui.QSWDelayAdj->setMaxValue(state.qswDelayMax);

    ui.QSwitchEnableBtn->setChecked(comm->QueryInt(QStringLiteral("QE")) == 1);
    state.qswWaitCount = comm->QueryInt(QStringLiteral("QW"));
    ui.QSWWaitCountAdj->setValue(state.qswWaitCount);
    state.qswTrigger = comm->QueryInt(QStringLiteral("QT"));
    ui.QSWTriggerSel->setCurrentIndex(state.qswTrigger);
    ui.DivideByNEnable->setChecked(comm->QueryInt(QStringLiteral("DE")) == 1);
    state.divideByN = comm->QueryInt(QStringLiteral("DN"));
    ui.DivideByNAdj->setValue(state.divideByN);

    const std::optional<int> mode = optionAnswer(comm->SendAndReceive(QStringLiteral("EM")));
    if (mode) {
        state.energyMode = *mode;
        ui.EnergyModeSel->setCurrentIndex(state.energyMode);
    } else {
        ui.EnergyModegrp->hide();
        state.energyModeChanging = false;
    }

    if (!state.hasHeater0) {
        state.hasHeater1 = loadExtraHeater(1, ui.Heater1Targetlbl, ui.Heater1Templbl, state.heater1Setpoint);
        state.hasHeater2 = loadExtraHeater(2, ui.Heater2Targetlbl, ui.Heater2Templbl, state.heater2Setpoint);
    }

    state.syncOutput = comm->QueryInt(QStringLiteral("SY"));
    ui.SyncSettingsSel->setCurrentIndex(state.syncOutput);
}

bool TMainForm::loadExtraHeater(int heater, QLabel *targetLabel, QLabel *temperatureLabel, double &setpoint)
{
    const bool fitted = comm->QueryInt(QStringLiteral("H%1").arg(heater)) == 1;
    targetLabel->setVisible(fitted);
    temperatureLabel->setVisible(fitted);
    if (!fitted)
        return false;
    ui.Heatergrp->show();
    setpoint = comm->QueryFloat(QStringLiteral("H%1:SP").arg(heater));
    showHeaterTarget(targetLabel, heater, setpoint);
    return true;
}

void TMainForm::loadPasswordLock()
{
    const PasswordLock lock = queryPasswordLock();
    state.laserUnlocked = lock != PasswordLock::Locked;
    if (lock == PasswordLock::Absent)
        ui.UnlockLaserMenu->setVisible(false);
    else if (lock == PasswordLock::Locked)
        ui.UnlockLaserMenu->setVisible(true);
}

// What the operator cannot see must take neither the focus nor keys, whatever the family: a
// group left wholly outside the window at its run-time size (the energy-mode choice of the small
// families stands right of the standard window) or a control left outside its group is hidden.
void TMainForm::hideControlsOutOfSight()
{
    const QRect clientArea(0, 0, width(), height() - ui.MainMenu1->sizeHint().height());
    const QList<QWidget *> parts = ui.ClientArea->findChildren<QWidget *>();
    for (QWidget *part : parts) {
        const QWidget *parent = part->parentWidget();
        const QRect room = parent == ui.ClientArea ? clientArea : parent->rect();
        if (!part->isHidden() && !room.intersects(part->geometry()))
            part->hide();
    }
}

void TMainForm::setStatusCaptions(const QStringList &captions)
{
    for (int bit = 0; bit < StatusTileCount; ++bit)
        ui.Statuslbl[size_t(bit)]->setText(captions.at(bit));
}

} // namespace tovra
