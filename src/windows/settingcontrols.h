#pragma once

#include "parametertable.h"

#include <QList>

class QCheckBox;
class QComboBox;
class QWidget;

namespace tovra {

struct LaserState;
struct MainFormLayout;
class TPlusSpinEdit;

// The main window's control of each setting: the one place where the windows layer maps a
// setting to its widget. What the program writes into a control goes in with the control's
// signals blocked, so that no operator's handler runs and nothing is sent; the caller keeps what
// the control took (a value clamped to its range) in the laser state.
class SettingControls
{
public:
    explicit SettingControls(const MainFormLayout &ui);

    struct Control
    {
        Setting setting;
        TPlusSpinEdit *spinEdit = nullptr;
        QComboBox *choice = nullptr;
        QCheckBox *checkBox = nullptr;
    };
    const QList<Control> &all() const { return controls; }

    TPlusSpinEdit *spinEdit(Setting setting) const { return find(setting).spinEdit; }
    QComboBox *choice(Setting setting) const { return find(setting).choice; }
    QCheckBox *checkBox(Setting setting) const { return find(setting).checkBox; }
    QWidget *widget(Setting setting) const;

    // The control's value: a spin edit's, a list's item index, 1 or 0 for a check box.
    double value(Setting setting) const;
    // Writes the value silently and returns what the control took: a spin edit keeps a value
    // inside its range; a list shows no item for an index outside its items.
    double show(Setting setting, double value);
    LimitRange limits(Setting setting) const;
    // Gives a spin edit a new range (maximum first) silently; true when that moved its value.
    bool setLimits(Setting setting, LimitRange range);
    bool setMaximum(Setting setting, double maximum);
    // The pulse mode can be chosen only while the laser's diode trigger leaves it free.
    void followDiodeTrigger(const LaserState &state);

private:
    const Control &find(Setting setting) const;

    QList<Control> controls;
};

} // namespace tovra
