#pragma once

#include "scriptbridge.h"

#include <functional>

namespace tovra {

class SettingControls;
struct LaserState;

// Shows the settings that lines sent as typed gave the laser (a script's through the shared port,
// the operator's in the terminal) in the main window's controls. Each control takes the value
// without running the operator's handler, so nothing is sent back and no handler's side effect
// (an energy-mode read-back, a snapped-back delay) fires; the laser state is set here. An energy
// mode also changes the value it governs; `readBackEnergyModeValue` reads that value into its
// control. A hand-set governed value ends a preset energy mode, as on the laser.
class ScriptSettingsFollower : public ScriptSettingView
{
public:
    ScriptSettingsFollower(SettingControls &settingControls, LaserState &laserState,
                           std::function<void()> readBackEnergyMode);

    void showScriptSetting(const ScriptSetting &setting) override;

private:
    SettingControls &controls;
    LaserState &state;
    std::function<void()> readBackEnergyModeValue;
};

} // namespace tovra
