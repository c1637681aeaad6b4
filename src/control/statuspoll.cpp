// The status poll: once a second the laser is asked for its counters, measurements and status
// word, and the window follows what it reports.

#include "mainform.h"

#include "labeledreadout.h"
#include "plusspinedit.h"
#include "statusindicator.h"

#include "desktop.h"
#include "displayformat.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "statusword.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tovra {

namespace {

struct HeaterRow
{
    bool LaserState::*present;
    const char *temperatureQuery;
    double LaserState::*temperature;
    const char *temperaturePrefix;
    const char *setpointQuery;
    double LaserState::*setpoint;
    const char *targetPrefix;
    int temperatureSeries;
    int setpointSeries;
};

const HeaterRow HeaterRows[] = {
    {&LaserState::hasHeater0, "H0:TP", &LaserState::heater0Temp, "Heater 0 Temp:   ", "H0:SP",
     &LaserState::heater0Setpoint, "Heater 0 Target:  ", 1, 4},
    {&LaserState::hasHeater1, "H1:TP", &LaserState::heater1Temp, "Heater 1 Temp:   ", "H1:SP",
     &LaserState::heater1Setpoint, "Heater 1 Target:  ", 2, 5},
    {&LaserState::hasHeater2, "H2:TP", &LaserState::heater2Temp, "Heater 2 Temp:   ", "H2:SP",
     &LaserState::heater2Setpoint, "Heater 2 Target:  ", 3, 6},
};

} // namespace

void TMainForm::StatusTimerTimer()
{
    if (state.exitRequested) {
        StatusTimer->stop();
        return;
    }
    if (ComPort->InUse())
        return;
    if (state.demoMode) {
        StatusTimer->stop();
        return;
    }
    if (state.taskBusy)
        return;
    StatusTimer->stop();
    state.statusBusy = true;
    UpdateStatus();
    if (state.serviceWindowPending && !ended) {
        ui.ServiceWindowMenu->setVisible(true);
        openServiceWindow();
        state.serviceWindowPending = false;
    }
    state.statusBusy = false;
    if (!ended)
        StatusTimer->start();
}

// The poll ends at once when the operator asked to close (a modal box or a reply wait inside
// the poll lets that happen) or when the program is ending: nothing more is asked of the laser.
bool TMainForm::pollMustStop() const
{
    return state.exitRequested || ended;
}

// Reads one measurement into its field. A value that was not read (no reply in time, a vanished
// port, a reply that is no such value) leaves the field and what shows it at their last value, and
// its column of this update's data row empty.
bool TMainForm::pollMeasurement(const char *query, double LaserState::*field)
{
    const std::optional<double> value = comm->TryQueryFloat(QString::fromLatin1(query));
    if (!value) {
        unreadInPoll.append(field);
        return false;
    }
    state.*field = *value;
    return true;
}

void TMainForm::pollReadOut(const char *query, double LaserState::*field, QLineEdit *readOut, const char *unit)
{
    if (pollMeasurement(query, field))
        readOut->setText(twoDecimalText(state.*field) + QString::fromLatin1(unit));
}

