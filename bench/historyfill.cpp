#include "historyfill.h"

#include "historystore.h"

#include <cmath>

namespace tovra::bench {

namespace {

constexpr qint64 DayMs = 24LL * 3600 * 1000;
constexpr qint64 ShiftSeconds = 12 * 3600;

} // namespace

QList<Channel> filledChannels()
{
    return {Channel::BankVoltage,     Channel::BankVoltageTarget, Channel::FetVoltage,  Channel::FetDropVoltage,
            Channel::FetDrainVoltage, Channel::FetSourceVoltage,  Channel::FetTemperature, Channel::DiodeCurrent,
            Channel::ResonatorTemp,   Channel::DiodeTemp,         Channel::Heater1Temp, Channel::Heater2Temp};
}

HistorySample filledSample(qint64 utcMs, qint64 i)
{
    HistorySample sample;
    sample.utcMs = utcMs;
    int k = 0;
    for (Channel channel : filledChannels())
        sample.set(channel, 20 + 10 * std::sin(double(i) / (600.0 + 50 * k++)) + double(i % 7) * 0.01);
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
