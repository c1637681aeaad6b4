#pragma once

#include <QString>

#include <cstdint>

namespace tovra {

// How the typed queries read a reply's text as a number, free of the port so that every rule can
// be checked (and fuzzed) on its own. An empty reply reads as "0"; otherwise characters of code 32
// or below are trimmed from both ends before converting. `ok` tells whether the text was such a
// number; the value is then meaningless.
int32_t intFromReply(const QString &reply, bool *ok);    // decimal, in the int32 range
double floatFromReply(const QString &reply, bool *ok);   // finite numbers only: "nan", "inf" fail
uint32_t countFromReply(const QString &reply, bool *ok); // decimal int64, its low 32 bits

} // namespace tovra
