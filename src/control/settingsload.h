#pragma once

// The identity of the connected laser and the load of its settings, without a window: the only
// place where the program reads the laser's configuration. What the load finds goes to the laser
// state and, through a small view, to the window.

#include "parametertable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace tovra {

class Communication;
struct LaserState;

// What the load shows. The window implements it; tests record it.
class SettingsLoadView
{
public:
    using Setting = tovra::Setting;
    // Parts shown only when the laser has what they serve.
    enum class Part {
        ServiceWindowMenu, UnlockLaserMenu, HeaterGroup, HeaterRow1, HeaterRow2, AttenuatorGroup,
        EnergyModeGroup, EnhancedEnergyModeGroup,
    };
    enum class Text {
        WindowTitle, SerialNumber, FirmwareVersion, FpgaVersion, ShotCount, HeaterTarget1, HeaterTarget2,
        HeaterTemperature1,
    };
    enum class Family { Standard, Micro, Mini };

    virtual ~SettingsLoadView() = default;

    // Shows a setting's value (a choice's index; 1 or 0 for a check box) without sending
    // anything to the laser.
    virtual void showSetting(Setting setting, double value) = 0;
    // The range a limited control has now.
    virtual LimitRange limits(Setting setting) const = 0;
    // Gives a limited control a new range (maximum first), without sending anything.
    virtual void setLimits(Setting setting, LimitRange range) = 0;
    virtual void setSettingEnabled(Setting setting, bool enabled) = 0;
    // Marks a control whose value the last load could not read (it shows what it showed before),
    // or takes the mark off once a load has read it.
    virtual void markUnread(Setting setting, bool unread) = 0;
    virtual void setPartVisible(Part part, bool visible) = 0;
    virtual void setText(Text text, const QString &value) = 0;
    // One caption per status tile, in bit order.
    virtual void setStatusCaptions(const QStringList &captions) = 0;
    // The fixed look of a family: the groups and labels it lacks hidden, its logo, the animation
    // at rest, the settings bins it has.
    virtual void showFamily(Family family) = 0;
    // Closes the window up around the groups a micro or mini laser keeps; asked once per run.
    virtual void arrangeForSmallFamily(bool hasAttenuator, bool hasEnhancedEnergy) = 0;
    virtual void setOuterWidth(int width) = 0;
    // A note in the communication log, when one is kept.
    virtual void noteInLog(const QString &line) = 0;
};

// "PW": the mini family's password lock.
enum class PasswordLock { Absent, Unlocked, Locked };
PasswordLock queryPasswordLock(Communication &comm);

// A heater's target label text ("Heater 1 Target:  45.00 C"), as the load and the service window show it.
QString heaterTargetText(int heater, double setpoint);

class SettingsLoad
{
public:
    // Takes the limited controls' present ranges as their design ranges: they stay whenever the
    // laser's own limits cannot be used.
    SettingsLoad(Communication &exchange, LaserState &laserState, SettingsLoadView &loadView);

    // Asks "ID" and keeps the identity and family in the laser state.
    void identify();
    // The whole load, with commands inhibited throughout. `programVersion` and `port` go into the
    // window title.
    void run(const QString &programVersion, int port);
    // A status word was read: the check boxes whose own reply the load could not read (Laser
    // Enable, Q-Switch Enable) take their state from it, without sending anything.
    void followStatusWord(uint32_t status);
    // The operator set a check box: it shows the operator's choice, no longer a value unread.
    void settingSetByOperator(SettingsLoadView::Setting setting);

private:
    using Setting = SettingsLoadView::Setting;
    using Part = SettingsLoadView::Part;
    using Text = SettingsLoadView::Text;
    struct LimitReply
    {
        QString name;
        std::optional<double> value;
    };

    void showDemoIdentity(const QString &programVersion);
    void showIdentity(const QString &programVersion, int port);
    LimitRange usableLimits(Setting setting, const LimitReply &minimum, const LimitReply &maximum);
    void loadLimitedSettings();
    void loadModesAndTriggers();
    void loadHeater0();
    void loadAttenuator();
    void loadSmallFamily();
    void loadFullSizeFamily();
    bool loadExtraHeater(int heater, Part row, Text target, double &setpoint);
    void loadPasswordLock();
    // Asks one setting; a reply that was not read leaves the control as it was, marked, with a note.
    std::optional<double> readSetting(Setting setting, const QString &mnemonic, bool whole);
    void loadSetting(Setting setting);
    void loadCheckBox(Setting setting);
    void loadHeaterSetpoint(int heater, Text target, double &setpoint);
    void noteNotRead(const QString &mnemonic, const QString &shownBy);

    Communication &comm;
    LaserState &state;
    SettingsLoadView &view;
    std::map<Setting, LimitRange> designRanges;
    // Check boxes left unread by the last load, waiting for a status word to follow.
    std::set<Setting> boxesToFollow;
    // The window closes up around a small laser's groups once per run.
    bool arrangedForSmallFamily = false;
};

} // namespace tovra
