#pragma once

#include "settingsload.h"

#include <functional>

namespace tovra {

class SettingControls;
struct LaserState;
struct MainFormLayout;

// What the settings load shows, on the main window: each setting in its control (written
// silently, the laser state keeping what the control took), the controls' ranges and marks, the
// parts a family has, the identity's texts, the small families' arrangement.
class SettingsFormView : public SettingsLoadView
{
public:
    // What of the window itself the load changes.
    struct Window
    {
        std::function<void(const QString &)> setTitle;
        std::function<void(int)> setOuterWidth;
        std::function<void(int)> setOuterHeight;
        std::function<void(const QString &)> noteInLog;
    };

    SettingsFormView(MainFormLayout &layout, SettingControls &settingControls, LaserState &laserState,
                     Window windowActions);

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
    MainFormLayout &ui;
    SettingControls &controls;
    LaserState &state;
    const Window window;
};

} // namespace tovra
