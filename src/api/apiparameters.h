#pragma once

#include "apibackend.h"

#include <optional>

namespace tovra {

struct LaserState;

// The operating parameters the connected laser has, as the API shows them: from the program's
// parameter table, named by their mnemonic ("RR") with the table's stable name as title
// ("rep_rate"), read from the laser state, with the range in force (the laser's limits once read,
// else the design range).
QList<ApiParameter> apiParameters(const LaserState &state);

// What a new value of the parameter `name` (its mnemonic or its stable name) becomes: the command
// as the window's control sends it ("RR 20.0", "DC 05.50", "AT:AP 50.00" on a small laser), after
// the value is kept in the laser state. Nothing for a parameter the connected laser does not have.
std::optional<QString> storeParameter(LaserState &state, const QString &name, double value);

} // namespace tovra
