#pragma once

#include "firecontrol.h"
#include "recordfiles.h"
#include "scriptbridge.h"
#include "settingsload.h"
#include "statuspoll.h"
#include "terminalview.h"

#include <functional>
#include <map>

namespace tovra {

// The views a window lends the program. Any of them may be null: that part is then shown nowhere.
struct ProgramViews
{
    SettingsLoadView *settings = nullptr;
    StatusPollView *poll = nullptr;
    FireControlView *fire = nullptr;
    RecordFilesView *records = nullptr;
    ScriptSettingView *scriptSettings = nullptr;
    TerminalView *terminal = nullptr;
};

// The program's parts hold their views for life, but a window comes after the program and may
// never come (no display, a control API only). Each part is therefore given one of these stand-ins:
// it forwards to the window's view while one is attached and otherwise keeps just what the program
// needs to read back (the enable box's check mark, the limited settings' ranges).

// Without a window notes go to the communication log; every value shown goes to `onSetting`,
// window or not.
class SettingsLoadViewStandIn : public SettingsLoadView
{
public:
    SettingsLoadViewStandIn(std::function<void(const QString &)> logNoteAction,
                            std::function<void(Setting, double)> settingAction)
        : logNote(std::move(logNoteAction))
        , onSetting(std::move(settingAction))
    {
    }
    void attach(SettingsLoadView *view) { window = view; }

    void showSetting(Setting setting, double value) override;
    LimitRange limits(Setting setting) const override;
    void setLimits(Setting setting, LimitRange range) override;
    void setSettingEnabled(Setting setting, bool enabled) override;
    void markUnread(Setting setting, bool unread) override;
    void setPartVisible(Part part, bool visible) override;
    void setText(Text text, const QString &value) override;
    void setStatusCaptions(const QStringList &captions) override;
    void showFamily(Family family) override;
    void arrangeForSmallFamily(bool hasAttenuator, bool hasEnhancedEnergy) override;
    void setOuterWidth(int width) override;
    void noteInLog(const QString &line) override;

private:
    SettingsLoadView *window = nullptr;
    const std::function<void(const QString &)> logNote;
    const std::function<void(Setting, double)> onSetting;
    // Without a window a setting keeps its design range (the parameter table's) until the laser's
    // own limits apply.
    std::map<Setting, LimitRange> ranges;
};

// Tells `onLive` when the read-outs turn stale or live again, window or not.
class StatusPollViewStandIn : public StatusPollView
{
public:
    // `statusWordAction` hears every status word shown, window or not.
    StatusPollViewStandIn(std::function<void(bool live)> liveAction, std::function<void(uint32_t)> statusWordAction)
        : onLive(std::move(liveAction))
        , onStatusWord(std::move(statusWordAction))
    {
    }
    void attach(StatusPollView *view) { window = view; }

    void showReadOut(ReadOut which, const QString &text) override;
    void showStatusTiles(uint32_t statusWord) override;
    bool serviceWindowVisible() const override;
    bool chartsDiodeTemperature() const override;
    void addChartPoint(int series, double value) override;
    void openUnlockedServiceWindow() override;
    void showStale(const QString &statusText) override;
    void showLive() override;

private:
    StatusPollView *window = nullptr;
    const std::function<void(bool live)> onLive;
    const std::function<void(uint32_t)> onStatusWord;
};

// Without a window the enable "box" behaves as the window's check box does: a change of its mark
// is reported as the operator's click would be (`toggled`), whoever made it. Every look shown goes
// to `onLook` (true: firing), window or not.
class FireControlViewStandIn : public FireControlView
{
public:
    FireControlViewStandIn(std::function<void()> toggledAction, std::function<void(bool firing)> lookAction)
        : toggled(std::move(toggledAction))
        , onLook(std::move(lookAction))
    {
    }
    void attach(FireControlView *view) { window = view; }

    void showFiringLook() override;
    void showReadyLook() override;
    void setFireEnabled(bool enabled) override;
    void setEnableBoxEnabled(bool enabled) override;
    bool enableChecked() const override;
    void setEnableChecked(bool checked) override;

private:
    FireControlView *window = nullptr;
    const std::function<void()> toggled;
    const std::function<void(bool firing)> onLook;
    bool checked = false;
};

class RecordFilesViewStandIn : public RecordFilesView
{
public:
    void attach(RecordFilesView *view) { window = view; }

    void setRecordChecked(RecordKind kind, bool checked) override;
    void showRecording(RecordKind kind, const QString &fileName) override;

private:
    RecordFilesView *window = nullptr;
};

// Every setting a typed line gave the laser also goes to `onSetting`, window or not.
class ScriptSettingViewStandIn : public ScriptSettingView
{
public:
    explicit ScriptSettingViewStandIn(std::function<void(const ScriptSetting &)> settingAction)
        : onSetting(std::move(settingAction))
    {
    }
    void attach(ScriptSettingView *view) { window = view; }

    void showScriptSetting(const ScriptSetting &setting) override;

private:
    ScriptSettingView *window = nullptr;
    const std::function<void(const ScriptSetting &)> onSetting;
};

// Also hands every traffic line to `onLine` (the program's signal), window or not.
class TerminalViewStandIn : public TerminalView
{
public:
    explicit TerminalViewStandIn(std::function<void(const QString &, TrafficDirection)> lineAction)
        : onLine(std::move(lineAction))
    {
    }
    void attach(TerminalView *view) { window = view; }

    void appendTrafficLine(const QString &line, TrafficDirection direction) override;
    void clearTraffic() override;

private:
    TerminalView *window = nullptr;
    const std::function<void(const QString &, TrafficDirection)> onLine;
};

} // namespace tovra
