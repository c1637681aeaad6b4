#include "settingsformview.h"

#include "labeledreadout.h"
#include "mainformlayout.h"
#include "settingcontrols.h"

#include "laserstate.h"
#include "parametertable.h"
#include "statuscolours.h"
#include "statusword.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMovie>
#include <QPalette>

namespace tovra {

namespace {

int bottomOf(const QWidget *widget)
{
    return widget->y() + widget->height();
}

} // namespace

SettingsFormView::SettingsFormView(MainFormLayout &layout, SettingControls &settingControls, LaserState &laserState,
                                   Window windowActions)
    : ui(layout)
    , controls(settingControls)
    , state(laserState)
    , window(std::move(windowActions))
{
}

// The control takes the value silently. The laser state keeps what a spin edit or a check box
// took (a value outside the spin edit's range is limited); a list's index stays as the load kept
// it.
void SettingsFormView::showSetting(Setting setting, double value)
{
    const double shown = controls.show(setting, value);
    if (!controls.choice(setting) && findParameter(setting))
        storeValue(state, setting, shown);
}

LimitRange SettingsFormView::limits(Setting setting) const
{
    return controls.limits(setting);
}

// A value the new range excludes is limited in the control, and the laser state keeps it.
void SettingsFormView::setLimits(Setting setting, LimitRange range)
{
    if (controls.setLimits(setting, range))
        storeValue(state, setting, controls.value(setting));
}

void SettingsFormView::setSettingEnabled(Setting setting, bool enabled)
{
    controls.widget(setting)->setEnabled(enabled);
}

// A control the last load could not read shows the value it had before, on an amber ground, and
// its tooltip says so; its own look and tooltip come back once a load reads the value.
void SettingsFormView::markUnread(Setting setting, bool unread)
{
    static const char *const markProperty = "tovraUnread";
    static const char *const ownPalette = "tovraOwnPalette";
    static const char *const ownToolTip = "tovraOwnToolTip";
    QWidget *control = controls.widget(setting);
    if (control->property(markProperty).toBool() == unread)
        return;
    control->setProperty(markProperty, unread);
    if (unread) {
        control->setProperty(ownPalette, QVariant::fromValue(control->palette()));
        control->setProperty(ownToolTip, control->toolTip());
        QPalette marked = control->palette();
        for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
            marked.setColor(role, UnreadSettingColour);
        control->setPalette(marked);
        const QString own = control->toolTip();
        control->setToolTip((own.isEmpty() ? QString() : own + QLatin1Char('\n')) + QString::fromLatin1(UnreadSettingToolTip));
    } else {
        control->setPalette(control->property(ownPalette).value<QPalette>());
        control->setToolTip(control->property(ownToolTip).toString());
    }
}

void SettingsFormView::setPartVisible(Part part, bool visible)
{
    switch (part) {
    case Part::ServiceWindowMenu:
        ui.ServiceWindowMenu->setVisible(visible);
        break;
    case Part::UnlockLaserMenu:
        ui.UnlockLaserMenu->setVisible(visible);
        break;
    case Part::HeaterGroup:
        ui.Heatergrp->setVisible(visible);
        break;
    case Part::HeaterRow1:
        ui.Heater1Targetlbl->setVisible(visible);
        ui.Heater1Templbl->setVisible(visible);
        break;
    case Part::HeaterRow2:
        ui.Heater2Targetlbl->setVisible(visible);
        ui.Heater2Templbl->setVisible(visible);
        break;
    case Part::AttenuatorGroup:
        ui.AttenGrp->setVisible(visible);
        break;
    case Part::EnergyModeGroup:
        ui.EnergyModegrp->setVisible(visible);
        break;
    case Part::EnhancedEnergyModeGroup:
        ui.EnhEnergyModegrp->setVisible(visible);
        break;
    }
}

void SettingsFormView::setText(Text text, const QString &value)
{
    switch (text) {
    case Text::WindowTitle:
        window.setTitle(value);
        break;
    case Text::SerialNumber:
        ui.SerialNumberlbl->setText(value);
        break;
    case Text::FirmwareVersion:
        ui.FWVersionlbl->setText(value);
        break;
    case Text::FpgaVersion:
        ui.FPGAVersionlbl->setText(value);
        break;
    case Text::ShotCount:
        ui.ShotCountlbl->setText(value);
        break;
    case Text::HeaterTarget1:
        ui.Heater1Targetlbl->setText(value);
        break;
    case Text::HeaterTarget2:
        ui.Heater2Targetlbl->setText(value);
        break;
    case Text::HeaterTemperature1:
        ui.Heater1Templbl->setText(value);
        break;
    }
}

void SettingsFormView::setStatusCaptions(const QStringList &captions)
{
    for (int bit = 0; bit < StatusTileCount; ++bit)
        ui.Statuslbl[size_t(bit)]->setText(captions.at(bit));
}

void SettingsFormView::showFamily(Family family)
{
    if (family != Family::Standard) {
        ui.DiodeCurrentGrp->hide();
        ui.DiodePulseWidthGrp->hide();
        ui.FPGAVersionlbl->hide();
        ui.SyncSettingsGrp->setEnabled(false);
        ui.SyncSettingsGrp->hide();
        ui.QSwitchSettingsGrp->setEnabled(false);
        ui.QSwitchSettingsGrp->hide();
        ui.ResTempBlbl->setVisible(false);
        ui.ResTempAlbl->setCaption(QStringLiteral("Diode Temp:"));
        for (QAction *item : {ui.SaveBin[4], ui.SaveBin[5], ui.RestoreBin[4], ui.RestoreBin[5]})
            item->setVisible(false);
    } else {
        ui.FPGAVersionlbl->show();
    }
    ui.TovraMovie->jumpToFrame(MainFormLayout::idleAnimationFrame);
    ui.microLogo->setVisible(family == Family::Micro);
    ui.miniLogo->setVisible(family == Family::Mini);
}

void SettingsFormView::arrangeForSmallFamily(bool hasAttenuator, bool hasEnhancedEnergy)
{
    ui.SystemSettingsGrp->resize(ui.SystemSettingsGrp->width(), 195);
    ui.Temperaturegrp->move(ui.Temperaturegrp->x(), bottomOf(ui.SystemSettingsGrp) + 2);
    ui.FETTemplbl->move(ui.FETTemplbl->x(), ui.ResTempBlbl->y());
    ui.DiodeSettingsGrp->resize(ui.DiodeSettingsGrp->width(), 139);
    ui.DiodeTriggerGrp->move(ui.DiodeTriggerGrp->x(), ui.DiodeCurrentGrp->y());
    ui.Currentgrp->move(ui.DiodeSettingsGrp->x(), bottomOf(ui.DiodeSettingsGrp) + 1);
    ui.ShotCountgrp->move(ui.ShotCountgrp->x(), bottomOf(ui.Currentgrp) + 1);
    ui.Voltagegrp->move(ui.Voltagegrp->x(), ui.DiodeSettingsGrp->y());
    ui.Heatergrp->move(ui.Heatergrp->x(), bottomOf(ui.Voltagegrp) + 2);
    ui.Heatergrp->resize(ui.Heatergrp->width(), ui.Heatergrp->height() - 2 * ui.Heater2Targetlbl->height());
    ui.SystemInfoGrp->setGeometry(ui.Heatergrp->x(), bottomOf(ui.Heatergrp) + 2, ui.Heatergrp->width(), 56);
    if (hasAttenuator) {
        ui.TerminalBoxgrp->move(ui.TerminalBoxgrp->x(), bottomOf(ui.Temperaturegrp) + 1);
        ui.AttenGrp->setGeometry(ui.Voltagegrp->x(), ui.TerminalBoxgrp->y(), ui.Voltagegrp->width(), ui.AttenGrp->height());
        ui.AttenGrp->show();
        if (hasEnhancedEnergy)
            ui.EnhEnergyModegrp->setGeometry(ui.AttenGrp->x(), bottomOf(ui.AttenGrp) + 1, ui.AttenGrp->width(),
                                             ui.EnhEnergyModegrp->height());
        else
            ui.EnhEnergyModegrp->move(ui.Voltagegrp->x(), bottomOf(ui.Temperaturegrp) + 1);
    } else {
        ui.TerminalBoxgrp->move(ui.TerminalBoxgrp->x(), bottomOf(ui.Temperaturegrp) + 1);
        ui.EnhEnergyModegrp->move(ui.Voltagegrp->x(), bottomOf(ui.Temperaturegrp) + 1);
    }
    window.setOuterHeight(600);
}

void SettingsFormView::setOuterWidth(int width)
{
    window.setOuterWidth(width);
}

void SettingsFormView::noteInLog(const QString &line)
{
    window.noteInLog(line);
}

} // namespace tovra
