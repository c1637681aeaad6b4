#include "lasersettings.h"

#include <algorithm>
#include <cmath>

namespace tovra::sim {

void Setting::set(double requested)
{
    const double clamped = std::clamp(requested, minimum, maximum);
    value = decimals == 0 ? std::round(clamped) : clamped;
}

void Setting::setMaximum(double newMaximum)
{
    maximum = newMaximum;
    set(value);
}

QByteArray Setting::format(double number) const
{
    if (decimals == 0)
        return QByteArray::number(std::llround(number));
    return QByteArray::number(number, 'f', decimals);
}

Settings initialSettings(const LaserConfig &config)
{
    const bool standard = config.family == Family::Standard;
    Settings settings {
            {"RR", {1, 10.0, 0.1, 100.0}},
            {"PM", {0, 0, 0, 2}}, // continuous, single shot, burst
            {"BC", {0, 10, 1, 1000000}},
            {"DT", {0, 0, 0, 1}}, // internal, external
    };
    // The small families drive a few amperes for a longer pulse.
    if (standard) {
        settings["DC"] = {2, 40.0, 0, 120.0};
        settings["DW"] = {7, 0.0001, 0.000001, 0.0003};
    } else {
        settings["DC"] = {2, 5.0, 0, 10.0};
        settings["DW"] = {7, 0.0002, 0.000001, 0.001};
    }

    if (standard) {
        settings["SY"] = {0, 0, 0, 3};
        settings["QE"] = {0, 1, 0, 1};
        settings["QD"] = {7, 0.00012, 0.000001, 0.0005};
        settings["QT"] = {0, 0, 0, 1};
        settings["QW"] = {0, 0, 0, 65535};
        settings["DE"] = {0, 0, 0, 1};
        settings["DN"] = {0, 1, 1, 65535};
        if (config.energyModes)
            settings["EM"] = {0, 0, 0, 2}; // manual, low power, high power
        // A whole percentage: the answer to "AT?" doubles as the presence test, read as an
        // integer.
        if (config.attenuator)
            settings["AT"] = {0, 50, 0, 100};
    } else {
        if (config.cfg & 1)
            settings["EM"] = {0, 0, 0, 1}; // normal, enhanced
        if (config.attenuator)
            settings["AT:AP"] = {2, 50.0, 0, 100.0};
    }
    return settings;
}

} // namespace tovra::sim
