#pragma once

#include "firingcounters.h"
#include "laserconfig.h"
#include "lasersettings.h"
#include "request.h"

#include <QByteArray>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tovra::sim {

// With `LaserConfig::distinctReadings`, each of these queries answers its usual value plus its
// offset: 1000 apart, far above any status word (below 2^14) and any usual value (below 150), so
// each answers within [offset, offset + 1000) alone.
inline const std::vector<std::pair<QByteArray, double>> distinctReadingOffsets = {
    {"SC", 20000},     {"UC", 21000},      {"BV", 22000},      {"AB:BSET", 23000}, {"FV", 24000},
    {"AB:FDRO", 25000}, {"AB:FDRA", 26000}, {"AB:FSOU", 27000}, {"FT", 28000},      {"IM", 29000},
    {"TA", 30000},     {"TB", 31000},      {"TR", 32000},      {"H0:TP", 33000},   {"H0:SP", 34000},
    {"H1:TP", 35000},  {"H1:SP", 36000},   {"H2:TP", 37000},   {"H2:SP", 38000},
};

// Status word bits as the controller reports them in reply to "SS".
namespace StatusBit {
constexpr uint32_t Enabled = 1u << 0;
constexpr uint32_t Firing = 1u << 1;
constexpr uint32_t QSwitchEnable = 1u << 2;
constexpr uint32_t DiodeExternalTrigger = 1u << 3;
constexpr uint32_t QSwitchExternalTrigger = 1u << 4;
constexpr uint32_t ShutterClosed = 1u << 5;
constexpr uint32_t ExternalInterlock = 1u << 6;
constexpr uint32_t DiodeTemperatureFault = 1u << 7;
constexpr uint32_t ElectricalTemperatureFault = 1u << 8;
constexpr uint32_t PowerFail = 1u << 9;
constexpr uint32_t OkToEnable = 1u << 10;
constexpr uint32_t OkToFire = 1u << 11;
constexpr uint32_t LowPowerOrNormalEnergy = 1u << 12;
constexpr uint32_t HighPowerOrEnhancedEnergy = 1u << 13;
constexpr uint32_t Faults =
        ExternalInterlock | DiodeTemperatureFault | ElectricalTemperatureFault | PowerFail;
} // namespace StatusBit

// The laser's controller as the program sees it through the line: one received line in, one
// reply out (without its carriage return), with state that behaves like a laser in between.
// Time only moves when the caller says so, which keeps the model free of clocks and threads.
class LaserModel
{
public:
    using Clock = std::chrono::steady_clock;

    LaserModel(const LaserConfig &config, Clock::time_point now);
    LaserModel(const LaserModel &) = delete;
    LaserModel &operator=(const LaserModel &) = delete;

    QByteArray reply(const QByteArray &line, Clock::time_point now);
    // Lets the counters run and the temperatures settle up to `now`.
    void advance(Clock::time_point now);

    // Another unit answers from now on (a laser swapped in while the line was gone): its model
    // name, serial number or whole identity reply; the state of the controller carries on.
    const LaserConfig &configuration() const { return config; }
    void changeIdentity(const QByteArray &model, int32_t serialNumber, const QByteArray &identityOverride);

    bool enabled() const { return isEnabled; }
    bool firing() const { return counters.firing(); }
    uint32_t statusWord() const;
    uint64_t shotCount() const { return counters.shots(); }
    uint64_t userCount() const { return counters.userShots(); }

    void raiseStatusBits(uint32_t mask) { forcedBits |= mask; }
    void clearStatusBits(uint32_t mask) { forcedBits &= ~mask; }
    void disable();

private:
    struct Heater
    {
        bool fitted = false;
        double setpoint = 0;
        double temperature = 0;
    };
    using Query = std::function<QByteArray()>;
    using Command = std::function<QByteArray(const QByteArray &argument)>;

    void addQueries();
    void addCommands();
    void addHeater(int index);
    void makeReadingsDistinct();

    QByteArray answer(const Request &request);
    QByteArray answerQuery(const QByteArray &mnemonic);
    QByteArray carryOut(const QByteArray &mnemonic, const QByteArray &argument);
    QByteArray setSetting(Setting &setting, const QByteArray &mnemonic, const QByteArray &argument);
    QByteArray calibrateMaximum(const QByteArray &mnemonic, const QByteArray &argument);

    QByteArray identity() const;
    QByteArray enable(const QByteArray &argument);
    QByteArray fire(const QByteArray &argument);
    QByteArray openAccess(const QByteArray &code);
    QByteArray unlock(const QByteArray &password);
    QByteArray saveBin(const QByteArray &argument);
    QByteArray recallBin(const QByteArray &argument);
    std::optional<qsizetype> binNumber(const QByteArray &argument) const;

    void applyEnergyPreset();
    const char *governedSetting() const;
    double settingValue(const char *mnemonic) const;
    bool locked() const;
    bool faulted() const { return forcedBits & StatusBit::Faults; }
    bool smallFamily() const { return config.family != Family::Standard; }

    LaserConfig config;
    Settings settings;
    std::vector<std::map<QByteArray, double>> bins;
    std::array<Heater, 3> heaters;
    FiringCounters counters;
    std::map<QByteArray, Query> queries;
    std::map<QByteArray, Command> commands;
    Clock::time_point lastAdvance;
    uint32_t forcedBits = 0;
    bool isEnabled = false;
    bool serviceOpen;
    bool passwordAccepted = false;
};

} // namespace tovra::sim
