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

double TMainForm::pollFloat(const char *query, QLineEdit *readOut, const char *unit)
{
    const double value = comm->QueryFloat(QString::fromLatin1(query));
    if (readOut)
        readOut->setText(twoDecimalText(value) + QString::fromLatin1(unit));
    return value;
}

void TMainForm::UpdateStatus()
{
    if (!ComPort->Open()) {
        if (desktop.warning(QStringLiteral("Port no longer available, restart?"), ButtonSet::YesNo) == Button::Yes)
            RestartApp();
        else
            ExitApp();
    }
    if (pollMustStop())
        return;

    state.shotCount = comm->QueryCount(QStringLiteral("SC"));
    ui.ShotCountlbl->setText(QStringLiteral("Shot Count: ") + counterText(state.shotCount));
    if (pollMustStop())
        return;
    state.userCount = comm->QueryCount(QStringLiteral("UC"));
    ui.UserCountlbl->setText(QStringLiteral("User Count: ") + counterText(state.userCount));
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
            state.*voltage.field = pollFloat(voltage.query, voltage.readOut, " V");
            if (pollMustStop())
                return;
        }
    }

    state.fetTemperature = pollFloat("FT", ui.FETTemplbl, " C");
    if (pollMustStop())
        return;
    state.diodeCurrentMeasured = pollFloat("IM", nullptr, "");
    ui.TargetCurrentlbl->setText(twoDecimalText(state.diodeCurrent) + QStringLiteral(" A"));
    ui.DiodeCurrentlbl->setText(twoDecimalText(state.diodeCurrentMeasured) + QStringLiteral(" A"));
    if (pollMustStop())
        return;

    if (state.isMicroModel || state.isMiniModel) {
        state.resonatorTemp = pollFloat("TR", ui.ResTempAlbl, " C");
        if (pollMustStop())
            return;
        if (serviceWindowVisible() && state.chartDiodeTemp)
            addChartPoint(1, state.resonatorTemp);
    } else {
        state.resonatorTempA = pollFloat("TA", ui.ResTempAlbl, " C");
        if (pollMustStop())
            return;
        state.resonatorTempB = pollFloat("TB", ui.ResTempBlbl, " C");
        if (pollMustStop())
            return;
    }

    state.statusWord = comm->QueryInt(QStringLiteral("SS"));
    ui.SystemStatuslbl->setText(QStringLiteral("Status: ") + QString::number(state.statusWord));
    if (pollMustStop())
        return;

    const uint32_t status = uint32_t(state.statusWord);
    state.firing = status & StatusBit::Firing;
    if (!state.firing && state.diodeTrigger == 0)
        state.fireRequested = false;
    synchroniseFireAndEnable(status);
    showStatusTiles(status);
    announceFaults(status);
    if (pollMustStop())
        return;

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
    CheckFireEnableState();
}

// The fire button, the animation and the enable box follow the status word, except in the one
// update after an operator action on them.
void TMainForm::synchroniseFireAndEnable(uint32_t status)
{
    if (state.skipStatusSync) {
        state.skipStatusSync = false;
        return;
    }
    if (state.diodeTrigger == 0) {
        if (status & StatusBit::Firing) {
            showFiringLook();
        } else {
            showReadyLook();
        }
    }
    if (!(status & StatusBit::Enabled) && ui.LaserEnableBtn->isChecked()) {
        state.enableDropped = true;
        ui.LaserEnableBtn->setEnabled(false);
        ui.LaserEnableBtn->setChecked(false);
        ui.LaserEnableBtn->setEnabled(true);
    }
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

        state.*row.temperature = comm->QueryFloat(QString::fromLatin1(row.temperatureQuery));
        if (pollMustStop())
            return false;
        temperatureLabel->setText(QString::fromLatin1(row.temperaturePrefix) + twoDecimalText(state.*row.temperature)
                                  + QStringLiteral(" C"));
        if (serviceWindowVisible() && !state.chartDiodeTemp) {
            addChartPoint(row.temperatureSeries, state.*row.temperature);
            addChartPoint(row.setpointSeries, state.*row.setpoint);
        }
        if (state.setpointRefreshDue) {
            state.*row.setpoint = comm->QueryFloat(QString::fromLatin1(row.setpointQuery));
            if (pollMustStop())
                return false;
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
