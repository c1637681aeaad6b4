#pragma once

#include "channels.h"

#include <QList>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace tovra {

// Which laser a history belongs to: one history per model and serial number.
struct LaserIdentity
{
    QString model;
    int32_t serialNumber = 0;
    QString firmware;

    bool operator==(const LaserIdentity &other) const
    {
        return model == other.model && serialNumber == other.serialNumber;
    }
};

// One complete status update. A value the update did not read is absent (NaN here, NULL in the
// database, an empty field in an export), never a zero.
struct HistorySample
{
    qint64 utcMs = 0;
    std::array<double, ChannelCount> values = filledAbsent();
    std::optional<uint32_t> statusWord;

    static constexpr double Absent = std::numeric_limits<double>::quiet_NaN();
    static bool isAbsent(double value) { return std::isnan(value); }
    double value(Channel channel) const { return values[std::size_t(channel)]; }
    bool has(Channel channel) const { return !isAbsent(value(channel)); }
    void set(Channel channel, double v) { values[std::size_t(channel)] = v; }

private:
    static constexpr std::array<double, ChannelCount> filledAbsent()
    {
        std::array<double, ChannelCount> absent{};
        absent.fill(Absent);
        return absent;
    }
};

// What the program did or saw besides the measurements.
enum class EventKind { LinkLost, LinkFound, Enable, Fire, Stop, SettingsLoaded, SetterSent, Fault };

struct HistoryEvent
{
    qint64 utcMs = 0;
    EventKind kind = EventKind::SetterSent;
    QString text; // shown as a tooltip; plain text
};

// "link_lost" and back: how a kind is stored.
QString eventKey(EventKind kind);
std::optional<EventKind> eventKindFromKey(const QString &key);

// One time bucket of a reduced range: the smallest and largest value of each series in it
// (absent where the bucket holds no value of that series).
struct ReducedBucket
{
    qint64 startMs = 0;
    std::array<double, ChannelCount> minimum{};
    std::array<double, ChannelCount> maximum{};
};

// First and last time stamp held; empty when nothing is held.
struct TimeSpan
{
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    bool isEmpty() const { return lastMs < firstMs; }
};

} // namespace tovra
