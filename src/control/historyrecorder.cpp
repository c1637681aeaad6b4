#include "historyrecorder.h"

#include "historywriter.h"
#include "laserstate.h"
#include "scriptline.h"
#include "statusword.h"

#include <QDateTime>

namespace tovra {

namespace {

// Where each measurement of the laser state goes. The small family's one resonator temperature
// and the first of the full-size family's two share a series, as they share the data file column.
const struct
{
    Measurement field;
    Channel channel;
} ChannelOfMeasurement[] = {
    {&LaserState::bankVoltage, Channel::BankVoltage},
    {&LaserState::bankVoltageTarget, Channel::BankVoltageTarget},
    {&LaserState::fetVoltage, Channel::FetVoltage},
    {&LaserState::fetDropVoltage, Channel::FetDropVoltage},
    {&LaserState::fetDrainVoltage, Channel::FetDrainVoltage},
    {&LaserState::fetSourceVoltage, Channel::FetSourceVoltage},
    {&LaserState::fetTemperature, Channel::FetTemperature},
    {&LaserState::diodeCurrentMeasured, Channel::DiodeCurrent},
    {&LaserState::resonatorTemp, Channel::ResonatorTemp},
    {&LaserState::resonatorTempA, Channel::ResonatorTemp},
    {&LaserState::resonatorTempB, Channel::DiodeTemp},
    {&LaserState::heater0Temp, Channel::Heater0Temp},
    {&LaserState::heater1Temp, Channel::Heater1Temp},
    {&LaserState::heater2Temp, Channel::Heater2Temp},
    {&LaserState::heater0Setpoint, Channel::Heater0Target},
    {&LaserState::heater1Setpoint, Channel::Heater1Target},
    {&LaserState::heater2Setpoint, Channel::Heater2Target},
};

const struct
{
    uint32_t bit;
    const char *text;
} FaultBits[] = {
    {StatusBit::DiodeTempFault, "Temperature Fault - Diode"},
    {StatusBit::ElectricalTempFault, "Temperature Fault - Electrical"},
    {StatusBit::PowerFail, "Electrical Fault"},
};

// What a command line means for the history, read as the laser reads it (address, blanks and
// case do not count). A query is no event; the password and service code are never kept.
std::optional<std::pair<EventKind, QString>> eventOfCommand(const QString &text)
{
    const ScriptLine line = ScriptLine::read(text);
    if (line.isQuery || !line.argument || line.mnemonic == QLatin1String("PW") || line.mnemonic.startsWith(QLatin1String("SEC")))
        return std::nullopt;
    const bool on = line.argument->toDouble() != 0;
    if (line.mnemonic == QLatin1String("FL"))
        return std::pair{on ? EventKind::Fire : EventKind::Stop, on ? QStringLiteral("Fire (FL 1)") : QStringLiteral("Stop (FL 0)")};
    if (line.mnemonic == QLatin1String("EN"))
        return std::pair{on ? EventKind::Enable : EventKind::Stop,
                         on ? QStringLiteral("Enable (EN 1)") : QStringLiteral("Disable (EN 0)")};
    return std::pair{EventKind::SetterSent, line.mnemonic + QLatin1Char(' ') + *line.argument};
}

} // namespace

HistoryRecorder::HistoryRecorder(const LaserState &laserState, HistorySink &historySink)
    : state(laserState)
    , sink(historySink)
{
}

bool HistoryRecorder::recording() const
{
    return !demoMode && !state.modelName.isEmpty();
}

LaserIdentity HistoryRecorder::identity() const
{
    return {state.modelName, state.serialNumber, state.firmwareVersion};
}

void HistoryRecorder::record(EventKind kind, const QString &text)
{
    if (recording())
        sink.appendEvent(identity(), {QDateTime::currentMSecsSinceEpoch(), kind, text});
}

void HistoryRecorder::statusUpdated(const CompletedUpdate &update)
{
    if (!recording())
        return;
    HistorySample sample;
    sample.utcMs = QDateTime::currentMSecsSinceEpoch();
    for (const auto &[field, channel] : ChannelOfMeasurement) {
        if (update.read.contains(field))
            sample.set(channel, state.*field);
    }
    sample.set(Channel::ShotRate, shotRate(update));
    sample.statusWord = update.statusWord;
    sink.append(identity(), sample);
    if (update.statusWord) {
        if (lostLink)
            record(EventKind::LinkFound, QStringLiteral("Link found"));
        lostLink = false;
        recordFaultChanges(*update.statusWord);
    }
}

// Counts per second between this update and the last one that read the counter; absent when
// either did not read it or the counter went back (cleared, another laser).
double HistoryRecorder::shotRate(const CompletedUpdate &update)
{
    double rate = HistorySample::Absent;
    if (update.shotCount && lastShotCount && *update.shotCount >= *lastShotCount) {
        const qint64 elapsedMs = sinceLastShotCount.elapsed();
        if (elapsedMs > 0)
            rate = double(*update.shotCount - *lastShotCount) * 1000.0 / double(elapsedMs);
    }
    lastShotCount = update.shotCount;
    if (update.shotCount)
        sinceLastShotCount.start();
    return rate;
}

void HistoryRecorder::recordFaultChanges(uint32_t statusWord)
{
    for (const auto &[bit, text] : FaultBits) {
        const bool now = statusWord & bit;
        if (now != bool(faultBits & bit))
            record(EventKind::Fault, QString::fromLatin1(text) + (now ? QString() : QStringLiteral(" cleared")));
    }
    faultBits = statusWord;
}

void HistoryRecorder::commandSent(const QString &command)
{
    if (const auto event = eventOfCommand(command))
        record(event->first, event->second);
}

void HistoryRecorder::linkLost()
{
    if (!lostLink)
        record(EventKind::LinkLost, QStringLiteral("Link lost"));
    lostLink = true;
}

void HistoryRecorder::settingsLoaded()
{
    record(EventKind::SettingsLoaded, QStringLiteral("Settings loaded: %1, serial number %2, firmware %3")
                                          .arg(state.modelName, QString::number(state.serialNumber), state.firmwareVersion));
}

} // namespace tovra
