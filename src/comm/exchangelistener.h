#pragma once

#include <QString>

namespace tovra {

// Who hears what the exchange did besides its replies (the history): a command line that went
// out, and a laser that stopped answering. Called on the GUI thread; must not block or exchange.
class ExchangeListener
{
public:
    virtual ~ExchangeListener() = default;
    // The command as written, without its framing ("RR 20.0", "FL 0").
    virtual void commandSent(const QString &command) = 0;
    virtual void linkLost() = 0;
};

} // namespace tovra
