#pragma once

#include <QString>

namespace tovra {

// Which way a traffic line went: the view shows the two apart (the window by colour).
enum class TrafficDirection { Sent, Received };

// Where the exchange shows the commands it sends and their replies (the main window's terminal
// view). Lines are plain text; nothing in them is ever interpreted as markup.
class TerminalView
{
public:
    virtual ~TerminalView() = default;
    virtual void appendTrafficLine(const QString &line, TrafficDirection direction) = 0;
    virtual void clearTraffic() = 0;
};

} // namespace tovra
