#include "lasermodel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tovra::sim {

namespace {

// Replies: to what the controller does not know, to what it did, to what it refused.
constexpr const char *unknownReply = "?";
constexpr const char *doneReply = "OK";
constexpr const char *refusedReply = "ERR";
const QByteArray passwordAcceptedReply = "Laser Unsecured";
const QByteArray passwordRefusedReply = "Password Incorrect";
// "SEC" + code: the service code opens service mode; the controller access code, which the
// program sends on connecting, is accepted without opening it.
const QByteArray serviceCode = "53871";
const QByteArray controllerAccessCode = "4093716";

constexpr double ambientTemperature = 22.0;
constexpr double heaterTimeConstantSeconds = 5.0;
constexpr std::array<double, 3> heaterSetpoints {25.0, 30.0, 35.0};
constexpr double heaterSetpointMinimum = 0.1;
constexpr double heaterSetpointMaximum = 100.0;
constexpr double bankTargetVoltage = 48.0;
constexpr double chargedBankVoltage = 47.9;
constexpr double fetSupplyVoltage = 15.0;
constexpr double fetDropWhileFiring = 1.2;
constexpr double fetIdleTemperature = 28.5;
constexpr double fetFiringTemperature = 32.0;
constexpr double resonatorTemperatureA = 25.0;
constexpr double resonatorTemperatureB = 24.5;
constexpr double resonatorTemperature = 25.3;
constexpr int standardBinCount = 7; // bin 0 holds the defaults
constexpr int smallFamilyBinCount = 5;
const QByteArray calibrationSuffix = ":CAL:MAX";
const QByteArray maximumSuffix = ":MAX";
const QByteArray minimumSuffix = ":MIN";
const QByteArray clearShotCount = "SC:CL";

QByteArray twoDecimals(double value)
{
    return QByteArray::number(value, 'f', 2);
}

QByteArray flag(bool on)
{
    return on ? "1" : "0";
}

std::optional<double> numberIn(const QByteArray &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint64> wholeNumberIn(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

LaserModel::LaserModel(const LaserConfig &config, Clock::time_point now)
    : config(config)
    , settings(initialSettings(config))
    , counters(config.shotCount, config.userCount)
    , lastAdvance(now)
    , serviceOpen(config.serviceOpen)
{
    std::map<QByteArray, double> defaults;
    for (const auto &[mnemonic, setting] : settings)
        defaults[mnemonic] = setting.value;
    bins.assign(smallFamily() ? smallFamilyBinCount : standardBinCount, defaults);

    const std::array<bool, 3> fitted {config.heater0, config.heater1, config.heater2};
    for (size_t i = 0; i < heaters.size(); ++i)
        heaters[i] = {fitted[i], heaterSetpoints[i], ambientTemperature};

    addQueries();
    addCommands();
    if (config.distinctReadings)
        makeReadingsDistinct();
}

void LaserModel::makeReadingsDistinct()
{
    for (const auto &[name, offset] : distinctReadingOffsets) {
        const auto query = queries.find(name);
        if (query == queries.end())
            continue;
        query->second = [usual = query->second, offset = offset] {
            const QByteArray reply = usual();
            bool ok = false;
            const double value = reply.toDouble(&ok);
            if (!ok)
                return reply;
            // Counters stay whole numbers.
            return reply.contains('.') ? twoDecimals(value + offset) : QByteArray::number(qint64(value + offset));
        };
    }
}

void LaserModel::addQueries()
{
    const auto fetVoltage = [this] { return isEnabled ? fetSupplyVoltage : 0.0; };
    const auto fetDrop = [this] { return firing() ? fetDropWhileFiring : 0.0; };

    queries["ID"] = [this] { return identity(); };
    queries["SS"] = [this] { return QByteArray::number(statusWord()); };
    queries["SC"] = [this] { return QByteArray::number(quint64(counters.shots())); };
    queries["UC"] = [this] { return QByteArray::number(quint64(counters.userShots())); };
    queries["EN"] = [this] { return flag(isEnabled); };
    queries["FL"] = [this] { return flag(firing()); };
    queries["SEC"] = [this] { return flag(serviceOpen); };
    queries["BV"] = [this] { return twoDecimals(isEnabled ? chargedBankVoltage : 0.0); };
    queries["AB:BSET"] = [] { return twoDecimals(bankTargetVoltage); };
    queries["FV"] = [fetVoltage] { return twoDecimals(fetVoltage()); };
    queries["AB:FDRO"] = [fetDrop] { return twoDecimals(fetDrop()); };
    queries["AB:FDRA"] = [fetVoltage] { return twoDecimals(fetVoltage()); };
    queries["AB:FSOU"] = [fetVoltage, fetDrop] { return twoDecimals(fetVoltage() - fetDrop()); };
    queries["FT"] = [this] {
        return twoDecimals(firing() ? fetFiringTemperature : fetIdleTemperature);
    };
    queries["IM"] = [this] { return twoDecimals(firing() ? settingValue("DC") : 0.0); };

    if (smallFamily()) {
        queries["TR"] = [] { return twoDecimals(resonatorTemperature); };
        queries["CFG"] = [this] { return QByteArray::number(config.cfg); };
        queries["AT:EN"] = [this] { return flag(config.attenuator); };
    } else {
        queries["TA"] = [] { return twoDecimals(resonatorTemperatureA); };
        queries["TB"] = [] { return twoDecimals(resonatorTemperatureB); };
    }
    if (config.family == Family::Mini)
        queries["PW"] = [this] { return flag(!locked()); };
}

void LaserModel::addCommands()
{
    commands["EN"] = [this](const QByteArray &argument) { return enable(argument); };
    commands["FL"] = [this](const QByteArray &argument) { return fire(argument); };
    commands["SEC"] = [this](const QByteArray &argument) { return openAccess(argument); };
    commands["SV"] = [this](const QByteArray &argument) { return saveBin(argument); };
    commands["RC"] = [this](const QByteArray &argument) { return recallBin(argument); };
    commands["UC"] = [this](const QByteArray &argument) -> QByteArray {
        const auto count = wholeNumberIn(argument);
        if (!count || *count < 0)
            return refusedReply;
        counters.setUserShots(uint64_t(*count));
        return doneReply;
    };
    // Leaving local mode and the echo switch change nothing a line can observe.
    commands["XL"] = [](const QByteArray &) { return QByteArray(doneReply); };
    commands["EC"] = [](const QByteArray &) { return QByteArray(doneReply); };
    // A sleeping controller has switched the laser off.
    commands["SL"] = [this](const QByteArray &) {
        disable();
        return QByteArray(doneReply);
    };
    if (config.family == Family::Mini)
        commands["PW"] = [this](const QByteArray &argument) { return unlock(argument); };

    for (int i = 0; i < int(heaters.size()); ++i)
        addHeater(i);
}

void LaserModel::addHeater(int index)
{
    const QByteArray name = "H" + QByteArray::number(index);
    Heater &heater = heaters[size_t(index)];
    queries[name] = [&heater] { return flag(heater.fitted); };
    if (!heater.fitted)
        return;
    queries[name + ":SP"] = [&heater] { return QByteArray::number(heater.setpoint, 'f', 1); };
    queries[name + ":TP"] = [&heater] { return twoDecimals(heater.temperature); };
    commands[name + ":CAL:SP"] = [this, &heater](const QByteArray &argument) -> QByteArray {
        const auto setpoint = numberIn(argument);
        if (!serviceOpen || !setpoint)
            return refusedReply;
        heater.setpoint = std::clamp(*setpoint, heaterSetpointMinimum, heaterSetpointMaximum);
        return doneReply;
    };
}

QByteArray LaserModel::reply(const QByteArray &line, Clock::time_point now)
{
    advance(now);
    return answer(Request::parse(line));
}

void LaserModel::advance(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - lastAdvance).count();
    if (seconds <= 0)
        return;
    lastAdvance = now;
    counters.run(seconds, settingValue("RR"));
    const double approach = 1.0 - std::exp(-seconds / heaterTimeConstantSeconds);
    for (Heater &heater : heaters)
        heater.temperature += (heater.setpoint - heater.temperature) * approach;
}

QByteArray LaserModel::answer(const Request &request)
{
    switch (request.kind) {
    case Request::Kind::Malformed:
        return unknownReply;
    case Request::Kind::Query:
        return answerQuery(request.mnemonic);
    case Request::Kind::Command:
        break;
    }
    // A bare mnemonic is a question, except the one command that takes no argument.
    if (!request.argument) {
        if (request.mnemonic == clearShotCount) {
            counters.clearShots();
            return doneReply;
        }
        return answerQuery(request.mnemonic);
    }
    return carryOut(request.mnemonic, *request.argument);
}

QByteArray LaserModel::answerQuery(const QByteArray &mnemonic)
{
    if (const auto query = queries.find(mnemonic); query != queries.end())
        return query->second();
    if (const auto setting = settings.find(mnemonic); setting != settings.end())
        return setting->second.format(setting->second.value);
    for (const QByteArray *suffix : {&maximumSuffix, &minimumSuffix}) {
        if (!mnemonic.endsWith(*suffix))
            continue;
        const auto setting = settings.find(mnemonic.chopped(suffix->size()));
        if (setting == settings.end())
            return unknownReply;
        const Setting &limited = setting->second;
        return limited.format(suffix == &maximumSuffix ? limited.maximum : limited.minimum);
    }
    return unknownReply;
}

QByteArray LaserModel::carryOut(const QByteArray &mnemonic, const QByteArray &argument)
{
    if (const auto command = commands.find(mnemonic); command != commands.end())
        return command->second(argument);
    if (const auto setting = settings.find(mnemonic); setting != settings.end())
        return setSetting(setting->second, mnemonic, argument);
    if (mnemonic.endsWith(calibrationSuffix))
        return calibrateMaximum(mnemonic.chopped(calibrationSuffix.size()), argument);
    return unknownReply;
}

QByteArray LaserModel::setSetting(Setting &setting, const QByteArray &mnemonic,
                                  const QByteArray &argument)
{
    const auto requested = numberIn(argument);
    if (!requested)
        return refusedReply;
    setting.set(*requested);
    if (mnemonic == "EM") {
        applyEnergyPreset();
    } else if (mnemonic == governedSetting()) {
        // A value set by hand ends the preset energy mode.
        if (const auto mode = settings.find("EM"); mode != settings.end())
            mode->second.set(0);
    }
    return doneReply;
}

QByteArray LaserModel::calibrateMaximum(const QByteArray &mnemonic, const QByteArray &argument)
{
    const auto setting = settings.find(mnemonic);
    if (setting == settings.end())
        return unknownReply;
    const auto maximum = numberIn(argument);
    if (!serviceOpen || !maximum || *maximum < setting->second.minimum)
        return refusedReply;
    setting->second.setMaximum(*maximum);
    return doneReply;
}

QByteArray LaserModel::identity() const
{
    if (!config.identityOverride.isEmpty())
        return config.identityOverride;
    QByteArray version = config.firmware;
    if (!smallFamily())
        version += '-' + config.fpga;
    return config.manufacturer + ',' + config.model + ',' + QByteArray::number(config.serialNumber)
            + ',' + version;
}

void LaserModel::changeIdentity(const QByteArray &model, int32_t serialNumber, const QByteArray &identityOverride)
{
    config.model = model;
    config.serialNumber = serialNumber;
    config.identityOverride = identityOverride;
}

QByteArray LaserModel::enable(const QByteArray &argument)
{
    const auto state = wholeNumberIn(argument);
    if (state == 0) {
        disable();
        return doneReply;
    }
    if (state != 1 || !(statusWord() & StatusBit::OkToEnable))
        return refusedReply;
    isEnabled = true;
    return doneReply;
}

QByteArray LaserModel::fire(const QByteArray &argument)
{
    const auto state = wholeNumberIn(argument);
    if (state == 0) {
        counters.stop();
        return doneReply;
    }
    if (state != 1 || !(statusWord() & StatusBit::OkToFire))
        return refusedReply;
    const auto mode = FiringCounters::PulseMode(std::llround(settingValue("PM")));
    counters.start(mode, settingValue("DT") == 1, uint64_t(std::llround(settingValue("BC"))));
    return doneReply;
}

QByteArray LaserModel::openAccess(const QByteArray &code)
{
    const QByteArray given = code.trimmed();
    if (given == serviceCode) {
        serviceOpen = true;
        return doneReply;
    }
    return given == controllerAccessCode ? doneReply : refusedReply;
}

QByteArray LaserModel::unlock(const QByteArray &password)
{
    if (password.trimmed() != config.password)
        return passwordRefusedReply;
    passwordAccepted = true;
    return passwordAcceptedReply;
}

QByteArray LaserModel::saveBin(const QByteArray &argument)
{
    const auto bin = binNumber(argument);
    if (!bin)
        return refusedReply;
    for (const auto &[mnemonic, setting] : settings)
        bins[size_t(*bin)][mnemonic] = setting.value;
    return doneReply;
}

QByteArray LaserModel::recallBin(const QByteArray &argument)
{
    const auto bin = binNumber(argument);
    if (!bin)
        return refusedReply;
    for (const auto &[mnemonic, value] : bins[size_t(*bin)])
        settings[mnemonic].set(value);
    return doneReply;
}

std::optional<qsizetype> LaserModel::binNumber(const QByteArray &argument) const
{
    const auto bin = wholeNumberIn(argument);
    if (!bin || *bin < 0 || *bin >= qint64(bins.size()))
        return std::nullopt;
    return qsizetype(*bin);
}

void LaserModel::applyEnergyPreset()
{
    // The share of its maximum that each energy mode gives the governed value; 0 leaves it alone.
    const std::array<double, 3> standardShares {0, 0.5, 1.0};
    const std::array<double, 3> smallFamilyShares {0, 1.0, 1.0};
    const auto mode = size_t(std::llround(settingValue("EM")));
    const double share = (smallFamily() ? smallFamilyShares : standardShares).at(mode);
    if (share == 0)
        return;
    Setting &governed = settings[governedSetting()];
    governed.set(governed.maximum * share);
}

const char *LaserModel::governedSetting() const
{
    if (!config.attenuator)
        return "DC";
    return smallFamily() ? "AT:AP" : "AT";
}

double LaserModel::settingValue(const char *mnemonic) const
{
    const auto setting = settings.find(mnemonic);
    return setting == settings.end() ? 0.0 : setting->second.value;
}

bool LaserModel::locked() const
{
    return config.family == Family::Mini && config.passwordLocked && !passwordAccepted;
}

void LaserModel::disable()
{
    isEnabled = false;
    counters.stop();
}

uint32_t LaserModel::statusWord() const
{
    uint32_t word = forcedBits;
    if (isEnabled)
        word |= StatusBit::Enabled;
    if (firing())
        word |= StatusBit::Firing;
    if (settingValue("DT") == 1)
        word |= StatusBit::DiodeExternalTrigger;
    if (!smallFamily()) {
        if (settingValue("QE") == 1)
            word |= StatusBit::QSwitchEnable;
        if (settingValue("QT") == 1)
            word |= StatusBit::QSwitchExternalTrigger;
        if (!isEnabled)
            word |= StatusBit::ShutterClosed;
    }
    if (!faulted() && !locked())
        word |= StatusBit::OkToEnable;
    if (isEnabled && !faulted())
        word |= StatusBit::OkToFire;

    const long long energyMode = std::llround(settingValue("EM"));
    if (smallFamily()) {
        word |= energyMode == 1 ? StatusBit::HighPowerOrEnhancedEnergy
                                : StatusBit::LowPowerOrNormalEnergy;
    } else if (energyMode == 1) {
        word |= StatusBit::LowPowerOrNormalEnergy;
    } else if (energyMode == 2) {
        word |= StatusBit::HighPowerOrEnhancedEnergy;
    }
    return word;
}

} // namespace tovra::sim