void TMainForm::UpdateStatus()
{
    unreadInPoll.clear();
    if (!ComPort->Open()) {
        if (desktop.warning(QStringLiteral("Port no longer available, restart?"), ButtonSet::YesNo) == Button::Yes)
            RestartApp();
        else
            ExitApp();
    }
    if (pollMustStop())
        return;

    if (const std::optional<uint32_t> shots = comm->TryQueryCount(QStringLiteral("SC"))) {
        state.shotCount = *shots;
        ui.ShotCountlbl->setText(QStringLiteral("Shot Count: ") + counterText(state.shotCount));
    }
    if (pollMustStop())
        return;
    if (const std::optional<uint32_t> userShots = comm->TryQueryCount(QStringLiteral("UC"))) {
        state.userCount = *userShots;
        ui.UserCountlbl->setText(QStringLiteral("User Count: ") + counterText(state.userCount));
    }
    if (pollMustStop())
        return;

    if (state.autoUpdateVoltages) {
        const struct
        {
            const char *query;
            double LaserState::*field;
            QLineEdit *readOut;
        } voltages[] = {
            {"BV", &LaserState::bankVoltage, ui.BankVoltagelbl},
            {"AB:BSET", &LaserState::bankVoltageTarget, ui.BankVTargetlbl},
            {"FV", &LaserState::fetVoltage, ui.FETVoltagelbl},
            {"AB:FDRO", &LaserState::fetDropVoltage, ui.FETVDroplbl},
            {"AB:FDRA", &LaserState::fetDrainVoltage, ui.FETVDrainlbl},
            {"AB:FSOU", &LaserState::fetSourceVoltage, ui.FETVSourcelbl},
        };
        for (const auto &voltage : voltages) {
            pollReadOut(voltage.query, voltage.field, voltage.readOut, " V");
            if (pollMustStop())
                return;
        }
    }

    pollReadOut("FT", &LaserState::fetTemperature, ui.FETTemplbl, " C");
    if (pollMustStop())
        return;
    pollReadOut("IM", &LaserState::diodeCurrentMeasured, ui.DiodeCurrentlbl, " A");
    ui.TargetCurrentlbl->setText(twoDecimalText(state.diodeCurrent) + QStringLiteral(" A"));
    if (pollMustStop())
        return;

    if (state.isMicroModel || state.isMiniModel) {
        const bool read = pollMeasurement("TR", &LaserState::resonatorTemp);
        if (read)
            ui.ResTempAlbl->setText(twoDecimalText(state.resonatorTemp) + QStringLiteral(" C"));
        if (pollMustStop())
            return;
        if (read && serviceWindowVisible() && state.chartDiodeTemp)
            addChartPoint(1, state.resonatorTemp);
    } else {
        pollReadOut("TA", &LaserState::resonatorTempA, ui.ResTempAlbl, " C");
        if (pollMustStop())
            return;
        pollReadOut("TB", &LaserState::resonatorTempB, ui.ResTempBlbl, " C");
        if (pollMustStop())
            return;
    }

    // A status word that was not read says nothing: the tiles, the fire and enable controls and
    // the fault latches stay as the last word left them, and an operator's action on the
    // controls is still honoured by the next word that is read.
    const std::optional<int32_t> word = comm->TryQueryInt(QStringLiteral("SS"));
    if (word)
        state.statusWord = *word;
    ui.SystemStatuslbl->setText(QStringLiteral("Status: ")
                                + (word ? QString::number(*word) : QStringLiteral("unknown")));
    if (pollMustStop())
        return;

    if (word) {
        const uint32_t status = uint32_t(*word);
        state.firing = status & StatusBit::Firing;
        if (!state.firing && state.diodeTrigger == 0)
            state.fireRequested = false;
        fire.followStatusWord(status);
        showStatusTiles(status);
        announceFaults(status);
        if (pollMustStop())
            return;
    }

    if (++state.setpointPollCount > 2) {
        state.setpointRefreshDue = true;
        state.setpointPollCount = 0;
    }
    if ((state.hasHeater0 || state.hasHeater1 || state.hasHeater2) && serviceWindowVisible())
        state.chartSeconds += 2;
    if (!pollHeaters())
        return;
    state.setpointRefreshDue = false;

    appendDataRow();
    if (word)
        CheckFireEnableState();
}

void TMainForm::showStatusTiles(uint32_t status)
{
    for (int bit = 0; bit < StatusTileCount; ++bit)
        ui.StatusInd[size_t(bit)]->setFillColour((status & (1u << bit)) ? SetBitColour : ClearBitColour);
}

// A fault is announced once per episode: until an update finds its bits clear again.
void TMainForm::announceFaults(uint32_t status)
{
    if (status & (StatusBit::DiodeTempFault | StatusBit::ElectricalTempFault)) {
        if (!state.tempFaultShown) {
            state.tempFaultShown = true;
            desktop.message((status & StatusBit::DiodeTempFault) ? QStringLiteral("Temperature Fault - Diode")
                                                         : QStringLiteral("Temperature Fault - Electrical"));
            appendLogNote(QStringLiteral("Temperature Fault"));
        }
    } else {
        state.tempFaultShown = false;
    }
    if (status & StatusBit::PowerFail) {
        if (!state.electricalFaultShown) {
            state.electricalFaultShown = true;
            desktop.message(QStringLiteral("Electrical Fault"));
            appendLogNote(QStringLiteral("Electrical Fault"));
        }
    } else {
        state.electricalFaultShown = false;
    }
}

// Heaters 0 and 1 share the first label pair, so with both fitted it shows heater 1. Returns
// false when the poll had to stop.
bool TMainForm::pollHeaters()
{
    for (const HeaterRow &row : HeaterRows) {
        if (!(state.*row.present))
            continue;
        const bool secondPair = row.temperatureSeries == 3;
        QLabel *temperatureLabel = secondPair ? ui.Heater2Templbl : ui.Heater1Templbl;
        QLabel *targetLabel = secondPair ? ui.Heater2Targetlbl : ui.Heater1Targetlbl;

        const bool temperatureRead = pollMeasurement(row.temperatureQuery, row.temperature);
        if (pollMustStop())
            return false;
        // A temperature that was not read is neither shown nor charted; its set point point
        // goes with it, so that the two series stay in step.
        if (temperatureRead) {
            temperatureLabel->setText(QString::fromLatin1(row.temperaturePrefix)
                                      + twoDecimalText(state.*row.temperature) + QStringLiteral(" C"));
            if (serviceWindowVisible() && !state.chartDiodeTemp) {
                addChartPoint(row.temperatureSeries, state.*row.temperature);
                addChartPoint(row.setpointSeries, state.*row.setpoint);
            }
        }
        if (state.setpointRefreshDue) {
            const bool setpointRead = pollMeasurement(row.setpointQuery, row.setpoint);
            if (pollMustStop())
                return false;
            if (setpointRead)
                targetLabel->setText(QString::fromLatin1(row.targetPrefix) + twoDecimalText(state.*row.setpoint)
                                     + QStringLiteral(" C"));
        }
    }
    return true;
}

void TMainForm::UpdateVoltagesEnClick()
{
    state.autoUpdateVoltages = ui.UpdateVoltagesEn->isChecked();
}

} // namespace tovra
