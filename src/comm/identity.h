#pragma once

#include <QString>

namespace tovra {

struct LaserState;

// The accepted model names, in the order the connection scan compares them.
inline constexpr const char *AcceptedModelNames[] = {"Tovra", "uTovra", "MicroTovra", "MiniTovra", "miniTovra"};

bool isAcceptedModelName(const QString &modelName);

// Splits the reply to "ID" ("RZ,Tovra,1042,1.2.7-1.25.0.3") into the identity fields and model
// family flags of `state`. A reply of ten characters or fewer clears the identity and keeps the
// family; a serial number that is not an integer ends the parse after the model name; a model
// name outside the known families stores maker, model and serial number only.
void parseIdentityReply(const QString &reply, LaserState &state);

} // namespace tovra
