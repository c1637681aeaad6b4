#pragma once

#include <QString>

namespace tovra {

// Which way a traffic line went, or a note of the program's own about the traffic (a line it
// refused to send): the view shows them apart (the window by colour).
enum class TrafficDirection { Sent, Received, Note };

// Where the exchange shows the commands it sends and their replies (the main window's terminal
// view). Lines are plain text, with control characters already escaped by the exchange; nothing
// in them is ever interpreted as markup.
class TerminalView
{
public:
    virtual ~TerminalView() = default;
    virtual void appendTrafficLine(const QString &line, TrafficDirection direction) = 0;
    virtual void clearTraffic() = 0;
};

} // namespace tovra
