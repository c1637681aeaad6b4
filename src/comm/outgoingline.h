#pragma once

#include <QString>

namespace tovra {

// Who asked for a line, as the communication log names it: the window's controls and menus, the
// terminal, a script through the shared port, or an API client ("API api#3 (ramp.py)").
namespace LineSource {
inline QString window() { return QStringLiteral("window"); }
inline QString terminal() { return QStringLiteral("terminal"); }
inline QString script() { return QStringLiteral("script"); }
} // namespace LineSource

// One line for the laser together with the framing its source asked for: a command goes out
// behind the ";LA:" address, a raw line (the terminal's, a script's, the service window's sleep
// line) exactly as given. Each line carries its own framing, so lines of different sources can
// wait side by side and each still goes out as its source meant. It carries its source too, so
// that the communication log can tell who set what; the program's own lines (the status poll,
// the settings load, the exit's stop) have none.
struct OutgoingLine
{
    enum class Framing { Command, Raw };

    QString text;
    Framing framing = Framing::Command;
    QString source;

    static OutgoingLine command(const QString &text, const QString &source = QString())
    {
        return {text, Framing::Command, source};
    }
    static OutgoingLine raw(const QString &text, const QString &source = QString())
    {
        return {text, Framing::Raw, source};
    }

    // The text as written to the wire, without the line end.
    QString wireText() const { return framing == Framing::Command ? QStringLiteral(";LA:") + text : text; }
    // The same line to the laser, whoever asked for it.
    bool sameWire(const OutgoingLine &other) const { return text == other.text && framing == other.framing; }

    bool operator==(const OutgoingLine &) const = default;
};

} // namespace tovra
