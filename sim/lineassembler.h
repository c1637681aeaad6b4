#pragma once

#include <QByteArray>
#include <QList>

namespace tovra::sim {

// Cuts the received byte stream into lines. A line ends at a carriage return or a line feed; the
// line feed of a carriage return + line feed pair ends nothing more, even when it arrives in a
// later read, so the program's lines (ending CR LF) each make exactly one line.
class LineAssembler
{
public:
    // The lines that `bytes` complete, without their line ends.
    QList<QByteArray> feed(const QByteArray &bytes);

private:
    QByteArray pending;
    bool afterCarriageReturn = false;
};

} // namespace tovra::sim
