#pragma once

#include <QString>

#include <array>
#include <cstddef>

namespace tovra {

// The unit of a series; the Trends window draws one plot per unit.
enum class Unit { Volt, Ampere, Celsius, CountsPerSecond };

// Every series the history keeps, in the order of its columns.
enum class Channel {
    BankVoltage,
    BankVoltageTarget,
    FetVoltage,
    FetDropVoltage,
    FetDrainVoltage,
    FetSourceVoltage,
    FetTemperature,
    DiodeCurrent,
    ResonatorTemp,
    DiodeTemp,
    Heater0Temp,
    Heater1Temp,
    Heater2Temp,
    Heater0Target,
    Heater1Target,
    Heater2Target,
    ShotRate,
};

inline constexpr std::size_t ChannelCount = std::size_t(Channel::ShotRate) + 1;

struct ChannelInfo
{
    const char *column; // the database column, also a stable key
    const char *caption;
    Unit unit;
};

const ChannelInfo &channelInfo(Channel channel);
// "V", "A", "°C", "1/s".
QString unitSymbol(Unit unit);
// "Bank voltage (V)": the caption with its unit, as in an exported column name.
QString captionWithUnit(Channel channel);

inline constexpr std::array<Channel, ChannelCount> allChannels()
{
    std::array<Channel, ChannelCount> channels{};
    for (std::size_t i = 0; i < ChannelCount; ++i)
        channels[i] = Channel(i);
    return channels;
}

} // namespace tovra
