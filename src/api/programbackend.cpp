#include "programbackend.h"

#include "apiparameters.h"
#include "communication.h"
#include "laserstate.h"
#include "statuscaptions.h"
#include "statusword.h"

#include <QJsonArray>

namespace tovra {

namespace {

constexpr uint32_t FaultBits = StatusBit::DiodeTempFault | StatusBit::ElectricalTempFault | StatusBit::PowerFail;

QString isoTime(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

} // namespace

ProgramBackend::ProgramBackend(Wiring programWiring, QObject *parent)
    : ApiBackend(parent)
    , wiring(std::move(programWiring))
{
    lastFireState = fireState();
}

QJsonObject ProgramBackend::identity() const
{
    const LaserState &state = wiring.state;
    return {{QStringLiteral("model"), state.modelName},
            {QStringLiteral("serial"), state.serialNumber},
            {QStringLiteral("firmware"), state.firmwareVersion},
            {QStringLiteral("fpga"), state.fpgaVersion},
            {QStringLiteral("version"), wiring.programVersion}};
}

QJsonObject ProgramBackend::values() const
{
    const LaserState &s = wiring.state;
    const QString at = isoTime(lastUpdate);
    QJsonObject values;
    const auto add = [&](const char *name, double value, const char *unit) {
        values.insert(QLatin1String(name), QJsonObject{{QStringLiteral("value"), value},
                                                       {QStringLiteral("unit"), QLatin1String(unit)},
                                                       {QStringLiteral("time"), at}});
    };
    add("shotCount", static_cast<double>(s.shotCount), "");
    add("userCount", static_cast<double>(s.userCount), "");
    add("bankVoltage", s.bankVoltage, "V");
    add("bankVoltageTarget", s.bankVoltageTarget, "V");
    add("diodeCurrent", s.diodeCurrentMeasured, "A");
    add("resonatorTempA", s.resonatorTempA, "°C");
    add("resonatorTempB", s.resonatorTempB, "°C");
    if (s.isStandardModel) {
        add("fetVoltage", s.fetVoltage, "V");
        add("fetDropVoltage", s.fetDropVoltage, "V");
        add("fetDrainVoltage", s.fetDrainVoltage, "V");
        add("fetSourceVoltage", s.fetSourceVoltage, "V");
        add("fetTemperature", s.fetTemperature, "°C");
    }
    if (s.hasHeater0)
        add("heater0Temp", s.heater0Temp, "°C");
    if (s.hasHeater1)
        add("heater1Temp", s.heater1Temp, "°C");
    if (s.hasHeater2)
        add("heater2Temp", s.heater2Temp, "°C");
    return values;
}

QJsonObject ProgramBackend::fireState() const
{
    const LaserState &state = wiring.state;
    return {{QStringLiteral("enabled"), (static_cast<uint32_t>(state.statusWord) & StatusBit::Enabled) != 0},
            {QStringLiteral("firing"), wiring.firingOrRequested()}};
}

QJsonObject ProgramBackend::statusSnapshot() const
{
    const LaserState &state = wiring.state;
    const auto word = static_cast<uint32_t>(state.statusWord);
    // The status bits by the captions of their tiles; a bit that means nothing on this laser is left out.
    const QStringList captions = statusCaptions(state);
    QJsonObject bits;
    for (int bit = 0; bit < StatusTileCount; ++bit) {
        if (captions.at(bit) != UnusedStatusBit)
            bits.insert(captions.at(bit), (word >> bit & 1u) != 0);
    }
    QJsonObject snapshot = fireState();
    snapshot.insert(QStringLiteral("time"), isoTime(lastUpdate));
    snapshot.insert(QStringLiteral("durationMs"), lastDurationMs);
    snapshot.insert(QStringLiteral("link"), wiring.demoMode() ? QStringLiteral("demo")
                                            : !laserConnected() ? QStringLiteral("not connected")
                                            : live ? QStringLiteral("connected")
                                                   : QStringLiteral("not polling"));
    snapshot.insert(QStringLiteral("statusWord"), static_cast<qint64>(word));
    snapshot.insert(QStringLiteral("bits"), bits);
    snapshot.insert(QStringLiteral("values"), values());
    return snapshot;
}

QList<ApiParameter> ProgramBackend::parameters() const
{
    return apiParameters(wiring.state);
}

bool ProgramBackend::laserConnected() const
{
    return !detached && !wiring.demoMode() && wiring.state.serialNumber != 0 && !wiring.comm.isDetached()
           && !wiring.comm.isLinkLost();
}

bool ProgramBackend::remoteFiringAllowed() const
{
    return wiring.remoteFiringAllowed();
}

bool ProgramBackend::firingOrEnabled() const
{
    const QJsonObject now = fireState();
    return now.value(QLatin1String("enabled")).toBool() || now.value(QLatin1String("firing")).toBool();
}

QString ProgramBackend::fireRefusal() const
{
    if (static_cast<uint32_t>(wiring.state.statusWord) & StatusBit::OkToFire)
        return QString();
    return QStringLiteral("The laser is not ready to fire (Ok to Fire is clear)");
}

void ProgramBackend::setParameter(const QString &name, double value, const QString &source)
{
    const std::optional<QString> command = storeParameter(wiring.state, name, value);
    if (!command)
        return;
    wiring.queueCommand(*command, source);
    wiring.followSetting(ScriptSetting{name, value});
    settingsChanged();
}

void ProgramBackend::setEnabled(bool enabled, const QString &source)
{
    wiring.setEnabled(enabled, source);
    fireStateChanged();
}

void ProgramBackend::setFiring(bool firing, const QString &source)
{
    wiring.setFiring(firing, source);
    fireStateChanged();
}

void ProgramBackend::stop(const QString &source, const QString &reason)
{
    if (!reason.isEmpty())
        note(reason);
    // "FL 0" goes out ahead of every queued line, whatever the fire button shows.
    if (wiring.firingOrRequested())
        wiring.setFiring(false, source); // the fire button's Stop: its look follows
    else
        wiring.queueCommand(QStringLiteral("FL 0"), source);
    fireStateChanged();
}

void ProgramBackend::sendRaw(const QString &line, const QString &source, std::function<void(const QString &)> answered)
{
    // A stop goes the stop's way, ahead of everything, and is answered at once.
    if (classifyLine(line) == LineKind::Stop) {
        wiring.queueCommand(line.trimmed(), source);
        answered(QString());
        return;
    }
    rawLines.push_back({line, source, std::move(answered)});
    wiring.requestTurn();
}

bool ProgramBackend::hasWaitingLines() const
{
    return !rawLines.empty();
}

// Without a laser a line is answered empty at once; the others go out in the scheduler's turn.
bool ProgramBackend::refuseIfNotConnected()
{
    if (laserConnected())
        return false;
    const RawLine refused = std::move(rawLines.front());
    rawLines.pop_front();
    refused.answered(QString());
    return true;
}

void ProgramBackend::withdrawFiringLines()
{
    for (auto line = rawLines.begin(); line != rawLines.end();) {
        if (classifyLine(line->line) != LineKind::FiringOrEnabling) {
            ++line;
            continue;
        }
        const RawLine withdrawn = std::move(*line);
        line = rawLines.erase(line);
        note(QStringLiteral("Raw line not sent, stopped: ") + withdrawn.line);
        withdrawn.answered(QString());
    }
}

void ProgramBackend::sendWaitingLines(const std::function<bool()> &turnLasts)
{
    while (!rawLines.empty()) {
        if (refuseIfNotConnected())
            continue;
        if (!turnLasts())
            return;
        const RawLine next = std::move(rawLines.front());
        rawLines.pop_front();
        const QString reply = wiring.comm.send(OutgoingLine::raw(next.line, next.source),
                                               QLatin1Char('[') + next.source + QStringLiteral("] "));
        next.answered(reply);
        if (const std::optional<ScriptSetting> setting = settingTakenBy(next.line, reply)) {
            wiring.followSetting(*setting);
            settingsChanged();
        }
    }
}

void ProgramBackend::showRemoteControl(const QString &client)
{
    emit remoteControlShown(client);
}

void ProgramBackend::note(const QString &text)
{
    wiring.logLine(QStringLiteral("Note    (") + Communication::timeStamp() + QStringLiteral("): API: ") + text);
    emit noteShown(text);
}

void ProgramBackend::statusUpdated(qint64 durationMs)
{
    lastUpdate = QDateTime::currentDateTimeUtc();
    lastDurationMs = durationMs;
    // An update that ran through read the laser: the link is live (stale is reported as it turns).
    linkChanged(true);
    const QJsonObject snapshot = statusSnapshot();
    const uint32_t faults = static_cast<uint32_t>(wiring.state.statusWord) & FaultBits;
    if (faults != lastFaultBits) {
        QJsonArray active;
        const QJsonObject bits = snapshot.value(QLatin1String("bits")).toObject();
        for (const char *name : {"Diode-Temp", "Elect-Temp", "Power Fail"}) {
            if (bits.value(QLatin1String(name)).toBool())
                active.append(QLatin1String(name));
        }
        lastFaultBits = faults;
        emit event(QStringLiteral("fault"), {{QStringLiteral("faults"), active}, {QStringLiteral("statusWord"), snapshot.value(QLatin1String("statusWord"))}});
    }
    fireStateChanged();
    settingsChanged();
    emit event(QStringLiteral("update"), snapshot);
}

void ProgramBackend::linkChanged(bool nowLive)
{
    if (nowLive == live)
        return;
    live = nowLive;
    emit event(QStringLiteral("link"), {{QStringLiteral("link"), statusSnapshot().value(QLatin1String("link"))}});
}

void ProgramBackend::fireStateChanged()
{
    const QJsonObject now = fireState();
    if (now == lastFireState)
        return;
    lastFireState = now;
    emit event(QStringLiteral("fire"), now);
}

void ProgramBackend::settingsChanged()
{
    const QList<ApiParameter> now = parameters();
    for (const ApiParameter &parameter : now) {
        const auto before = std::find_if(lastParameters.cbegin(), lastParameters.cend(),
                                         [&](const ApiParameter &old) { return old.name == parameter.name; });
        if (before == lastParameters.cend() || before->value != parameter.value || before->minimum != parameter.minimum
            || before->maximum != parameter.maximum)
            emit event(QStringLiteral("setting"), parameter.toJson());
    }
    lastParameters = now;
}

void ProgramBackend::trafficLine(const QString &line)
{
    emit event(QStringLiteral("log"), {{QStringLiteral("line"), line}});
}

void ProgramBackend::detach()
{
    detached = true;
    while (!rawLines.empty())
        refuseIfNotConnected();
}

} // namespace tovra
