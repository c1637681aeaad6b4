#include "scriptsettings.h"

#include "mainformlayout.h"
#include "plusspinedit.h"

#include "laserstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScopedValueRollback>

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
    {
        const QScopedValueRollback<bool> inhibited(state.commandsInhibited, true);
        if (!showInSpinEdit(setting) && !showInCheckBox(setting))
            showInList(setting);
    }
    if (setting.mnemonic == QLatin1String("EM") && readBackEnergyModeValue)
        readBackEnergyModeValue();
}

bool ScriptSettingsFollower::showInSpinEdit(const ScriptSetting &setting)
{
    const struct
    {
        const char *mnemonic;
        TPlusSpinEdit *control;
    } spins[] = {
        {"RR", ui.RepRateAdj},       {"BC", ui.BurstCountAdj},   {"DC", ui.DiodeCurrentAdj},
        {"DW", ui.DiodePulseWidthAdj}, {"QD", ui.QSWDelayAdj},   {"QW", ui.QSWWaitCountAdj},
        {"DN", ui.DivideByNAdj},     {"AT", ui.AttenuatorAdj},
    };
    for (const auto &spin : spins) {
        if (setting.mnemonic == QLatin1String(spin.mnemonic)) {
            spin.control->setValue(setting.value);
            return true;
        }
    }
    return false;
}

bool ScriptSettingsFollower::showInCheckBox(const ScriptSetting &setting)
{
    QCheckBox *box = setting.mnemonic == QLatin1String("QE")   ? ui.QSwitchEnableBtn
                     : setting.mnemonic == QLatin1String("DE") ? ui.DivideByNEnable
                                                               : nullptr;
    if (box)
        box->setChecked(setting.value != 0);
    return box != nullptr;
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
        {"EM", state.isStandardModel ? ui.EnergyModeSel : ui.EnhEnergyModeSel, &state.energyMode},
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

} // namespace tovra
