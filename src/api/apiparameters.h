#pragma once

#include "apibackend.h"

#include <optional>

namespace tovra {

struct LaserState;

// The operating parameters of the connected laser's family as the API shows them, read from the
// laser state, with the ranges the laser's limits gave (the window's design ranges where the
// laser has none), and the command each new value becomes, formatted as the window's control
// formats it ("RR 20.0", "DC 05.50", "BC 12").
QList<ApiParameter> apiParameters(const LaserState &state);

struct ParameterCommand
{
    QString command; // "RR 20.0"
    // The laser state's field for the value, when the parameter has one.
    std::optional<std::function<void(LaserState &)>> store;
};
std::optional<ParameterCommand> commandFor(const LaserState &state, const QString &name, double value);

} // namespace tovra
