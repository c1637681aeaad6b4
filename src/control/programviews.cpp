#include "programviews.h"

#include "parametertable.h"

namespace tovra {

void SettingsLoadViewStandIn::showSetting(Setting setting, double value)
{
    if (window)
        window->showSetting(setting, value);
    onSetting(setting, value);
}

LimitRange SettingsLoadViewStandIn::limits(Setting setting) const
{
    if (window)
        return window->limits(setting);
    const auto applied = ranges.find(setting);
    return applied != ranges.end() ? applied->second : parameter(setting).designRange;
}

void SettingsLoadViewStandIn::setLimits(Setting setting, LimitRange range)
{
    ranges[setting] = range;
    if (window)
        window->setLimits(setting, range);
}

void SettingsLoadViewStandIn::setSettingEnabled(Setting setting, bool enabled)
{
    if (window)
        window->setSettingEnabled(setting, enabled);
}

void SettingsLoadViewStandIn::markUnread(Setting setting, bool unread)
{
    if (window)
        window->markUnread(setting, unread);
}

void SettingsLoadViewStandIn::setPartVisible(Part part, bool visible)
{
    if (window)
        window->setPartVisible(part, visible);
}

void SettingsLoadViewStandIn::setText(Text text, const QString &value)
{
    if (window)
        window->setText(text, value);
}

void SettingsLoadViewStandIn::setStatusCaptions(const QStringList &captions)
{
    if (window)
        window->setStatusCaptions(captions);
}

void SettingsLoadViewStandIn::showFamily(Family family)
{
    if (window)
        window->showFamily(family);
}

void SettingsLoadViewStandIn::arrangeForSmallFamily(bool hasAttenuator, bool hasEnhancedEnergy)
{
    if (window)
        window->arrangeForSmallFamily(hasAttenuator, hasEnhancedEnergy);
}

void SettingsLoadViewStandIn::setOuterWidth(int width)
{
    if (window)
        window->setOuterWidth(width);
}

void SettingsLoadViewStandIn::noteInLog(const QString &line)
{
    if (window)
        window->noteInLog(line);
    else
        logNote(line);
}

void StatusPollViewStandIn::showReadOut(ReadOut which, const QString &text)
{
    if (window)
        window->showReadOut(which, text);
}

void StatusPollViewStandIn::showStatusTiles(uint32_t statusWord)
{
    onStatusWord(statusWord);
    if (window)
        window->showStatusTiles(statusWord);
}

bool StatusPollViewStandIn::serviceWindowVisible() const
{
    return window && window->serviceWindowVisible();
}

bool StatusPollViewStandIn::chartsDiodeTemperature() const
{
    return window && window->chartsDiodeTemperature();
}

void StatusPollViewStandIn::addChartPoint(int series, double value)
{
    if (window)
        window->addChartPoint(series, value);
}

void StatusPollViewStandIn::openUnlockedServiceWindow()
{
    if (window)
        window->openUnlockedServiceWindow();
}

void StatusPollViewStandIn::showStale(const QString &statusText)
{
    if (window)
        window->showStale(statusText);
    onLive(false);
}

void StatusPollViewStandIn::showLive()
{
    if (window)
        window->showLive();
    onLive(true);
}

void FireControlViewStandIn::showFiringLook()
{
    if (window)
        window->showFiringLook();
    onLook(true);
}

void FireControlViewStandIn::showReadyLook()
{
    if (window)
        window->showReadyLook();
    onLook(false);
}

void FireControlViewStandIn::setFireEnabled(bool enabled)
{
    if (window)
        window->setFireEnabled(enabled);
}

void FireControlViewStandIn::setEnableBoxEnabled(bool enabled)
{
    if (window)
        window->setEnableBoxEnabled(enabled);
}

bool FireControlViewStandIn::enableChecked() const
{
    return window ? window->enableChecked() : checked;
}

// The window's check box reports its own change to the handler; without one the change is
// reported here, after the mark has changed, as the box does.
void FireControlViewStandIn::setEnableChecked(bool check)
{
    if (window) {
        window->setEnableChecked(check);
        return;
    }
    if (checked == check)
        return;
    checked = check;
    toggled();
}

void RecordFilesViewStandIn::setRecordChecked(RecordKind kind, bool checked)
{
    if (window)
        window->setRecordChecked(kind, checked);
}

void RecordFilesViewStandIn::showRecording(RecordKind kind, const QString &fileName)
{
    if (window)
        window->showRecording(kind, fileName);
}

void ScriptSettingViewStandIn::showScriptSetting(const ScriptSetting &setting)
{
    if (window)
        window->showScriptSetting(setting);
    onSetting(setting);
}

void TerminalViewStandIn::appendTrafficLine(const QString &line, TrafficDirection direction)
{
    if (window)
        window->appendTrafficLine(line, direction);
    onLine(line, direction);
}

void TerminalViewStandIn::clearTraffic()
{
    if (window)
        window->clearTraffic();
}

} // namespace tovra
