#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace tovra {

// A port that opened while the ports were probed: its number and where it lives on this system.
struct PortChoice
{
    int number = 0;
    QString devicePath;
};

// The operator's answer to "Communications lost. Restart?". Closing the box without a button is
// an answer of its own: the program keeps running with polling off.
enum class LostLinkAnswer { Restart, Exit, Ignore, Dismissed };

// Everything the link asks or tells the operator. The wire layers hold no windows: the window side
// implements this interface with the program's boxes and the port dialog, tests with a script.
class LinkPrompts
{
public:
    virtual ~LinkPrompts() = default;

    // A plain notice ("Port is in use -- operation aborted").
    virtual void tell(const QString &text) = 0;
    // A failure the operator may retry (an open that failed, a reply that did not come).
    virtual bool retry(const QString &text) = 0;
    // The operator chooses one of the ports that open; nothing when the choice was cancelled.
    virtual std::optional<int> pickPort(const QList<PortChoice> &ports, int currentPort) = 0;
    // The laser stopped answering: restart, exit or ignore.
    virtual LostLinkAnswer communicationsLost() = 0;
};

} // namespace tovra
