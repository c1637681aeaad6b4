#pragma once

#include "laserconfig.h"

#include <QByteArray>

#include <map>

namespace tovra::sim {

// One operating setting of the controller: its value and the limits that clamp every new value.
struct Setting
{
    int decimals = 0; // replies show this many decimals; 0 means a whole number
    double value = 0;
    double minimum = 0;
    double maximum = 0;

    // Stores `requested` limited to the range (whole numbers rounded).
    void set(double requested);
    // Moves the upper limit, pulling the value down with it when needed.
    void setMaximum(double newMaximum);
    QByteArray format(double number) const;
};

using Settings = std::map<QByteArray, Setting>;

// The settings that a laser of this family with these options knows, at their power-up values.
Settings initialSettings(const LaserConfig &config);

} // namespace tovra::sim
