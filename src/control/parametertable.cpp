#include "parametertable.h"

#include "displayformat.h"
#include "laserstate.h"

#include <algorithm>
#include <cmath>

namespace tovra {

namespace {

using L = QLatin1String;
using S = LaserState;
constexpr unsigned SmallFamilies = MicroFamily | MiniFamily;

// The design ranges are those the window's controls are built with; the test of this table holds
// the two together. The attenuator's unit is taken as a percentage of the full transmission.
const Parameter Table[] = {
    {Setting::PulseMode, L("pulse_mode"), L("PM"), {}, ArgumentFormat::Index, nullptr, &S::pulseMode, AnyFamily,
     Option::None, {}, {0, 2}, false, nullptr, nullptr, {}},
    {Setting::RepRate, L("rep_rate"), L("RR"), {}, ArgumentFormat::OneDecimal, &S::repRate, nullptr, AnyFamily,
     Option::None, L("Hz"), {0.1, 100}, true, &S::repRateMin, &S::repRateMax, L("RR:CAL:MAX")},
    {Setting::BurstCount, L("burst_count"), L("BC"), {}, ArgumentFormat::Integer, nullptr, &S::burstCount, AnyFamily,
     Option::None, {}, {1, 1000000}, false, nullptr, nullptr, {}},
    {Setting::SyncOutput, L("sync_output"), L("SY"), {}, ArgumentFormat::Index, nullptr, &S::syncOutput, StandardFamily,
     Option::None, {}, {0, 3}, false, nullptr, nullptr, {}},
    {Setting::DiodeCurrent, L("diode_current"), L("DC"), {}, ArgumentFormat::TwoDecimals, &S::diodeCurrent, nullptr,
     AnyFamily, Option::None, L("A"), {0, 150}, true, &S::diodeCurrentMin, &S::diodeCurrentMax, L("DC:CAL:MAX")},
    {Setting::EnergyMode, L("energy_mode"), L("EM"), {}, ArgumentFormat::Index, nullptr, &S::energyMode, StandardFamily,
     Option::None, {}, {0, 2}, false, nullptr, nullptr, {}},
    {Setting::DiodePulseWidth, L("diode_pulse_width"), L("DW"), {}, ArgumentFormat::SevenDecimals,
     &S::diodePulseWidth, nullptr, AnyFamily, Option::None, L("s"), {0.000001, 0.1}, true, &S::diodePulseWidthMin,
     &S::diodePulseWidthMax, L("DW:CAL:MAX")},
    {Setting::DiodeTrigger, L("diode_trigger"), L("DT"), {}, ArgumentFormat::Index, nullptr, &S::diodeTrigger,
     AnyFamily, Option::None, {}, {0, 1}, false, nullptr, nullptr, {}},
    {Setting::QSwitchEnable, L("qswitch_enable"), L("QE"), {}, ArgumentFormat::OnOff, nullptr, &S::qswEnable, StandardFamily,
     Option::None, {}, {0, 1}, false, nullptr, nullptr, {}},
    // The delay's minimum is asked but not used: the control keeps its own.
    {Setting::QSwitchDelay, L("qswitch_delay"), L("QD"), {}, ArgumentFormat::SevenDecimals, &S::qswDelay, nullptr,
     StandardFamily, Option::None, L("s"), {0.000001, 1.0}, true, nullptr, &S::qswDelayMax, L("QD:CAL:MAX")},
    {Setting::QSwitchTrigger, L("qswitch_trigger"), L("QT"), {}, ArgumentFormat::Index, nullptr, &S::qswTrigger,
     StandardFamily, Option::None, {}, {0, 1}, false, nullptr, nullptr, {}},
    {Setting::QSwitchWaitCount, L("qswitch_wait_count"), L("QW"), {}, ArgumentFormat::Integer, nullptr,
     &S::qswWaitCount, StandardFamily, Option::None, {}, {0, 65535}, false, nullptr, nullptr, {}},
    {Setting::DivideByNEnable, L("divide_by_n_enable"), L("DE"), {}, ArgumentFormat::OnOff, nullptr,
     &S::divideByNEnable, StandardFamily, Option::None, {}, {0, 1}, false, nullptr, nullptr, {}},
    {Setting::DivideByN, L("divide_by_n"), L("DN"), {}, ArgumentFormat::Integer, nullptr, &S::divideByN, StandardFamily,
     Option::None, {}, {1, 65535}, false, nullptr, nullptr, {}},
    {Setting::Attenuator, L("attenuator"), L("AT"), L("AT:AP"), ArgumentFormat::TwoDecimals, &S::attenuator, nullptr,
     AnyFamily, Option::Attenuator, L("%"), {0, 100}, false, nullptr, nullptr, {}},
    {Setting::EnhancedEnergyMode, L("enhanced_energy_mode"), L("EM"), {}, ArgumentFormat::Index, nullptr,
     &S::energyMode, SmallFamilies, Option::EnhancedEnergy, {}, {0, 1}, false, nullptr, nullptr, {}},
};

bool namedBy(const Parameter &row, const QString &mnemonic)
{
    return mnemonic == row.mnemonic || (!row.smallFamilyMnemonic.isEmpty() && mnemonic == row.smallFamilyMnemonic);
}

} // namespace

std::span<const Parameter> parameterTable()
{
    return Table;
}

const Parameter *findParameter(Setting setting)
{
    const auto row = std::find_if(std::begin(Table), std::end(Table),
                                  [setting](const Parameter &candidate) { return candidate.setting == setting; });
    return row == std::end(Table) ? nullptr : row;
}

const Parameter &parameter(Setting setting)
{
    return *findParameter(setting);
}

// The standard family's mnemonic holds only for a laser known as standard, as the settings load
// asks it.
QString mnemonicFor(const Parameter &row, const LaserState &state)
{
    return !row.smallFamilyMnemonic.isEmpty() && !state.isStandardModel ? QString(row.smallFamilyMnemonic)
                                                                         : QString(row.mnemonic);
}

QString argumentText(ArgumentFormat format, double value)
{
    switch (format) {
    case ArgumentFormat::OneDecimal:
        return oneDecimalArgument(value);
    case ArgumentFormat::TwoDecimals:
        return twoDecimalArgument(value);
    case ArgumentFormat::SevenDecimals:
        return sevenDecimalArgument(value);
    case ArgumentFormat::OnOff:
        return value != 0 ? QStringLiteral("1") : QStringLiteral("0");
    case ArgumentFormat::Integer:
    case ArgumentFormat::Index:
        break;
    }
    return integerArgument(value);
}

QString limitQuery(const Parameter &row, LimitQuery which)
{
    return row.mnemonic + (which == LimitQuery::Maximum ? QLatin1String(":MAX") : QLatin1String(":MIN"));
}

QString commandFor(Setting setting, double value, const LaserState &state)
{
    const Parameter &row = parameter(setting);
    return mnemonicFor(row, state) + QLatin1Char(' ') + argumentText(row.format, value);
}

std::optional<Setting> settingOfMnemonic(const QString &mnemonic, const LaserState &state)
{
    const FamilyFlag family = familyOf(state);
    for (const Parameter &row : Table) {
        // Two lists share "EM": the family tells which one the laser's mode shows in.
        const bool shared = row.mnemonic == QLatin1String("EM");
        if (namedBy(row, mnemonic) && (!shared || (row.families & family)))
            return row.setting;
    }
    return std::nullopt;
}

bool isParameterMnemonic(const QString &mnemonic)
{
    return std::any_of(std::begin(Table), std::end(Table),
                       [&mnemonic](const Parameter &row) { return namedBy(row, mnemonic); });
}

FamilyFlag familyOf(const LaserState &state)
{
    if (state.isMicroModel)
        return MicroFamily;
    if (state.isMiniModel)
        return MiniFamily;
    return StandardFamily;
}

bool hasParameter(const LaserState &state, const Parameter &row)
{
    if (!(row.families & familyOf(state)))
        return false;
    switch (row.option) {
    case Option::Attenuator:
        return state.hasAttenuator;
    case Option::EnhancedEnergy:
        return state.hasEnhancedEnergy;
    case Option::None:
        break;
    }
    return true;
}

double currentValue(const LaserState &state, Setting setting)
{
    const Parameter &row = parameter(setting);
    return row.real ? state.*row.real : double(state.*row.whole);
}

void storeValue(LaserState &state, Setting setting, double value)
{
    const Parameter &row = parameter(setting);
    if (row.real)
        state.*row.real = value;
    else if (row.format == ArgumentFormat::OnOff)
        state.*row.whole = value != 0 ? 1 : 0;
    else
        state.*row.whole = int32_t(std::nearbyint(value));
}

LimitRange currentRange(const LaserState &state, Setting setting)
{
    const Parameter &row = parameter(setting);
    if (!row.maximum || state.*row.maximum <= 0)
        return row.designRange;
    return {row.minimum ? state.*row.minimum : row.designRange.minimum, state.*row.maximum};
}

Setting energyModeGoverned(const LaserState &state)
{
    return state.hasAttenuator ? Setting::Attenuator : Setting::DiodeCurrent;
}

bool pulseModeSelectable(const LaserState &state)
{
    return state.diodeTrigger != 1;
}

} // namespace tovra
