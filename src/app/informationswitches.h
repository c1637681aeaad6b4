#pragma once

#include <QStringList>

class QTextStream;

namespace tovra {

// "--version" and "--help": the two arguments that answer on standard output and end the program
// before any window, display or port is touched, so they work from a plain terminal. Every other
// argument keeps its meaning as a start switch (see startswitches.h) or is ignored.
class InformationSwitches
{
public:
    static constexpr const char *Version = "--version";
    static constexpr const char *Help = "--help";

    // Writes the answer to the first information switch among `arguments` and returns true;
    // returns false, writing nothing, when there is none.
    static bool answer(const QStringList &arguments, QTextStream &out);

    static QString versionText();
    static QString helpText();
};

} // namespace tovra
