#pragma once

#include <QChar>
#include <QRect>

class QWidget;

namespace tovra {

class TPlusSpinEdit;

// How a window's numeric control is set up at creation.
struct SpinEditSettings
{
    int decimals;
    double increment;
    double minValue;
    double maxValue;
    double value;
    int leadingDigits;
    QChar separator; // QChar() for no grouping
};

// A numeric control in the windows' common look: borderless, black Tahoma 15 px, sized by its
// window rather than by itself. The value is set without a change report.
TPlusSpinEdit *createSpinEdit(QWidget *parent, const char *name, const SpinEditSettings &settings,
                              const QRect &geometry);

} // namespace tovra
