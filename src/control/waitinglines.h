#pragma once

#include <functional>

namespace tovra {

// Lines that come from outside the window (a script on the shared port, a control API client)
// and wait for their turn from the scheduler (TaskRunner). A source never decides its own turn:
// it only keeps its lines until the scheduler hands it one.
class WaitingLines
{
public:
    virtual ~WaitingLines() = default;
    virtual bool hasWaitingLines() const = 0;
    // The source's turn: its waiting lines go out one at a time, each answered before the next,
    // while `turnLasts()` says so; what is left waits for a later turn.
    virtual void sendWaitingLines(const std::function<bool()> &turnLasts) = 0;
    // A stop was sent: the waiting lines that would fire or enable the laser are not sent, so
    // that none can follow the stop; each is answered as not sent.
    virtual void withdrawFiringLines() = 0;
};

} // namespace tovra
