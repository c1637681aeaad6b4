// The operating parameter controls: each handler mirrors the control into the laser state and
// queues one command in its argument format. Only the energy mode reads anything back.

#include "mainform.h"

#include "labeledreadout.h"
#include "plusspinedit.h"
#include "statusindicator.h"

#include "displayformat.h"
#include "laserstate.h"
#include "taskrunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMovie>
#include <QScopedValueRollback>

namespace tovra {

void TMainForm::RepRateAdjChange()
{
    state.repRate = ui.RepRateAdj->Value();
    QueuedCommandToPort(QStringLiteral("RR ") + oneDecimalArgument(state.repRate));
}

void TMainForm::SystemModeSelChange()
{
    state.pulseMode = ui.SystemModeSel->currentIndex();
    QueuedCommandToPort(QStringLiteral("PM ") + QString::number(state.pulseMode));
}

void TMainForm::BurstCountAdjChange()
{
    state.burstCount = int32_t(ui.BurstCountAdj->IntValue());
    QueuedCommandToPort(QStringLiteral("BC ") + QString::number(state.burstCount));
}

void TMainForm::SyncSettingsSelChange()
{
    state.syncOutput = ui.SyncSettingsSel->currentIndex();
    QueuedCommandToPort(QStringLiteral("SY ") + QString::number(state.syncOutput));
}

void TMainForm::DiodeCurrentAdjChange()
{
    state.diodeCurrent = ui.DiodeCurrentAdj->Value();
    if (state.energyModeChanging)
        return;
    QueuedCommandToPort(QStringLiteral("DC ") + twoDecimalArgument(state.diodeCurrent));
    endPresetEnergyMode();
}

void TMainForm::DiodePulseWidthAdjChange()
{
    state.diodePulseWidth = ui.DiodePulseWidthAdj->Value();
    QueuedCommandToPort(QStringLiteral("DW ") + sevenDecimalArgument(state.diodePulseWidth));
}

void TMainForm::DiodeTriggerSelChange()
{
    state.diodeTrigger = ui.DiodeTriggerSel->currentIndex();
    QueuedCommandToPort(QStringLiteral("DT ") + QString::number(state.diodeTrigger));
    // With an external diode trigger the pulse mode is the trigger's business.
    ui.SystemModeSel->setEnabled(state.diodeTrigger != 1);
}

void TMainForm::QSwitchEnableBtnClick()
{
    QueuedCommandToPort(ui.QSwitchEnableBtn->isChecked() ? QStringLiteral("QE 1") : QStringLiteral("QE 0"));
}

void TMainForm::QSWDelayAdjChange()
{
    // The delay must not change under a running status poll; the control snaps back.
    if (state.statusBusy) {
        ui.QSWDelayAdj->setValueSilently(state.qswDelay);
        return;
    }
    state.qswDelay = ui.QSWDelayAdj->Value();
    QueuedCommandToPort(QStringLiteral("QD ") + sevenDecimalArgument(state.qswDelay));
}

void TMainForm::QSWTriggerSelChange()
{
    QueuedCommandToPort(QStringLiteral("QT ") + QString::number(ui.QSWTriggerSel->currentIndex()));
}

void TMainForm::QSWWaitCountAdjChange()
{
    state.qswWaitCount = int32_t(ui.QSWWaitCountAdj->IntValue());
    QueuedCommandToPort(QStringLiteral("QW ") + QString::number(state.qswWaitCount));
}

void TMainForm::DivideByNEnableClick()
{
    QueuedCommandToPort(ui.DivideByNEnable->isChecked() ? QStringLiteral("DE 1") : QStringLiteral("DE 0"));
}

void TMainForm::DivideByNAdjChange()
{
    state.divideByN = int32_t(ui.DivideByNAdj->IntValue());
    QueuedCommandToPort(QStringLiteral("DN ") + QString::number(state.divideByN));
}

void TMainForm::AttenuatorAdjChange()
{
    state.attenuator = ui.AttenuatorAdj->Value();
    if (state.energyModeChanging)
        return;
    const QString mnemonic = state.isStandardModel ? QStringLiteral("AT ") : QStringLiteral("AT:AP ");
    QueuedCommandToPort(mnemonic + twoDecimalArgument(state.attenuator));
    endPresetEnergyMode();
}

// A hand-set current or attenuator ends any preset energy mode; the laser does that by itself,
// so the list only follows and no "EM" command goes out.
void TMainForm::endPresetEnergyMode()
{
    state.energyMode = 0;
    const QScopedValueRollback<bool> inhibit(state.commandsInhibited, true);
    ui.EnergyModeSel->setCurrentIndex(0);
}

// The value the new mode sets is read back once the task timer has sent the "EM" command:
// read at once, it would be the laser's value from before the change.
void TMainForm::EnergyModeSelChange()
{
    state.energyMode = ui.EnergyModeSel->currentIndex();
    QueuedCommandToPort(QStringLiteral("EM ") + QString::number(state.energyMode));
    program.tasks().setEnergyModeReadBackDue(!state.commandsInhibited);
}

void TMainForm::EnhEnergyModeSelChange()
{
    state.energyMode = ui.EnhEnergyModeSel->currentIndex();
    QueuedCommandToPort(QStringLiteral("EM ") + QString::number(state.energyMode));
}

} // namespace tovra
