// The identity of the connected laser and the load of its settings: which queries each family
// asks, in which order, and what the answers mean for the laser state and the window.

#include "settingsload.h"

#include "communication.h"
#include "displayformat.h"
#include "identity.h"
#include "laserstate.h"
#include "recordformat.h"
#include "statuscaptions.h"
#include "statusword.h"

#include <QScopedValueRollback>

namespace tovra {

namespace {



// The window's outer width once loaded; the strip right of it holds what only some lasers show.
constexpr int RunTimeOuterWidth = 665;

// The names the log gives the controls (their names in the window).
QString controlName(SettingsLoadView::Setting setting)
{
    using Setting = SettingsLoadView::Setting;
    static const std::map<Setting, const char *> names = {
        {Setting::RepRate, "RepRateAdj"},
        {Setting::DiodeCurrent, "DiodeCurrentAdj"},
        {Setting::DiodePulseWidth, "DiodePulseWidthAdj"},
        {Setting::QSwitchDelay, "QSWDelayAdj"},
        {Setting::BurstCount, "BurstCountAdj"},
        {Setting::QSwitchWaitCount, "QSWWaitCountAdj"},
        {Setting::DivideByN, "DivideByNAdj"},
        {Setting::Attenuator, "AttenuatorAdj"},
        {Setting::PulseMode, "SystemModeSel"},
        {Setting::DiodeTrigger, "DiodeTriggerSel"},
        {Setting::QSwitchTrigger, "QSWTriggerSel"},
        {Setting::SyncOutput, "SyncSettingsSel"},
        {Setting::EnergyMode, "EnergyModeSel"},
        {Setting::EnhancedEnergyMode, "EnhEnergyModeSel"},
        {Setting::LaserEnable, "LaserEnableBtn"},
        {Setting::QSwitchEnable, "QSwitchEnableBtn"},
        {Setting::DivideByNEnable, "DivideByNEnable"},
    };
    return QString::fromLatin1(names.at(setting));
}

// The status bit that tells a check box's setting, where the status word has one.
std::optional<uint32_t> statusBitOf(SettingsLoadView::Setting setting)
{
    switch (setting) {
    case SettingsLoadView::Setting::LaserEnable:
        return StatusBit::Enabled;
    case SettingsLoadView::Setting::QSwitchEnable:
        return StatusBit::QSwitchEnabled;
    default:
        return std::nullopt;
    }
}

// A reply that names a fitted option: a number, or a text with "?" when the laser does not know
// the query. A reply that is neither (nothing came in time, or noise) does not prove the option
// either, so it counts as absent as well.
std::optional<int> optionAnswer(const QString &reply)
{
    if (reply.contains(QLatin1Char('?')))
        return std::nullopt;
    bool isNumber = false;
    const int value = reply.trimmed().toInt(&isNumber);
    return isNumber ? std::optional<int>(value) : std::nullopt;
}

} // namespace

// "PW" answers a text with "?" when the laser has no password lock, otherwise 1 when unlocked.
// A reply that is no number (nothing came in time, or noise) cannot prove the laser unlocked, so
// it counts as locked and the operator is offered the password.
PasswordLock queryPasswordLock(Communication &comm)
{
    const QString reply = comm.SendAndReceive(QStringLiteral("PW"));
    if (reply.contains(QLatin1Char('?')))
        return PasswordLock::Absent;
    bool isNumber = false;
    const double lockState = reply.trimmed().toDouble(&isNumber);
    return isNumber && lockState == 1 ? PasswordLock::Unlocked : PasswordLock::Locked;
}

SettingsLoad::SettingsLoad(Communication &exchange, LaserState &laserState, SettingsLoadView &loadView)
    : comm(exchange)
    , state(laserState)
    , view(loadView)
{
    for (const Setting setting : {Setting::RepRate, Setting::DiodeCurrent, Setting::DiodePulseWidth, Setting::QSwitchDelay})
        designRanges[setting] = view.limits(setting);
}

void SettingsLoad::identify()
{
    parseIdentityReply(comm.SendAndReceive(QStringLiteral("ID")), state);
}

void SettingsLoad::run(const QString &programVersion, int port)
{
    state.laserUnlocked = false;
    view.setText(Text::ShotCount, QStringLiteral("Shot Count: ----"));
    if (comm.isDetached()) {
        showDemoIdentity(programVersion);
        return;
    }

    const QScopedValueRollback<bool> inhibit = comm.inhibitCommands();
    identify();
    showIdentity(programVersion, port);
    view.setPartVisible(Part::ServiceWindowMenu, comm.QueryInt(QStringLiteral("SEC")) == 1);
    loadLimitedSettings();
    loadModesAndTriggers();
    loadHeater0();
    loadAttenuator();
    view.setOuterWidth(RunTimeOuterWidth);
    state.hasEnhancedEnergy = false;
    if (state.isMicroModel || state.isMiniModel)
        loadSmallFamily();
    else
        loadFullSizeFamily();
    if (state.isMiniModel)
        loadPasswordLock();
}

// The demo shows the standard window: its tile captions instead of the controls' own names, and
// its run-time width, which leaves the energy-mode choice of the small families out.
void SettingsLoad::showDemoIdentity(const QString &programVersion)
{
    view.setText(Text::WindowTitle, QStringLiteral(" Tovra  SW Version: ") + programVersion + QStringLiteral(" ComPort: Demo"));
    view.setText(Text::SerialNumber, QStringLiteral("Serial Number: 1234"));
    view.setText(Text::FirmwareVersion, QStringLiteral("Firmware Ver: 1.00"));
    view.setText(Text::FpgaVersion, QStringLiteral("FPGA Ver: 1.25"));
    view.setStatusCaptions(standardStatusCaptions());
    view.setPartVisible(Part::EnhancedEnergyModeGroup, false);
    view.setOuterWidth(RunTimeOuterWidth);
}

void SettingsLoad::showIdentity(const QString &programVersion, int port)
{
    const QString maker = state.manufacturerCode == QLatin1String("RZ") ? QStringLiteral("Marovane")
                                                                         : QStringLiteral("Unknown");
    view.setText(Text::WindowTitle, maker + QStringLiteral(" Model ") + state.modelName + QStringLiteral("  SW Version: ")
                                        + programVersion + QStringLiteral(" ComPort: ") + QString::number(port));
    view.setText(Text::SerialNumber, QStringLiteral("Serial Number: ") + QString::number(state.serialNumber));
    view.setText(Text::FirmwareVersion, QStringLiteral("Firmware Ver: ") + state.firmwareVersion);
}

// The laser's limits for a control, when they can be used: both read, the minimum below the
// maximum and both within the range the control was built with. Equal limits would leave the spin
// edit without a range at all, and a limit beyond the design range is not one this control can
// honour. Otherwise the control keeps its design range, and the log says why.
LimitRange SettingsLoad::usableLimits(Setting setting, const LimitReply &minimum, const LimitReply &maximum)
{
    const LimitRange design = designRanges.at(setting);
    if (minimum.value && maximum.value && *minimum.value < *maximum.value && *minimum.value >= design.minimum
        && *maximum.value <= design.maximum)
        return {*minimum.value, *maximum.value};
    auto describe = [](const LimitReply &limit) {
        return limit.name + QLatin1Char(' ') + (limit.value ? formatGeneral(*limit.value) : QStringLiteral("unread"));
    };
    view.noteInLog(QStringLiteral("Limits Error(") + Communication::timeStamp() + QStringLiteral("): ")
                   + describe(minimum) + QStringLiteral(", ") + describe(maximum) + QStringLiteral("; ")
                   + controlName(setting) + QStringLiteral(" keeps ") + formatGeneral(design.minimum)
                   + QStringLiteral(" to ") + formatGeneral(design.maximum));
    return design;
}

// Each value, then its limits: the control limits the new value to the range it has now (the
// previous load's, or the design range), and the new limits then re-apply to the control's
// value, not to the reply. Both limits are asked before either is applied, so that they can be
// judged together.
void SettingsLoad::loadLimitedSettings()
{
    for (const Setting setting : {Setting::RepRate, Setting::DiodeCurrent, Setting::DiodePulseWidth}) {
        const Parameter &row = parameter(setting);
        loadSetting(setting);
        const QString maximumQuery = limitQuery(row, LimitQuery::Maximum);
        const QString minimumQuery = limitQuery(row, LimitQuery::Minimum);
        const std::optional<double> maximum = comm.TryQueryFloat(maximumQuery);
        const std::optional<double> minimum = comm.TryQueryFloat(minimumQuery);
        const LimitRange limits = usableLimits(setting, {minimumQuery, minimum}, {maximumQuery, maximum});
        state.*row.maximum = limits.maximum;
        state.*row.minimum = limits.minimum;
        view.setLimits(setting, limits);
    }
}

void SettingsLoad::noteNotRead(const QString &mnemonic, const QString &shownBy)
{
    view.noteInLog(QStringLiteral("Setting Not Read(") + Communication::timeStamp() + QStringLiteral("): ") + mnemonic
                   + QStringLiteral("; ") + shownBy + QStringLiteral(" keeps what it showed"));
}

// A value that was not read is never shown as the laser's: the control keeps what it showed (and
// the laser state, which mirrors the control, keeps it too), so that a later step of the spin edit
// starts from a value the laser had, not from a zero it never said.
std::optional<double> SettingsLoad::readSetting(Setting setting, const QString &mnemonic, bool whole)
{
    const std::optional<double> value = whole ? std::optional<double>(comm.TryQueryInt(mnemonic))
                                              : comm.TryQueryFloat(mnemonic);
    view.markUnread(setting, !value);
    if (!value)
        noteNotRead(mnemonic, controlName(setting));
    return value;
}

// The parameter's value, asked by its mnemonic on this laser, kept in its mirror in the laser state.
void SettingsLoad::loadSetting(Setting setting)
{
    const Parameter &row = parameter(setting);
    if (const std::optional<double> value = readSetting(setting, mnemonicFor(row, state), row.whole != nullptr)) {
        storeValue(state, setting, *value);
        view.showSetting(setting, *value);
    }
}

// A check box whose reply was not read follows the next status word that tells its state.
void SettingsLoad::loadCheckBox(Setting setting)
{
    // The enable is no parameter of the table: its command belongs to the enable and fire rules.
    const QString mnemonic = setting == Setting::LaserEnable ? QStringLiteral("EN") : QString(parameter(setting).mnemonic);
    if (const std::optional<double> value = readSetting(setting, mnemonic, true)) {
        boxesToFollow.erase(setting);
        view.showSetting(setting, *value == 1 ? 1 : 0);
    } else if (statusBitOf(setting)) {
        boxesToFollow.insert(setting);
    }
}

void SettingsLoad::followStatusWord(uint32_t status)
{
    for (const Setting box : boxesToFollow) {
        view.showSetting(box, (status & *statusBitOf(box)) ? 1 : 0);
        view.markUnread(box, false);
    }
    boxesToFollow.clear();
}

void SettingsLoad::settingSetByOperator(Setting setting)
{
    boxesToFollow.erase(setting);
    view.markUnread(setting, false);
}

void SettingsLoad::loadModesAndTriggers()
{
    loadCheckBox(Setting::LaserEnable);
    loadSetting(Setting::BurstCount);
    loadSetting(Setting::PulseMode);
    loadSetting(Setting::DiodeTrigger);
    view.setSettingEnabled(Setting::PulseMode, pulseModeSelectable(state));
}

// Heater 0 takes the first row of labels alone.
void SettingsLoad::loadHeater0()
{
    view.setPartVisible(Part::HeaterGroup, false);
    state.hasHeater0 = comm.QueryInt(QStringLiteral("H0")) == 1;
    view.setPartVisible(Part::HeaterRow1, state.hasHeater0);
    if (!state.hasHeater0)
        return;
    view.setPartVisible(Part::HeaterRow2, false);
    view.setPartVisible(Part::HeaterGroup, true);
    loadHeaterSetpoint(0, Text::HeaterTarget1, state.heater0Setpoint);
    view.setText(Text::HeaterTemperature1, QStringLiteral("Heater 0 Temp:   ? C"));
}

QString heaterTargetText(int heater, double setpoint)
{
    return QStringLiteral("Heater %1 Target:  ").arg(heater) + twoDecimalText(setpoint) + QStringLiteral(" C");
}

// The attenuator group is shown on every load of a laser that has one, so that a refresh or
// recall of a micro or mini laser keeps it in view.
void SettingsLoad::loadAttenuator()
{
    const bool fullSize = state.isStandardModel;
    const std::optional<int> fitted = optionAnswer(comm.SendAndReceive(fullSize ? QStringLiteral("AT") : QStringLiteral("AT:EN")));
    state.hasAttenuator = fitted.value_or(0) != 0;
    view.setPartVisible(Part::AttenuatorGroup, state.hasAttenuator);
    if (!state.hasAttenuator)
        return;
    loadSetting(Setting::Attenuator);
}

void SettingsLoad::loadSmallFamily()
{
    view.setPartVisible(Part::EnergyModeGroup, false);
    const std::optional<int> configuration = optionAnswer(comm.SendAndReceive(QStringLiteral("CFG")));
    state.hasEnhancedEnergy = configuration && (*configuration & 1);
    view.setPartVisible(Part::EnhancedEnergyModeGroup, state.hasEnhancedEnergy);
    if (state.hasEnhancedEnergy) {
        const std::optional<int> mode = optionAnswer(comm.SendAndReceive(QStringLiteral("EM")));
        state.energyMode = mode.value_or(0);
        view.showSetting(Setting::EnhancedEnergyMode, state.energyMode);
    }

    view.showFamily(state.isMicroModel ? SettingsLoadView::Family::Micro : SettingsLoadView::Family::Mini);
    view.setStatusCaptions(statusCaptions(state));
    // The micro and mini families have fewer controls: the window closes up around the groups
    // that remain, once per run.
    if (!arrangedForSmallFamily) {
        arrangedForSmallFamily = true;
        view.arrangeForSmallFamily(state.hasAttenuator, state.hasEnhancedEnergy);
    }
}

void SettingsLoad::loadFullSizeFamily()
{
    view.showFamily(SettingsLoadView::Family::Standard);
    view.setStatusCaptions(standardStatusCaptions());
    view.setText(Text::FpgaVersion, QStringLiteral("FPGA Ver: ") + state.fpgaVersion);

    loadSetting(Setting::QSwitchDelay);
    const Parameter &delay = parameter(Setting::QSwitchDelay);
    const std::optional<double> maximum = comm.TryQueryFloat(limitQuery(delay, LimitQuery::Maximum));
    comm.QueryFloat(limitQuery(delay, LimitQuery::Minimum)); // asked, but the control keeps its own minimum
    const double ownMinimum = view.limits(Setting::QSwitchDelay).minimum;
    state.qswDelayMax = usableLimits(Setting::QSwitchDelay, {QStringLiteral("minimum"), ownMinimum},
                                     {limitQuery(delay, LimitQuery::Maximum), maximum})
                            .maximum;
    view.setLimits(Setting::QSwitchDelay, {ownMinimum, state.qswDelayMax});

    loadCheckBox(Setting::QSwitchEnable);
    loadSetting(Setting::QSwitchWaitCount);
    loadSetting(Setting::QSwitchTrigger);
    loadCheckBox(Setting::DivideByNEnable);
    loadSetting(Setting::DivideByN);

    const std::optional<int> mode = optionAnswer(comm.SendAndReceive(QStringLiteral("EM")));
    if (mode) {
        state.energyMode = *mode;
        view.showSetting(Setting::EnergyMode, state.energyMode);
    } else {
        view.setPartVisible(Part::EnergyModeGroup, false);
    }

    if (!state.hasHeater0) {
        state.hasHeater1 = loadExtraHeater(1, Part::HeaterRow1, Text::HeaterTarget1, state.heater1Setpoint);
        state.hasHeater2 = loadExtraHeater(2, Part::HeaterRow2, Text::HeaterTarget2, state.heater2Setpoint);
    }

    loadSetting(Setting::SyncOutput);
}

bool SettingsLoad::loadExtraHeater(int heater, Part row, Text target, double &setpoint)
{
    const bool fitted = comm.QueryInt(QStringLiteral("H%1").arg(heater)) == 1;
    view.setPartVisible(row, fitted);
    if (!fitted)
        return false;
    view.setPartVisible(Part::HeaterGroup, true);
    loadHeaterSetpoint(heater, target, setpoint);
    return true;
}

// A set point that was not read leaves its label as it was.
void SettingsLoad::loadHeaterSetpoint(int heater, Text target, double &setpoint)
{
    const QString mnemonic = QStringLiteral("H%1:SP").arg(heater);
    if (const std::optional<double> value = comm.TryQueryFloat(mnemonic)) {
        setpoint = *value;
        view.setText(target, heaterTargetText(heater, setpoint));
    } else {
        noteNotRead(mnemonic, QStringLiteral("its target label"));
    }
}

void SettingsLoad::loadPasswordLock()
{
    const PasswordLock lock = queryPasswordLock(comm);
    state.laserUnlocked = lock != PasswordLock::Locked;
    if (lock == PasswordLock::Absent)
        view.setPartVisible(Part::UnlockLaserMenu, false);
    else if (lock == PasswordLock::Locked)
        view.setPartVisible(Part::UnlockLaserMenu, true);
}

} // namespace tovra
