#include "scriptsettings.h"

#include "mainformlayout.h"
#include "plusspinedit.h"

#include "laserstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace tovra {

ScriptSettingsFollower::ScriptSettingsFollower(MainFormLayout &layout, LaserState &laserState,
                                               std::function<void()> readBackEnergyMode)
    : ui(layout)
    , state(laserState)
    , readBackEnergyModeValue(std::move(readBackEnergyMode))
{
}

void ScriptSettingsFollower::showScriptSetting(const ScriptSetting &setting)
{
    if (!showInSpinEdit(setting) && !showInCheckBox(setting))
        showInList(setting);
    if (setting.mnemonic == QLatin1String("EM") && readBackEnergyModeValue)
        readBackEnergyModeValue();
}

// The control takes the value without reporting it, so no handler runs; the laser state is set
// here from what the control holds (clamped to its limits as the laser clamps).
bool ScriptSettingsFollower::showInSpinEdit(const ScriptSetting &setting)
{
    const struct
    {
        const char *mnemonic;
        TPlusSpinEdit *control;
        double *value;
        int32_t *count;
    } spins[] = {
        {"RR", ui.RepRateAdj, &state.repRate, nullptr},
        {"BC", ui.BurstCountAdj, nullptr, &state.burstCount},
        {"DC", ui.DiodeCurrentAdj, &state.diodeCurrent, nullptr},
        {"DW", ui.DiodePulseWidthAdj, &state.diodePulseWidth, nullptr},
        {"QD", ui.QSWDelayAdj, &state.qswDelay, nullptr},
        {"QW", ui.QSWWaitCountAdj, nullptr, &state.qswWaitCount},
        {"DN", ui.DivideByNAdj, nullptr, &state.divideByN},
        {"AT", ui.AttenuatorAdj, &state.attenuator, nullptr},
    };
    for (const auto &spin : spins) {
        if (setting.mnemonic != QLatin1String(spin.mnemonic))
            continue;
        spin.control->setValueSilently(setting.value);
        if (spin.value)
            *spin.value = spin.control->Value();
        else
            *spin.count = int32_t(spin.control->IntValue());
        if (setting.mnemonic == governedSetting())
            endPresetEnergyMode();
        return true;
    }
    return false;
}

bool ScriptSettingsFollower::showInCheckBox(const ScriptSetting &setting)
{
    QCheckBox *box = setting.mnemonic == QLatin1String("QE")   ? ui.QSwitchEnableBtn
                     : setting.mnemonic == QLatin1String("DE") ? ui.DivideByNEnable
                                                               : nullptr;
    if (!box)
        return false;
    const QSignalBlocker silent(box);
    box->setChecked(setting.value != 0);
    return true;
}

// Setting a list's index from the program runs no handler, so the laser state is set here. The
// laser keeps an index inside its range, and so does the list.
bool ScriptSettingsFollower::showInList(const ScriptSetting &setting)
{
    const QString &mnemonic = setting.mnemonic;
    const struct
    {
        const char *mnemonic;
        QComboBox *control;
        int32_t *field;
    } lists[] = {
        {"PM", ui.SystemModeSel, &state.pulseMode},
        {"SY", ui.SyncSettingsSel, &state.syncOutput},
        {"DT", ui.DiodeTriggerSel, &state.diodeTrigger},
        {"QT", ui.QSWTriggerSel, &state.qswTrigger},
        {"EM", energyModeList(), &state.energyMode},
    };
    for (const auto &list : lists) {
        if (mnemonic != QLatin1String(list.mnemonic) || list.control->count() == 0)
            continue;
        const int index = int(std::clamp(std::nearbyint(setting.value), 0.0, double(list.control->count() - 1)));
        *list.field = index;
        list.control->setCurrentIndex(index);
        if (list.control == ui.DiodeTriggerSel)
            ui.SystemModeSel->setEnabled(index != 1); // an external diode trigger sets the pulse mode
        return true;
    }
    return false;
}

QComboBox *ScriptSettingsFollower::energyModeList() const
{
    return state.isStandardModel ? ui.EnergyModeSel : ui.EnhEnergyModeSel;
}

// The value an energy mode presets: the attenuator where one is fitted, the diode current
// otherwise.
QString ScriptSettingsFollower::governedSetting() const
{
    return state.hasAttenuator ? QStringLiteral("AT") : QStringLiteral("DC");
}

// The laser ends a preset energy mode by itself when its value is set by hand; the list follows.
void ScriptSettingsFollower::endPresetEnergyMode()
{
    state.energyMode = 0;
    if (energyModeList()->count() > 0)
        energyModeList()->setCurrentIndex(0);
}

} // namespace tovra
