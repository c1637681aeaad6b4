#pragma once

#include <QString>

namespace tovra {

// One line for the laser together with the framing its source asked for: a command goes out
// behind the ";LA:" address, a raw line (the terminal's, a script's, the service window's sleep
// line) exactly as given. Each line carries its own framing, so lines of different sources can
// wait side by side and each still goes out as its source meant.
struct OutgoingLine
{
    enum class Framing { Command, Raw };

    QString text;
    Framing framing = Framing::Command;

    static OutgoingLine command(const QString &text) { return {text, Framing::Command}; }
    static OutgoingLine raw(const QString &text) { return {text, Framing::Raw}; }

    // The text as written to the wire, without the line end.
    QString wireText() const { return framing == Framing::Command ? QStringLiteral(";LA:") + text : text; }

    bool operator==(const OutgoingLine &) const = default;
};

} // namespace tovra
