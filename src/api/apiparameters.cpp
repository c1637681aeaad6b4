#include "apiparameters.h"

#include "laserstate.h"

#include <cmath>

namespace tovra {

namespace {

enum class Format { OneDecimal, TwoDecimals, SevenDecimals, Integer };

// One row per parameter: how the window's control names, limits, formats and keeps it.
struct Row
{
    const char *name;
    const char *title;
    const char *unit;
    Format format;
    double LaserState::*realField = nullptr;
    int32_t LaserState::*wholeField = nullptr;
    double designMin;
    double designMax;
    double LaserState::*limitMin = nullptr; // the laser's own limits, read by the load
    double LaserState::*limitMax = nullptr;
    bool standardOnly = false;
};

const Row Rows[] = {
    {"RR", "Repetition rate", "Hz", Format::OneDecimal, &LaserState::repRate, nullptr, 0.1, 100, &LaserState::repRateMin, &LaserState::repRateMax},
    {"PM", "Pulse mode (0 continuous, 1 single shot, 2 burst)", "", Format::Integer, nullptr, &LaserState::pulseMode, 0, 2},
    {"BC", "Burst count", "", Format::Integer, nullptr, &LaserState::burstCount, 1, 1000000},
    {"SY", "Sync output (0 off, 1 diode, 2 Q-switch, 3 both)", "", Format::Integer, nullptr, &LaserState::syncOutput, 0, 3},
    {"DC", "Diode current", "A", Format::TwoDecimals, &LaserState::diodeCurrent, nullptr, 0, 150, &LaserState::diodeCurrentMin, &LaserState::diodeCurrentMax},
    {"DW", "Diode pulse width", "s", Format::SevenDecimals, &LaserState::diodePulseWidth, nullptr, 0.000001, 0.1, &LaserState::diodePulseWidthMin, &LaserState::diodePulseWidthMax},
    {"DT", "Diode trigger (0 internal, 1 external)", "", Format::Integer, nullptr, &LaserState::diodeTrigger, 0, 1},
    {"QD", "Q-switch delay", "s", Format::SevenDecimals, &LaserState::qswDelay, nullptr, 0.000001, 1, nullptr, &LaserState::qswDelayMax, true},
    {"QT", "Q-switch trigger (0 internal, 1 external)", "", Format::Integer, nullptr, &LaserState::qswTrigger, 0, 1, nullptr, nullptr, true},
    {"QW", "Q-switch wait count", "", Format::Integer, nullptr, &LaserState::qswWaitCount, 0, 65535, nullptr, nullptr, true},
    {"DN", "Divide by N", "", Format::Integer, nullptr, &LaserState::divideByN, 1, 65535, nullptr, nullptr, true},
    {"AT", "Attenuator", "%", Format::TwoDecimals, &LaserState::attenuator, nullptr, 0, 100},
};

bool applies(const Row &row, const LaserState &state)
{
    const bool small = state.isMicroModel || state.isMiniModel;
    if (QLatin1String(row.name) == QLatin1String("AT"))
        return !small || state.hasAttenuator;
    return !row.standardOnly || !small;
}

// A limit the laser gave (not zero: an unread limit stays 0), else the design value.
double limit(const LaserState &state, double LaserState::*field, double design)
{
    return field && state.*field != 0 ? state.*field : design;
}

QString formatted(Format format, double value)
{
    switch (format) {
    case Format::OneDecimal:
        return QString::number(value, 'f', 1);
    case Format::TwoDecimals: {
        const QString text = QString::number(value, 'f', 2);
        return text.size() < 5 ? text.rightJustified(5, QLatin1Char('0')) : text;
    }
    case Format::SevenDecimals:
        return QString::number(value, 'f', 7);
    case Format::Integer:
        break;
    }
    return QString::number(static_cast<long long>(std::nearbyint(value)));
}

} // namespace

QList<ApiParameter> apiParameters(const LaserState &state)
{
    QList<ApiParameter> list;
    for (const Row &row : Rows) {
        if (!applies(row, state))
            continue;
        ApiParameter parameter;
        parameter.name = QLatin1String(row.name);
        parameter.title = QLatin1String(row.title);
        parameter.unit = QLatin1String(row.unit);
        parameter.value = row.realField ? state.*row.realField : static_cast<double>(state.*row.wholeField);
        parameter.minimum = limit(state, row.limitMin, row.designMin);
        parameter.maximum = limit(state, row.limitMax, row.designMax);
        parameter.integer = row.format == Format::Integer;
        list.append(parameter);
    }
    return list;
}

std::optional<ParameterCommand> commandFor(const LaserState &state, const QString &name, double value)
{
    for (const Row &row : Rows) {
        if (name != QLatin1String(row.name) || !applies(row, state))
            continue;
        // The small families set the attenuator's position under "AT:AP".
        const bool smallAttenuator = name == QLatin1String("AT") && (state.isMicroModel || state.isMiniModel);
        ParameterCommand result{(smallAttenuator ? QStringLiteral("AT:AP") : name) + QLatin1Char(' ') + formatted(row.format, value),
                                std::nullopt};
        if (row.realField)
            result.store = [field = row.realField, value](LaserState &laser) { laser.*field = value; };
        else if (row.wholeField)
            result.store = [field = row.wholeField, value](LaserState &laser) {
                laser.*field = static_cast<int32_t>(std::nearbyint(value));
            };
        return result;
    }
    return std::nullopt;
}

} // namespace tovra
