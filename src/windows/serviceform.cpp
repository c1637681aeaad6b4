#include "serviceform.h"

#include "desktop.h"
#include "displayformat.h"
#include "frameextent.h"
#include "laserstate.h"
#include "parametertable.h"
#include "plusspinedit.h"
#include "screenfit.h"
#include "temperaturechart.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace tovra {

namespace {

// The window without the chart.
constexpr QSize narrowOuterSize(330, 464);

} // namespace

TServiceForm::TServiceForm(ServiceHost &serviceHost, LaserState &laserState, Desktop &desktopSeam, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , host(serviceHost)
    , state(laserState)
    , desktop(desktopSeam)
{
    ui.setupUi(this);
    connectControls();
}

void TServiceForm::connectControls()
{
    const struct
    {
        TPlusSpinEdit *control;
        void (TServiceForm::*handler)();
    } spins[] = {
        {ui.MaxRepRateAdj, &TServiceForm::MaxRepRateAdjChange},
        {ui.MaxDiodeCurrentAdj, &TServiceForm::MaxDiodeCurrentAdjChange},
        {ui.MaxDiodePulseWidthAdj, &TServiceForm::MaxDiodePulseWidthAdjChange},
        {ui.MaxQSWDelayAdj, &TServiceForm::MaxQSWDelayAdjChange},
        {ui.Heater0TempAdj, &TServiceForm::Heater0TempAdjChange},
        {ui.Heater1TempAdj, &TServiceForm::Heater1TempAdjChange},
        {ui.Heater2TempAdj, &TServiceForm::Heater2TempAdjChange},
        {ui.DiodeCurrentAdj, &TServiceForm::DiodeCurrentAdjChange},
        {ui.DiodePulseWidthAdj, &TServiceForm::DiodePulseWidthAdjChange},
    };
    for (const auto &spin : spins)
        connect(spin.control, &TPlusSpinEdit::OnChange, this, spin.handler);
    connect(ui.Refreshbtn, &QPushButton::clicked, this, &TServiceForm::RefreshbtnClick);
    connect(ui.ClearShotCountbtn, &QPushButton::clicked, this, &TServiceForm::ClearShotCountbtnClick);
    connect(ui.SaveBin0btn, &QPushButton::clicked, this, &TServiceForm::SaveBin0btnClick);
    connect(ui.SaveAllBinsbtn, &QPushButton::clicked, this, &TServiceForm::SaveAllBinsbtnClick);
    connect(ui.LSCSleepbtn, &QPushButton::clicked, this, &TServiceForm::LSCSleepbtnClick);
    connect(ui.ClearChartbtn, &QPushButton::clicked, this, &TServiceForm::ClearChartbtnClick);
    connect(ui.SaveChartbtn, &QPushButton::clicked, this, &TServiceForm::SaveChartbtnClick);
    connect(ui.DiodeTempEn, &QCheckBox::toggled, this, &TServiceForm::DiodeTempEnClick);
}

// Loads the window from the laser state. The values go into the controls silently, so that no
// handler runs and nothing is queued; where a control limits a value, the laser state keeps what
// the control took, and a changed maximum or heater target shows in the host as well.
void TServiceForm::ServiceInitialize()
{
    host.sendDirectly(QStringLiteral("SEC ") + ServiceCode);
    for (const LimitEdit &limit : limitEdits()) {
        double &maximum = state.*parameter(limit.setting).maximum;
        if (writeSilently(*limit.edit, maximum)) {
            maximum = limit.edit->Value();
            host.showMaximum(limit.setting, maximum);
        }
    }
    const struct
    {
        TPlusSpinEdit *edit;
        double &setpoint;
    } heaters[] = {
        {ui.Heater0TempAdj, state.heater0Setpoint},
        {ui.Heater1TempAdj, state.heater1Setpoint},
        {ui.Heater2TempAdj, state.heater2Setpoint},
    };
    for (int heater = 0; heater < 3; ++heater) {
        if (!writeSilently(*heaters[heater].edit, heaters[heater].setpoint))
            continue;
        heaters[heater].setpoint = heaters[heater].edit->Value();
        host.showHeaterTarget(heater, heaters[heater].setpoint);
    }
    {
        const QSignalBlocker silent(ui.DiodeCurrentAdj);
        ui.DiodeCurrentAdj->setMaxValue(state.diodeCurrentMax);
    }
    writeSilently(*ui.DiodeCurrentAdj, state.diodeCurrent);
    state.diodeCurrent = ui.DiodeCurrentAdj->Value();
    writeSilently(*ui.DiodePulseWidthAdj, state.diodePulseWidth);
    state.diodePulseWidth = ui.DiodePulseWidthAdj->Value();

    const bool smallFamily = state.isMicroModel || state.isMiniModel;
    ui.QSWDelayGrp->setVisible(!smallFamily);
    ui.ServiceCurrentAdjgrp->setVisible(smallFamily);
    ui.ServiceDiodePulseWidthAdjgrp->setVisible(smallFamily);

    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series)
        ui.TempChart->setSeriesActive(series, false);
    const bool anyHeater = state.hasHeater0 || state.hasHeater1 || state.hasHeater2;
    ui.Chartgrp->setVisible(anyHeater);
    setOuterSize(anyHeater ? QSize(1026, 480) : narrowOuterSize);
    showHeaterControls(state.hasHeater0, ui.Heater0Tempgrp, 1, 4);
    showHeaterControls(state.hasHeater1, ui.Heater1Tempgrp, 2, 5);
    showHeaterControls(state.hasHeater2, ui.Heater2Tempgrp, 3, 6);
    ui.stackShownSpinGroups();
}

