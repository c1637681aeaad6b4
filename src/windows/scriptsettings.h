#pragma once

#include "scriptbridge.h"

#include <functional>

namespace tovra {

struct MainFormLayout;
struct LaserState;

// Shows a script's settings in the main window's controls the way the settings load fills them:
// the controls' handlers run with commands inhibited, so the laser state follows and nothing is
// sent back. An energy mode also changes the value it governs; `readBackEnergyModeValue` reads
// that value into its control.
class ScriptSettingsFollower : public ScriptSettingView
{
public:
    ScriptSettingsFollower(MainFormLayout &layout, LaserState &laserState, std::function<void()> readBackEnergyMode);

    void showScriptSetting(const ScriptSetting &setting) override;

private:
    bool showInSpinEdit(const ScriptSetting &setting);
    bool showInList(const ScriptSetting &setting);
    bool showInCheckBox(const ScriptSetting &setting);

    MainFormLayout &ui;
    LaserState &state;
    std::function<void()> readBackEnergyModeValue;
};

} // namespace tovra
