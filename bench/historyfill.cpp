#include "historyfill.h"

#include "historystore.h"

#include <cmath>

namespace tovra::bench {

namespace {

constexpr qint64 DayMs = 24LL * 3600 * 1000;
constexpr qint64 ShiftSeconds = 12 * 3600;


// Each series about where a laser in use keeps it: a level, a swing over the day and a ripple.
const struct
{
    Channel channel;
    double level;
    double daySwing;
    double ripple;
} FilledSeries[] = {
    {Channel::BankVoltage, 345, 3, 0.4},      {Channel::BankVoltageTarget, 350, 0, 0},
    {Channel::FetVoltage, 12, 0.3, 0.05},     {Channel::FetDropVoltage, 1.2, 0.1, 0.02},
    {Channel::FetDrainVoltage, 15, 0.4, 0.05}, {Channel::FetSourceVoltage, 0.5, 0.05, 0.01},
    {Channel::FetTemperature, 38, 4, 0.5},    {Channel::DiodeCurrent, 12.5, 0.3, 0.05},
    {Channel::ResonatorTemp, 25, 0.4, 0.05},  {Channel::DiodeTemp, 24, 0.6, 0.05},
    {Channel::Heater1Temp, 45, 0.2, 0.05},    {Channel::Heater2Temp, 50, 0.2, 0.05},
};

} // namespace

QList<Channel> filledChannels()
{
    QList<Channel> channels;
    for (const auto &series : FilledSeries)
        channels << series.channel;
    return channels;
}

HistorySample filledSample(qint64 utcMs, qint64 i)
{
    HistorySample sample;
    sample.utcMs = utcMs;
    const double dayPhase = double(utcMs % DayMs) / double(DayMs) * 2 * M_PI;
    for (const auto &series : FilledSeries)
        sample.set(series.channel, series.level + series.daySwing * std::sin(dayPhase)
                                       + series.ripple * std::sin(double(i) / 97.0) + series.ripple * double(i % 7) / 7);
    sample.statusWord = 0x0800;
    return sample;
}

qint64 fillHistory(const QString &fileName, const LaserIdentity &laser, qint64 days, qint64 endMs)
{
    HistoryStore store;
    if (!store.open(fileName, HistoryStore::Mode::ReadWrite))
        qFatal("the history %s cannot be written: %s", qPrintable(fileName), qPrintable(store.lastError()));
    const qint64 id = *store.laserId(laser);
    const qint64 rows = days * DayMs / 1000;
    const qint64 startMs = endMs - rows * 1000;
    QList<HistorySample> batch;
    QList<HistoryEvent> events;
    for (qint64 i = 0; i < rows; ++i) {
        batch << filledSample(startMs + i * 1000, i);
        // A shift's work: fire in the morning, stop in the evening.
        if (i % ShiftSeconds == ShiftSeconds / 2) {
            const bool evening = (i / ShiftSeconds) % 2;
            events << HistoryEvent{startMs + i * 1000, evening ? EventKind::Stop : EventKind::Fire,
                                   evening ? QStringLiteral("Stop (FL 0)") : QStringLiteral("Fire (FL 1)")};
        }
        if (batch.size() == 3600 || i == rows - 1) {
            store.append(id, batch, events);
            batch.clear();
            events.clear();
        }
    }
    return rows;
}

} // namespace tovra::bench