// Narrowed to the room beside the area down to the width of the window without its chart.
void TServiceForm::keepClearOf(std::function<QRect()> area)
{
    tovra::keepClearOf(this, std::move(area), narrowOuterSize.width());
}

void TServiceForm::showHeaterControls(bool present, QWidget *group, int temperatureSeries, int setpointSeries)
{
    group->setVisible(present);
    if (!present)
        return;
    ui.TempChart->setSeriesActive(temperatureSeries, true);
    ui.TempChart->setSeriesActive(setpointSeries, true);
}

// The window's outer size includes the title bar and borders the window system adds. They are
// known once the window is shown; until then a common frame is assumed, and showing the window
// sets the size again with its real frame.
void TServiceForm::setOuterSize(const QSize &outer)
{
    outerSize = outer;
    ui.resizeContents(outerSize - frameExtentOf(*this));
}

void TServiceForm::showEvent(QShowEvent *event)
{
    if (outerSize.isValid())
        ui.resizeContents(outerSize - frameExtentOf(*this));
    QWidget::showEvent(event);
}

// The limit edits of the settings whose maximum the service window calibrates.
QList<TServiceForm::LimitEdit> TServiceForm::limitEdits() const
{
    return {
        {ui.MaxRepRateAdj, Setting::RepRate},
        {ui.MaxDiodeCurrentAdj, Setting::DiodeCurrent},
        {ui.MaxDiodePulseWidthAdj, Setting::DiodePulseWidth},
        {ui.MaxQSWDelayAdj, Setting::QSwitchDelay},
    };
}

// True when the edit's value changed.
bool TServiceForm::writeSilently(TPlusSpinEdit &edit, double value)
{
    const double before = edit.Value();
    edit.setValueSilently(value);
    return edit.Value() != before;
}

// A calibration limit goes to the laser and becomes the host's limit for the setting.
void TServiceForm::changeLimit(Setting setting)
{
    const Parameter &row = parameter(setting);
    const QList<LimitEdit> edits = limitEdits();
    const auto edit = std::find_if(edits.cbegin(), edits.cend(),
                                   [setting](const LimitEdit &limit) { return limit.setting == setting; });
    state.*row.maximum = edit->edit->Value();
    host.queueCommand(row.calibrationCommand + QLatin1Char(' ') + argumentText(ArgumentFormat::SevenDecimals, state.*row.maximum));
    host.applyCalibratedMaximum(setting, state.*row.maximum);
}

void TServiceForm::MaxRepRateAdjChange()
{
    changeLimit(Setting::RepRate);
}

