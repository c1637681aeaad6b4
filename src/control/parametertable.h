#pragma once

// The laser's operating settings in one table: for each its mnemonic, where the laser state
// mirrors it, how its command's argument is written, which limit queries bound it, which
// families have it, its unit and its name for the outside. The operator's handlers, the settings
// load, the follower of typed setters, the service window's limits and the parameter list offered
// to other programs all read this table.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace tovra {

struct LaserState;

// The controls that mirror a setting of the laser. Every one but the laser enable is an
// operating parameter with a row in the table; the enable belongs to the enable and fire rules.
enum class Setting {
    RepRate, DiodeCurrent, DiodePulseWidth, QSwitchDelay, // limited by the laser
    BurstCount, QSwitchWaitCount, DivideByN, Attenuator,
    PulseMode, DiodeTrigger, QSwitchTrigger, SyncOutput, EnergyMode, EnhancedEnergyMode, // choices
    LaserEnable, QSwitchEnable, DivideByNEnable, // on or off
};

struct LimitRange
{
    double minimum;
    double maximum;
};

// How a command writes its argument: "0.0", "00.00", "0.0000000", a rounded integer, a list's
// item index, or 1 and 0 for on and off.
enum class ArgumentFormat { OneDecimal, TwoDecimals, SevenDecimals, Integer, Index, OnOff };

// The model families, as flags of a row.
enum FamilyFlag : unsigned { StandardFamily = 1, MicroFamily = 2, MiniFamily = 4, AnyFamily = 7 };

// A fitted option a setting needs besides its family.
enum class Option { None, Attenuator, EnhancedEnergy };

struct Parameter
{
    Setting setting;
    QLatin1String name; // stable and lower case, for other programs ("diode_current")
    QLatin1String mnemonic;
    QLatin1String smallFamilyMnemonic; // where a laser not known as standard uses another
    ArgumentFormat format;
    double LaserState::*real; // the laser state's mirror: one of the two is set
    int32_t LaserState::*whole;
    unsigned families;
    Option option;
    QLatin1String unit;
    // The range of the laser's own design: that of the window's control, and the range in force
    // while the laser's limits are not known. A choice's range is its item indices.
    LimitRange designRange;
    // The laser's limits: asked as mnemonic + ":MIN" and ":MAX" where `limitQueries` is set, kept
    // in the laser state, and the maximum calibrated by the service window's command.
    bool limitQueries;
    double LaserState::*minimum;
    double LaserState::*maximum;
    QLatin1String calibrationCommand;
};

// Every operating parameter, in the order of the window's controls.
std::span<const Parameter> parameterTable();
// The row of `setting`; nothing for the laser enable.
const Parameter *findParameter(Setting setting);
const Parameter &parameter(Setting setting);

// The mnemonic the connected laser answers to for the parameter.
QString mnemonicFor(const Parameter &row, const LaserState &state);
QString argumentText(ArgumentFormat format, double value);
// The query of one of the laser's limits of a parameter with limit queries ("RR:MAX").
enum class LimitQuery { Minimum, Maximum };
QString limitQuery(const Parameter &row, LimitQuery which);
// The command that sets the parameter to `value` on the connected laser ("RR 20.0").
QString commandFor(Setting setting, double value, const LaserState &state);
// The setting a typed setter's mnemonic makes on the connected laser ("EM" is the enhanced
// energy mode on a micro or mini laser); nothing for a mnemonic without a control.
std::optional<Setting> settingOfMnemonic(const QString &mnemonic, const LaserState &state);

// Whether a setter with this mnemonic sets a parameter on some laser.
bool isParameterMnemonic(const QString &mnemonic);

// The family flag of the connected laser: a model name of no known family takes the standard
// family's branch, as the settings load does.
FamilyFlag familyOf(const LaserState &state);
// Whether the connected laser has the parameter: its family and the option it needs.
bool hasParameter(const LaserState &state, const Parameter &row);

// The laser state's value of the parameter (1 or 0 for on and off).
double currentValue(const LaserState &state, Setting setting);
// Keeps `value` as the laser state's mirror; counts and indices are rounded.
void storeValue(LaserState &state, Setting setting, double value);
// The range in force: the laser's limits once read, otherwise the design range.
LimitRange currentRange(const LaserState &state, Setting setting);

// The value the energy mode presets: the attenuator where one is fitted, the diode current
// otherwise. Setting it by hand ends a preset energy mode.
Setting energyModeGoverned(const LaserState &state);
// An external diode trigger sets the pulse mode: the pulse mode can be chosen only while the
// diode is triggered internally.
bool pulseModeSelectable(const LaserState &state);

} // namespace tovra
