#include "channels.h"

namespace tovra {

namespace {

constexpr ChannelInfo Channels[ChannelCount] = {
    {"bank_v", "Bank voltage", Unit::Volt},
    {"bank_v_target", "Bank voltage target", Unit::Volt},
    {"fet_v", "FET voltage", Unit::Volt},
    {"fet_drop_v", "FET drop voltage", Unit::Volt},
    {"fet_drain_v", "FET drain voltage", Unit::Volt},
    {"fet_source_v", "FET source voltage", Unit::Volt},
    {"fet_temp", "FET temperature", Unit::Celsius},
    {"diode_i", "Diode current", Unit::Ampere},
    {"resonator_temp", "Resonator temperature", Unit::Celsius},
    {"diode_temp", "Diode temperature", Unit::Celsius},
    {"heater0_temp", "Heater 0 temperature", Unit::Celsius},
    {"heater1_temp", "Heater 1 temperature", Unit::Celsius},
    {"heater2_temp", "Heater 2 temperature", Unit::Celsius},
    {"heater0_target", "Heater 0 target", Unit::Celsius},
    {"heater1_target", "Heater 1 target", Unit::Celsius},
    {"heater2_target", "Heater 2 target", Unit::Celsius},
    {"shot_rate", "Shot rate", Unit::CountsPerSecond},
};

} // namespace

const ChannelInfo &channelInfo(Channel channel)
{
    return Channels[std::size_t(channel)];
}

QString unitSymbol(Unit unit)
{
    switch (unit) {
    case Unit::Volt:
        return QStringLiteral("V");
    case Unit::Ampere:
        return QStringLiteral("A");
    case Unit::Celsius:
        return QStringLiteral("°C");
    case Unit::CountsPerSecond:
        return QStringLiteral("1/s");
    }
    return QString();
}

QString captionWithUnit(Channel channel)
{
    const ChannelInfo &info = channelInfo(channel);
    return QString::fromLatin1(info.caption) + QStringLiteral(" (") + unitSymbol(info.unit) + QLatin1Char(')');
}

} // namespace tovra
