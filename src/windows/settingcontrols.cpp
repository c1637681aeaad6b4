#include "settingcontrols.h"

#include "mainformlayout.h"
#include "plusspinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>

namespace tovra {

SettingControls::SettingControls(const MainFormLayout &ui)
    : controls{
        {Setting::RepRate, ui.RepRateAdj},
        {Setting::DiodeCurrent, ui.DiodeCurrentAdj},
        {Setting::DiodePulseWidth, ui.DiodePulseWidthAdj},
        {Setting::QSwitchDelay, ui.QSWDelayAdj},
        {Setting::BurstCount, ui.BurstCountAdj},
        {Setting::QSwitchWaitCount, ui.QSWWaitCountAdj},
        {Setting::DivideByN, ui.DivideByNAdj},
        {Setting::Attenuator, ui.AttenuatorAdj},
        {Setting::PulseMode, nullptr, ui.SystemModeSel},
        {Setting::DiodeTrigger, nullptr, ui.DiodeTriggerSel},
        {Setting::QSwitchTrigger, nullptr, ui.QSWTriggerSel},
        {Setting::SyncOutput, nullptr, ui.SyncSettingsSel},
        {Setting::EnergyMode, nullptr, ui.EnergyModeSel},
        {Setting::EnhancedEnergyMode, nullptr, ui.EnhEnergyModeSel},
        {Setting::LaserEnable, nullptr, nullptr, ui.LaserEnableBtn},
        {Setting::QSwitchEnable, nullptr, nullptr, ui.QSwitchEnableBtn},
        {Setting::DivideByNEnable, nullptr, nullptr, ui.DivideByNEnable},
    }
{
}

const SettingControls::Control &SettingControls::find(Setting setting) const
{
    return *std::find_if(controls.begin(), controls.end(),
                         [setting](const Control &control) { return control.setting == setting; });
}

QWidget *SettingControls::widget(Setting setting) const
{
    const Control &control = find(setting);
    if (control.spinEdit)
        return control.spinEdit;
    if (control.choice)
        return control.choice;
    return control.checkBox;
}

double SettingControls::value(Setting setting) const
{
    const Control &control = find(setting);
    if (control.spinEdit)
        return control.spinEdit->Value();
    if (control.choice)
        return control.choice->currentIndex();
    return control.checkBox->isChecked() ? 1 : 0;
}

double SettingControls::show(Setting setting, double value)
{
    const Control &control = find(setting);
    const QSignalBlocker silent(widget(setting));
    if (control.spinEdit) {
        control.spinEdit->setValue(value);
    } else if (control.choice) {
        control.choice->setCurrentIndex(int(value));
    } else {
        control.checkBox->setChecked(value != 0);
    }
    return this->value(setting);
}

LimitRange SettingControls::limits(Setting setting) const
{
    const TPlusSpinEdit *limited = spinEdit(setting);
    return {limited->MinValue(), limited->MaxValue()};
}

bool SettingControls::setLimits(Setting setting, LimitRange range)
{
    TPlusSpinEdit *limited = spinEdit(setting);
    const double before = limited->Value();
    const QSignalBlocker silent(limited);
    limited->setMaxValue(range.maximum);
    limited->setMinValue(range.minimum);
    return limited->Value() != before;
}

bool SettingControls::setMaximum(Setting setting, double maximum)
{
    return setLimits(setting, {spinEdit(setting)->MinValue(), maximum});
}

void SettingControls::followDiodeTrigger(const LaserState &state)
{
    widget(Setting::PulseMode)->setEnabled(pulseModeSelectable(state));
}

} // namespace tovra
