#include "statuscaptions.h"

#include "laserstate.h"

namespace tovra {

namespace {

constexpr int EnergyModeStatusBit = 13;

} // namespace

QStringList standardStatusCaptions()
{
    return {
        "Enabled",      "Firing",     "Q-SW Enable",  "Diode Ext Trig", "Q-SW Ext Trig",
        "Shutter Closed", "Ext Intlk", "Diode-Temp",  "Elect-Temp",     "Power Fail",
        "Ok to Enable", "Ok to Fire", "Low Pwr Mode", "High Pwr Mode",
    };
}

QStringList statusCaptions(const LaserState &state)
{
    if (!state.isMicroModel && !state.isMiniModel)
        return standardStatusCaptions();
    QStringList captions = {
        "Enabled",      "Firing",     UnusedStatusBit, "Diode Ext Trig", UnusedStatusBit,
        UnusedStatusBit, "Ext Intlk", "Diode-Temp",    "Elect-Temp",     "Power Fail",
        "Ok to Enable", "Ok to Fire", "Normal Energy", UnusedStatusBit,
    };
    if (state.hasEnhancedEnergy)
        captions[EnergyModeStatusBit] = QStringLiteral("Enh. Energy");
    return captions;
}

} // namespace tovra
