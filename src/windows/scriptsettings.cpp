#include "scriptsettings.h"

#include "settingcontrols.h"

#include "laserstate.h"
#include "parametertable.h"

#include <algorithm>
#include <cmath>

namespace tovra {

ScriptSettingsFollower::ScriptSettingsFollower(SettingControls &settingControls, LaserState &laserState,
                                               std::function<void()> readBackEnergyMode)
    : controls(settingControls)
    , state(laserState)
    , readBackEnergyModeValue(std::move(readBackEnergyMode))
{
}

// The laser keeps a list's index inside its range, and so does the list; a spin edit limits the
// value to its own range, and the laser state keeps what the control took.
void ScriptSettingsFollower::showScriptSetting(const ScriptSetting &setting)
{
    const std::optional<Setting> followed = settingOfMnemonic(setting.mnemonic, state);
    if (!followed)
        return;
    const Parameter &row = parameter(*followed);
    double value = setting.value;
    if (row.format == ArgumentFormat::Index)
        value = std::clamp(std::nearbyint(value), row.designRange.minimum, row.designRange.maximum);
    storeValue(state, *followed, controls.show(*followed, value));

    if (*followed == Setting::DiodeTrigger)
        controls.followDiodeTrigger(state);
    // The laser ends a preset energy mode by itself when its value is set by hand; the list follows.
    if (*followed == energyModeGoverned(state)) {
        state.energyMode = 0;
        controls.show(familyOf(state) == StandardFamily ? Setting::EnergyMode : Setting::EnhancedEnergyMode, 0);
    }
    const bool energyMode = *followed == Setting::EnergyMode || *followed == Setting::EnhancedEnergyMode;
    if (energyMode && readBackEnergyModeValue)
        readBackEnergyModeValue();
}

} // namespace tovra
