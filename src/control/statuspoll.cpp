#include "statuspoll.h"


#include "communication.h"
#include "desktop.h"
#include "displayformat.h"
#include "firecontrol.h"
#include "laserstate.h"
#include "recordfiles.h"
#include "rzcomport.h"
#include "statusword.h"

#include <QScopedValueRollback>
#include <QTimer>

#include <utility>

namespace tovra {

using ReadOut = StatusPollView::ReadOut;

struct StatusPoll::MeasurementRow
{
    const char *query;
    Measurement field;
    ReadOut readOut;
    const char *unit;
};

struct StatusPoll::HeaterRow
{
    bool LaserState::*present;
    const char *temperatureQuery;
    Measurement temperature;
    const char *temperaturePrefix;
    ReadOut temperatureReadOut;
    const char *setpointQuery;
    Measurement setpoint;
    const char *targetPrefix;
    ReadOut targetReadOut;
    int temperatureSeries;
    int setpointSeries;
};

namespace {

using MeasurementRow = StatusPoll::MeasurementRow;
using HeaterRow = StatusPoll::HeaterRow;

const MeasurementRow VoltageRows[] = {
    {"BV", &LaserState::bankVoltage, ReadOut::BankVoltage, " V"},
    {"AB:BSET", &LaserState::bankVoltageTarget, ReadOut::BankVoltageTarget, " V"},
    {"FV", &LaserState::fetVoltage, ReadOut::FetVoltage, " V"},
    {"AB:FDRO", &LaserState::fetDropVoltage, ReadOut::FetDropVoltage, " V"},
    {"AB:FDRA", &LaserState::fetDrainVoltage, ReadOut::FetDrainVoltage, " V"},
    {"AB:FSOU", &LaserState::fetSourceVoltage, ReadOut::FetSourceVoltage, " V"},
};
const MeasurementRow FetTemperatureRow = {"FT", &LaserState::fetTemperature, ReadOut::FetTemperature, " C"};
const MeasurementRow DiodeCurrentRow = {"IM", &LaserState::diodeCurrentMeasured, ReadOut::DiodeCurrent, " A"};
const MeasurementRow ResonatorTempRow = {"TR", &LaserState::resonatorTemp, ReadOut::ResonatorTempA, " C"};
const MeasurementRow ResonatorTempARow = {"TA", &LaserState::resonatorTempA, ReadOut::ResonatorTempA, " C"};
const MeasurementRow ResonatorTempBRow = {"TB", &LaserState::resonatorTempB, ReadOut::ResonatorTempB, " C"};

// Heaters 0 and 1 share the first label pair, so with both fitted it shows heater 1.
const HeaterRow HeaterRows[] = {
    {&LaserState::hasHeater0, "H0:TP", &LaserState::heater0Temp, "Heater 0 Temp:   ", ReadOut::FirstHeaterTemp,
     "H0:SP", &LaserState::heater0Setpoint, "Heater 0 Target:  ", ReadOut::FirstHeaterTarget, 1, 4},
    {&LaserState::hasHeater1, "H1:TP", &LaserState::heater1Temp, "Heater 1 Temp:   ", ReadOut::FirstHeaterTemp,
     "H1:SP", &LaserState::heater1Setpoint, "Heater 1 Target:  ", ReadOut::FirstHeaterTarget, 2, 5},
    {&LaserState::hasHeater2, "H2:TP", &LaserState::heater2Temp, "Heater 2 Temp:   ", ReadOut::SecondHeaterTemp,
     "H2:SP", &LaserState::heater2Setpoint, "Heater 2 Target:  ", ReadOut::SecondHeaterTarget, 3, 6},
};

// The chart's series of the small family's diode temperature.
constexpr int ResonatorTempSeries = 1;
// How long after the last request an update looks for a reply that its last exchange may have
// left behind. A reply of its own comes within the wire time of a poll's request and reply (at
// most 23 bytes, 4.4 ms at 57600 8E1); the rest is room for a loaded machine and the laser's own
// turnaround (6 ms let shifted values through under test load). The look does not hold the wire:
// it runs from the event loop once this time has passed (see completeUpdate).
constexpr std::chrono::milliseconds ReplySettle{20};

QString temperatureText(const char *prefix, double value)
{
    return QString::fromLatin1(prefix) + twoDecimalText(value) + QStringLiteral(" C");
}

} // namespace

StatusPoll::StatusPoll(Communication &exchange, TRZComPort &serialPort, LaserState &laserState, Desktop &desktopSeam,
                       StatusPollView &pollView, FireControl &fireControl, RecordFiles &recordFiles,
                       ProgramActions programActions)
    : comm(exchange)
    , port(serialPort)
    , state(laserState)
    , desktop(desktopSeam)
    , view(pollView)
    , fire(fireControl)
    , records(recordFiles)
    , program(std::move(programActions))
{
    planSteps();
    settleTimer.setSingleShot(true);
    QObject::connect(&settleTimer, &QTimer::timeout, [this] {
        // Another exchange waits for its reply: its bytes come first, the look after them.
        if (comm.confirmReplies(ReplySettle))
            completeUpdate();
        else
            settleTimer.start(ReplySettle);
    });
}

// What the laser is asked, in order. Whether a step applies is decided when the update reaches
// it: the operator may switch the voltage read-outs on or off while an earlier reply is awaited.
void StatusPoll::planSteps()
{
    const auto always = [] { return true; };
    const auto voltagesAsked = [this] { return voltagesPolled; };
    const auto smallFamilyOnly = [this] { return smallFamily(); };
    const auto fullSizeOnly = [this] { return !smallFamily(); };

    steps = {
        {always, [this] { ensurePortOpen(); }},
        {always, [this] { readCounter("SC", &LaserState::shotCount, ReadOut::ShotCount, "Shot Count: "); }},
        {always, [this] { readCounter("UC", &LaserState::userCount, ReadOut::UserCount, "User Count: "); }},
    };
    for (const MeasurementRow &voltage : VoltageRows)
        steps.push_back({voltagesAsked, [this, &voltage] { readOut(voltage); }});
    steps.insert(steps.end(),
                 {
                     {always, [this] { readOut(FetTemperatureRow); }},
                     {always,
                      [this] {
                          readOut(DiodeCurrentRow);
                          view.showReadOut(ReadOut::TargetCurrent,
                                           twoDecimalText(state.diodeCurrent) + QStringLiteral(" A"));
                      }},
                     {smallFamilyOnly, [this] { readOut(ResonatorTempRow); }},
                     {smallFamilyOnly, [this] { chartResonatorTemp(); }},
                     {fullSizeOnly, [this] { readOut(ResonatorTempARow); }},
                     {fullSizeOnly, [this] { readOut(ResonatorTempBRow); }},
                     {always, [this] { readStatusWord(); }},
                     {[this] { return statusWord.has_value(); }, [this] { followStatusWord(); }},
                     {always, [this] { countTowardsSetPoints(); }},
                 });
    for (const HeaterRow &row : HeaterRows)
        planHeaterSteps(row);
    steps.push_back({always, [this] { finishUpdate(); }});
}

// A temperature or set point is shown only once the update is known to go on.
void StatusPoll::planHeaterSteps(const HeaterRow &row)
{
    const auto fitted = [this, &row] { return state.*row.present; };
    const auto setpointDue = [this, &row] { return state.*row.present && setPointsDue; };
    steps.insert(steps.end(), {
                                  {fitted, [this, &row] { readHeaterTemperature(row); }},
                                  {fitted, [this, &row] { showHeaterTemperature(row); }},
                                  {setpointDue, [this, &row] { readHeaterSetPoint(row); }},
                                  {setpointDue, [this, &row] { showHeaterSetPoint(row); }},
                              });
}

void StatusPoll::tick()
{
    runUpdate();
    // The question about a vanished port is asked once the update has ended, so that the task
    // timer can keep stop commands and answer scripts while it is open. A laser found again is
    // read at once.
    while (portLost() && program.recoverLink())
        runUpdate();
}

void StatusPoll::runUpdate()
{
    const QScopedValueRollback<bool> busy(updating, true);
    update();
    if (serviceWindowDue && !program.hasEnded()) {
        view.openUnlockedServiceWindow();
        serviceWindowDue = false;
    }
}

// A port that hung up during the update, or could not be opened for it, is given one more try.
bool StatusPoll::portLost()
{
    return !comm.exitRequested() && !program.hasEnded() && !port.Opened() && !port.Open();
}

void StatusPoll::showStale(const QString &text)
{
    stale = true;
    view.showStale(text);
}

void StatusPoll::update()
{
    settleNow();
    updateClock.start();
    readings.clear();
    unread.clear();
    statusWord.reset();
    completed = {};
    for (const Step &step : steps) {
        if (!step.applies())
            continue;
        step.run();
        if (mustStop())
            return;
    }
}

void StatusPoll::setVoltagesPolled(bool polled)
{
    voltagesPolled = polled;
}

// The update ends at once when the operator asked to close (a modal box or a reply wait inside
// the update lets that happen) or when the program is ending: nothing more is asked of the laser.
bool StatusPoll::mustStop() const
{
    return comm.exitRequested() || program.hasEnded() || !port.Opened();
}

bool StatusPoll::smallFamily() const
{
    return state.isMicroModel || state.isMiniModel;
}

// A port that does not open ends the update; the tick then asks about it.
void StatusPoll::ensurePortOpen()
{
    port.Open();
}

void StatusPoll::readCounter(const char *query, uint64_t LaserState::*field, ReadOut readOut, const char *caption)
{
    if (const std::optional<uint64_t> count = comm.TryQueryCount(QString::fromLatin1(query))) {
        state.*field = *count;
        if (field == &LaserState::shotCount)
            completed.shotCount = *count;
        view.showReadOut(readOut, QString::fromLatin1(caption) + counterText(*count));
    }
}

bool StatusPoll::readMeasurement(const char *query, Measurement field, std::function<void()> showAgain)
{
    const std::optional<double> value = comm.TryQueryFloat(QString::fromLatin1(query));
    if (!value) {
        unread.append(field);
        return false;
    }
    readings.push_back({field, comm.lastExchange(), state.*field, std::move(showAgain)});
    state.*field = *value;
    completed.read.append(field);
    return true;
}

// A reading whose reply was disowned (bytes found by a later purge) is not the laser's word for
// it: it goes back to what it was, and its column of the data row stays empty.
void StatusPoll::takeBackDisownedReadings()
{
    for (auto reading = readings.rbegin(); reading != readings.rend(); ++reading) {
        if (comm.replyStands(reading->exchange))
            continue;
        state.*reading->field = reading->before;
        if (!unread.contains(reading->field))
            unread.append(reading->field);
        if (reading->showAgain)
            reading->showAgain();
    }
}

// Only for a measurement that this update asked for.
bool StatusPoll::wasRead(Measurement field) const
{
    return !unread.contains(field);
}

void StatusPoll::readOut(const MeasurementRow &row)
{
    const auto show = [this, &row] {
        view.showReadOut(row.readOut, twoDecimalText(state.*row.field) + QString::fromLatin1(row.unit));
    };
    if (readMeasurement(row.query, row.field, show))
        show();
}

void StatusPoll::chartResonatorTemp()
{
    if (wasRead(&LaserState::resonatorTemp) && view.serviceWindowVisible() && view.chartsDiodeTemperature())
        view.addChartPoint(ResonatorTempSeries, state.resonatorTemp);
}

// A status word that was not read says nothing: the tiles, the fire and enable controls and the
// fault latches stay as the last word left them, and an operator's action on the controls is
// still honoured by the next word that is read.
void StatusPoll::readStatusWord()
{
    const std::optional<int32_t> word = comm.TryQueryInt(QStringLiteral("SS"));
    if (word) {
        state.statusWord = *word;
        statusWord = uint32_t(*word);
    }
    statusText = QStringLiteral("Status: ") + (word ? QString::number(*word) : QStringLiteral("unknown"));
    // While stale the label says why; it shows the word again when the update ends.
    if (!stale)
        view.showReadOut(ReadOut::StatusWord, statusText);
}

void StatusPoll::followStatusWord()
{
    const uint32_t status = *statusWord;
    state.firing = status & StatusBit::Firing;
    fire.followStatusWord(status);
    view.showStatusTiles(status);
    announceFaults(status);
}

// A fault is announced once per episode: until an update finds its bits clear again. Once the
// program is ending no box opens: the first one closed for the exit must not be followed by the
// next one, holding the exit until someone answers it.
void StatusPoll::announceFaults(uint32_t status)
{
    const auto announce = [this](const QString &fault) {
        if (comm.exitRequested())
            return;
        // Polling waits while the box is open.
        showStale(NotPollingText);
        desktop.message(fault);
    };
    if (status & (StatusBit::DiodeTempFault | StatusBit::ElectricalTempFault)) {
        if (!tempFaultShown) {
            tempFaultShown = true;
            announce((status & StatusBit::DiodeTempFault) ? QStringLiteral("Temperature Fault - Diode")
                                                          : QStringLiteral("Temperature Fault - Electrical"));
            records.appendLogNote(QStringLiteral("Temperature Fault"));
        }
    } else {
        tempFaultShown = false;
    }
    if (status & StatusBit::PowerFail) {
        if (!electricalFaultShown) {
            electricalFaultShown = true;
            announce(QStringLiteral("Electrical Fault"));
            records.appendLogNote(QStringLiteral("Electrical Fault"));
        }
    } else {
        electricalFaultShown = false;
    }
}

void StatusPoll::countTowardsSetPoints()
{
    if (++updatesTowardsSetPoints >= SetPointPeriod) {
        setPointsDue = true;
        updatesTowardsSetPoints = 0;
    }
}

void StatusPoll::readHeaterTemperature(const HeaterRow &row)
{
    readMeasurement(row.temperatureQuery, row.temperature);
}

// A temperature that was not read is neither shown nor charted; its set point point goes with
// it, so that the two series stay in step.
void StatusPoll::showHeaterTemperature(const HeaterRow &row)
{
    if (!wasRead(row.temperature))
        return;
    view.showReadOut(row.temperatureReadOut, temperatureText(row.temperaturePrefix, state.*row.temperature));
    if (view.serviceWindowVisible() && !view.chartsDiodeTemperature()) {
        view.addChartPoint(row.temperatureSeries, state.*row.temperature);
        view.addChartPoint(row.setpointSeries, state.*row.setpoint);
    }
}

void StatusPoll::readHeaterSetPoint(const HeaterRow &row)
{
    readMeasurement(row.setpointQuery, row.setpoint);
}

void StatusPoll::showHeaterSetPoint(const HeaterRow &row)
{
    if (wasRead(row.setpoint))
        view.showReadOut(row.targetReadOut, temperatureText(row.targetPrefix, state.*row.setpoint));
}

// What does not hang on the last reply's ownership is done at once; the look for a late reply,
// the data row and the listener wait until the reply has had its time (completeUpdate), so that
// the wire is free for the next line meanwhile.
void StatusPoll::finishUpdate()
{
    setPointsDue = false;
    if (statusWord)
        fire.CheckFireEnableState();
    // Stale read-outs come back with the first update that reached the laser.
    if (stale && statusWord) {
        stale = false;
        view.showLive();
        view.showReadOut(ReadOut::StatusWord, statusText);
    }
    completed.statusWord = statusWord;
    completed.took = std::chrono::milliseconds(updateClock.elapsed());
    settling = true;
    settleTimer.start(comm.settleLeft(ReplySettle));
}

void StatusPoll::settleNow()
{
    if (!settling)
        return;
    comm.confirmReplies(ReplySettle);
    completeUpdate();
}

// Bytes that came after the update's last reply disown the readings before them: only then are
// the readings written as a data row and told to the listener.
void StatusPoll::completeUpdate()
{
    if (!std::exchange(settling, false))
        return;
    settleTimer.stop();
    takeBackDisownedReadings();
    records.appendDataRow(unread);
    if (listener)
        listener->statusUpdated(completed);
}

} // namespace tovra
