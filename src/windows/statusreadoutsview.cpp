#include "statusreadoutsview.h"

#include "labeledreadout.h"
#include "mainformlayout.h"
#include "serviceform.h"
#include "stalelook.h"
#include "statusindicator.h"

#include "statuscolours.h"
#include "statusword.h"

#include <QAction>
#include <QLabel>

namespace tovra {

void StatusReadoutsView::showReadOut(ReadOut which, const QString &text)
{
    switch (which) {
    case ReadOut::ShotCount:
        return ui.ShotCountlbl->setText(text);
    case ReadOut::UserCount:
        return ui.UserCountlbl->setText(text);
    case ReadOut::BankVoltage:
        return ui.BankVoltagelbl->setText(text);
    case ReadOut::BankVoltageTarget:
        return ui.BankVTargetlbl->setText(text);
    case ReadOut::FetVoltage:
        return ui.FETVoltagelbl->setText(text);
    case ReadOut::FetDropVoltage:
        return ui.FETVDroplbl->setText(text);
    case ReadOut::FetDrainVoltage:
        return ui.FETVDrainlbl->setText(text);
    case ReadOut::FetSourceVoltage:
        return ui.FETVSourcelbl->setText(text);
    case ReadOut::FetTemperature:
        return ui.FETTemplbl->setText(text);
    case ReadOut::DiodeCurrent:
        return ui.DiodeCurrentlbl->setText(text);
    case ReadOut::TargetCurrent:
        return ui.TargetCurrentlbl->setText(text);
    case ReadOut::ResonatorTempA:
        return ui.ResTempAlbl->setText(text);
    case ReadOut::ResonatorTempB:
        return ui.ResTempBlbl->setText(text);
    case ReadOut::StatusWord:
        return ui.SystemStatuslbl->setText(text);
    case ReadOut::FirstHeaterTemp:
        return ui.Heater1Templbl->setText(text);
    case ReadOut::FirstHeaterTarget:
        return ui.Heater1Targetlbl->setText(text);
    case ReadOut::SecondHeaterTemp:
        return ui.Heater2Templbl->setText(text);
    case ReadOut::SecondHeaterTarget:
        return ui.Heater2Targetlbl->setText(text);
    }
}

void StatusReadoutsView::showStatusTiles(uint32_t statusWord)
{
    for (int bit = 0; bit < StatusTileCount; ++bit)
        ui.StatusInd[size_t(bit)]->setFillColour((statusWord & (1u << bit)) ? SetBitColour : ClearBitColour);
}

bool StatusReadoutsView::serviceWindowVisible() const
{
    return service.isVisible();
}

bool StatusReadoutsView::chartsDiodeTemperature() const
{
    return service.chartsDiodeTemperature();
}

void StatusReadoutsView::addChartPoint(int series, double value)
{
    service.addChartPoint(series, value);
}

void StatusReadoutsView::openUnlockedServiceWindow()
{
    ui.ServiceWindowMenu->setVisible(true);
    service.ServiceInitialize();
    service.show();
}

void StatusReadoutsView::showStale(const QString &statusText)
{
    ui.SystemStatuslbl->setText(statusText);
    setReadingsLive(false);
}

void StatusReadoutsView::showLive()
{
    setReadingsLive(true);
}

void StatusReadoutsView::setReadingsLive(bool live)
{
    const QList<QWidget *> readings = {
        ui.ShotCountlbl,   ui.UserCountlbl,     ui.BankVoltagelbl,   ui.BankVTargetlbl, ui.FETVoltagelbl,
        ui.FETVDroplbl,    ui.FETVDrainlbl,     ui.FETVSourcelbl,    ui.FETTemplbl,     ui.DiodeCurrentlbl,
        ui.TargetCurrentlbl, ui.ResTempAlbl,    ui.ResTempBlbl,      ui.Heater1Templbl, ui.Heater1Targetlbl,
        ui.Heater2Templbl, ui.Heater2Targetlbl,
    };
    for (QWidget *reading : readings)
        setStaleLook(reading, !live);
    for (StatusIndicator *tile : ui.StatusInd)
        tile->setStale(!live);
}

} // namespace tovra
