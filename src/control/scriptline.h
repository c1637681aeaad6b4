#pragma once

#include <QString>

#include <optional>

namespace tovra {

// A line from a script as the laser reads it: control characters and leading blanks do not
// count, an address (";LA:", ";LC:", any ";..:") is skipped, the mnemonic is taken in upper case
// and a command's argument is what follows the first blank. A line ending in "?" is a query; a
// bare mnemonic reads as one too.
struct ScriptLine
{
    QString mnemonic;
    std::optional<QString> argument; // present for commands, without surrounding blanks
    bool isQuery = false;

    static ScriptLine read(const QString &line);
};

// What a line asks of the beam, read as the laser reads it (address, blanks, letter case and
// leading zeros make no difference): a stop is "FL" or "EN" with an argument of value zero ("FL 0",
// " fl 00", ";LC:EN 0"); firing or enabling is "FL" or "EN" with any other argument, unreadable
// ones included ("FL 1", "fl 01", "EN x"). Every path that sends lines to the laser judges them
// by this one rule: stop lines get the Stop button's treatment, firing or enabling lines are
// withdrawn by a stop and need the operator's permission when a script sends them.
enum class LineKind { Stop, FiringOrEnabling, Other };
LineKind classifyLine(const QString &line);

// True for a line that may start firing or enable the laser.
inline bool mayStartFiring(const QString &line)
{
    return classifyLine(line) == LineKind::FiringOrEnabling;
}

// A setting the window shows, set by a script's line ("RR 20" sets "RR" to 20).
struct ScriptSetting
{
    QString mnemonic; // "AT:AP" is given as "AT"
    double value = 0;
};

// The setting that `line` makes, when it is one of the parameter setters with a number.
std::optional<ScriptSetting> settingOf(const QString &line);

// The setting that a line sent as typed (by a script or in the terminal) gave the laser: its
// setting when the laser took it, nothing when it answered no reply, "?" or an error.
std::optional<ScriptSetting> settingTakenBy(const QString &line, const QString &reply);

} // namespace tovra
