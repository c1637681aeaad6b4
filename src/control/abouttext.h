#pragma once

#include <QString>

namespace tovra {

struct LaserState;

// The company behind a manufacturer code: only the exact code "RZ" is known.
QString companyName(const QString &manufacturerCode);

// The Help > About text: a heading line, the connected laser's identity and the program's file
// version, separated by "\r\n" with no line break at the end. Without a laser the identity fields
// are empty and the serial number is 0.
QString aboutText(const LaserState &state, const QString &fileVersion);

} // namespace tovra
