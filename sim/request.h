#pragma once

#include <QByteArray>

#include <optional>

namespace tovra::sim {

// One line from the program, taken apart. ";LA:RR:MAX?" is the query "RR:MAX"; ";LA:RR 20.0" is
// the command "RR" with the argument "20.0"; ";LC:" addresses the same controller as ";LA:", and a
// line without prefix (typed by an operator) reads the same way. Mnemonics are not case-sensitive.
struct Request
{
    enum class Kind { Query, Command, Malformed };

    Kind kind = Kind::Malformed;
    QByteArray mnemonic; // upper case, without "?"
    std::optional<QByteArray> argument; // present when a blank followed the mnemonic

    static Request parse(const QByteArray &line);
};

} // namespace tovra::sim