// The window's own diode current takes the new maximum too; a current it limits goes to the laser.
void TServiceForm::MaxDiodeCurrentAdjChange()
{
    changeLimit(Setting::DiodeCurrent);
    const double before = ui.DiodeCurrentAdj->Value();
    {
        const QSignalBlocker silent(ui.DiodeCurrentAdj);
        ui.DiodeCurrentAdj->setMaxValue(state.diodeCurrentMax);
    }
    if (ui.DiodeCurrentAdj->Value() != before)
        DiodeCurrentAdjChange();
}

// The service window's own pulse width keeps its design limit.
void TServiceForm::MaxDiodePulseWidthAdjChange()
{
    changeLimit(Setting::DiodePulseWidth);
}

void TServiceForm::MaxQSWDelayAdjChange()
{
    changeLimit(Setting::QSwitchDelay);
}

void TServiceForm::Heater0TempAdjChange()
{
    state.heater0Setpoint = ui.Heater0TempAdj->Value();
    host.queueCommand(QStringLiteral("H0:CAL:SP ") + oneDecimalArgument(state.heater0Setpoint));
    host.showHeaterTarget(0, state.heater0Setpoint);
}

void TServiceForm::Heater1TempAdjChange()
{
    state.heater1Setpoint = ui.Heater1TempAdj->Value();
    host.queueCommand(QStringLiteral("H1:CAL:SP ") + oneDecimalArgument(state.heater1Setpoint));
    host.showHeaterTarget(1, state.heater1Setpoint);
}

// Heater 2's target label follows at once too, like those of heaters 0 and 1, instead of
// waiting for the status poll's next set point read.
void TServiceForm::Heater2TempAdjChange()
{
    state.heater2Setpoint = ui.Heater2TempAdj->Value();
    host.queueCommand(QStringLiteral("H2:CAL:SP ") + sevenDecimalArgument(state.heater2Setpoint));
    host.showHeaterTarget(2, state.heater2Setpoint);
}

void TServiceForm::DiodeCurrentAdjChange()
{
    state.diodeCurrent = ui.DiodeCurrentAdj->Value();
    host.queueCommand(commandFor(Setting::DiodeCurrent, state.diodeCurrent, state));
    state.energyMode = 0;
}

void TServiceForm::DiodePulseWidthAdjChange()
{
    state.diodePulseWidth = ui.DiodePulseWidthAdj->Value();
    host.queueCommand(commandFor(Setting::DiodePulseWidth, state.diodePulseWidth, state));
}

void TServiceForm::RefreshbtnClick()
{
    ServiceInitialize();
}

// The shot counter is the laser's life record: clearing it is asked first, with the count
// that would be lost.
void TServiceForm::ClearShotCountbtnClick()
{
    const QString shots = state.shotCount == 1 ? QStringLiteral(" shot") : QStringLiteral(" shots");
    const QString question =
        QStringLiteral("Clear the shot counter (") + groupedCountText(state.shotCount) + shots + QStringLiteral(")?");
    if (desktop.question(question) == Button::Yes)
        host.queueCommand(QStringLiteral("SC:CL"));
}

void TServiceForm::SaveBin0btnClick()
{
    host.queueCommand(QStringLiteral("SV 0"));
}

// The small families have bins 1 to 4 only.
void TServiceForm::SaveAllBinsbtnClick()
{
    if (host.statusUpdating())
        return;
    const int lastBin = state.isMicroModel || state.isMiniModel ? 4 : 6;
    for (int bin = 1; bin <= lastBin; ++bin)
        host.queueCommand(QStringLiteral("SV ") + QString::number(bin));
}

void TServiceForm::LSCSleepbtnClick()
{
    host.queueRawLine(QStringLiteral(";LC:SL 406"));
}

void TServiceForm::ClearChartbtnClick()
{
    ui.TempChart->clearAll();
}

void TServiceForm::SaveChartbtnClick()
{
    ui.TempChart->saveBitmapAs(desktop);
}

// Unchecking only stops the diode points; the heater view comes back with the next Refresh or
// opening of the window.
void TServiceForm::DiodeTempEnClick()
{
    if (!chartsDiodeTemperature())
        return;
    ui.TempChart->showDiodeTemperatureOnly();
}

bool TServiceForm::chartsDiodeTemperature() const
{
    return ui.DiodeTempEn->isChecked();
}

void TServiceForm::addChartPoint(int series, double temperature)
{
    ui.TempChart->addPointNow(series, temperature);
}

} // namespace tovra
