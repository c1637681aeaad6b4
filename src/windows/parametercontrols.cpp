// The operating parameter controls: each handler mirrors its control into the laser state and
// queues one command, both as the parameter table says. Only the energy mode reads anything back.

#include "mainform.h"

#include "laserstate.h"
#include "statuspoll.h"
#include "parametertable.h"
#include "settingcontrols.h"
#include "taskrunner.h"

#include <QScopedValueRollback>

namespace tovra {

// The handler the operator's change of each setting's control runs.
TMainForm::Handler TMainForm::handlerOf(Setting setting)
{
    switch (setting) {
    case Setting::RepRate:
        return &TMainForm::RepRateAdjChange;
    case Setting::DiodeCurrent:
        return &TMainForm::DiodeCurrentAdjChange;
    case Setting::DiodePulseWidth:
        return &TMainForm::DiodePulseWidthAdjChange;
    case Setting::QSwitchDelay:
        return &TMainForm::QSWDelayAdjChange;
    case Setting::BurstCount:
        return &TMainForm::BurstCountAdjChange;
    case Setting::QSwitchWaitCount:
        return &TMainForm::QSWWaitCountAdjChange;
    case Setting::DivideByN:
        return &TMainForm::DivideByNAdjChange;
    case Setting::Attenuator:
        return &TMainForm::AttenuatorAdjChange;
    case Setting::PulseMode:
        return &TMainForm::SystemModeSelChange;
    case Setting::DiodeTrigger:
        return &TMainForm::DiodeTriggerSelChange;
    case Setting::QSwitchTrigger:
        return &TMainForm::QSWTriggerSelChange;
    case Setting::SyncOutput:
        return &TMainForm::SyncSettingsSelChange;
    case Setting::EnergyMode:
        return &TMainForm::EnergyModeSelChange;
    case Setting::EnhancedEnergyMode:
        return &TMainForm::EnhEnergyModeSelChange;
    case Setting::LaserEnable:
        return &TMainForm::LaserEnableBtnClick;
    case Setting::QSwitchEnable:
        return &TMainForm::QSwitchEnableBtnClick;
    case Setting::DivideByNEnable:
        return &TMainForm::DivideByNEnableClick;
    }
    return nullptr;
}

// The laser state keeps the control's value, and the parameter's command goes to the queue.
void TMainForm::sendOperatorSetting(Setting setting)
{
    storeValue(state, setting, controls->value(setting));
    QueuedCommandToPort(commandFor(setting, currentValue(state, setting), state));
}

void TMainForm::RepRateAdjChange()
{
    sendOperatorSetting(Setting::RepRate);
}

void TMainForm::SystemModeSelChange()
{
    sendOperatorSetting(Setting::PulseMode);
}

void TMainForm::BurstCountAdjChange()
{
    sendOperatorSetting(Setting::BurstCount);
}

void TMainForm::SyncSettingsSelChange()
{
    sendOperatorSetting(Setting::SyncOutput);
}

void TMainForm::DiodeCurrentAdjChange()
{
    sendPresetEndingSetting(Setting::DiodeCurrent);
}

void TMainForm::DiodePulseWidthAdjChange()
{
    sendOperatorSetting(Setting::DiodePulseWidth);
}

void TMainForm::DiodeTriggerSelChange()
{
    sendOperatorSetting(Setting::DiodeTrigger);
    controls->followDiodeTrigger(state);
}

void TMainForm::QSwitchEnableBtnClick()
{
    sendOperatorSetting(Setting::QSwitchEnable);
}

void TMainForm::QSWDelayAdjChange()
{
    // The delay must not change under a running status poll; the control snaps back.
    if (program.statusPoll().isUpdating()) {
        controls->show(Setting::QSwitchDelay, state.qswDelay);
        return;
    }
    sendOperatorSetting(Setting::QSwitchDelay);
}

void TMainForm::QSWTriggerSelChange()
{
    sendOperatorSetting(Setting::QSwitchTrigger);
}

void TMainForm::QSWWaitCountAdjChange()
{
    sendOperatorSetting(Setting::QSwitchWaitCount);
}

void TMainForm::DivideByNEnableClick()
{
    sendOperatorSetting(Setting::DivideByNEnable);
}

void TMainForm::DivideByNAdjChange()
{
    sendOperatorSetting(Setting::DivideByN);
}

void TMainForm::AttenuatorAdjChange()
{
    sendPresetEndingSetting(Setting::Attenuator);
}

// The diode current and the attenuator: the operator's value is sent and ends any preset energy
// mode (the program writes these controls with their handlers silent).
void TMainForm::sendPresetEndingSetting(Setting setting)
{
    storeValue(state, setting, controls->value(setting));
    QueuedCommandToPort(commandFor(setting, currentValue(state, setting), state));
    endPresetEnergyMode(Setting::EnergyMode);
}

// The laser ends a preset energy mode by itself, so the list only follows and no "EM" command
// goes out.
void TMainForm::endPresetEnergyMode(Setting list)
{
    state.energyMode = 0;
    controls->show(list, 0);
}

// The value the new mode sets is read back once the task timer has sent the "EM" command:
// read at once, it would be the laser's value from before the change.
void TMainForm::EnergyModeSelChange()
{
    sendOperatorSetting(Setting::EnergyMode);
    program.tasks().setEnergyModeReadBackDue(!program.communication().commandsInhibited());
}

void TMainForm::EnhEnergyModeSelChange()
{
    sendOperatorSetting(Setting::EnhancedEnergyMode);
}

} // namespace tovra
