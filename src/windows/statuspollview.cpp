// The main window's side of the status poll: the timer's handlers hand over to the poll, and the
// poll's read-outs, tiles and controls are the window's widgets.

#include "mainform.h"

#include "labeledreadout.h"
#include "serviceform.h"
#include "stalelook.h"
#include "statusindicator.h"

#include "statuscolours.h"
#include "statusword.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>

namespace tovra {

void TMainForm::StatusTimerTimer()
{
    program.statusTick();
}

void TMainForm::UpdateStatus()
{
    program.updateStatus();
}

void TMainForm::UpdateVoltagesEnClick()
{
    program.setVoltagesPolled(ui.UpdateVoltagesEn->isChecked());
}

void TMainForm::showReadOut(ReadOut which, const QString &text)
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

void TMainForm::showStatusTiles(uint32_t statusWord)
{
    for (int bit = 0; bit < StatusTileCount; ++bit)
        ui.StatusInd[size_t(bit)]->setFillColour((statusWord & (1u << bit)) ? SetBitColour : ClearBitColour);
}

bool TMainForm::serviceWindowVisible() const
{
    return ServiceForm->isVisible();
}

bool TMainForm::chartsDiodeTemperature() const
{
    return ServiceForm->chartsDiodeTemperature();
}

void TMainForm::addChartPoint(int series, double value)
{
    ServiceForm->addChartPoint(series, value);
}

void TMainForm::openUnlockedServiceWindow()
{
    ui.ServiceWindowMenu->setVisible(true);
    openServiceWindow();
}

void TMainForm::showStale(const QString &statusText)
{
    ui.SystemStatuslbl->setText(statusText);
    setReadingsLive(false);
}

void TMainForm::showLive()
{
    setReadingsLive(true);
}

void TMainForm::setReadingsLive(bool live)
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
