#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace tovra {

class LinkPrompts;
class TRZComPort;
class TerminalView;
struct LaserState;

// The exchange with the laser: frames queries (";LA:" + mnemonic + "?"), prefixed commands
// (";LA:" + command) and raw lines for the wire, writes one line and reads its one reply through
// the port, converts replies for the typed queries, shows commands and replies in the terminal
// view, records every traffic line in the communication log and reacts when the laser stops
// answering. Failures are never thrown at callers: they get empty replies or 0.
class Communication
{
public:
    // What the answers to "Communications lost. Restart?" do to the program. Polling is stopped
    // while the question is open and resumed on Ignore; restart and exit are wound down by their
    // owner.
    struct TimeoutActions
    {
        std::function<void()> stopPolling;
        std::function<void()> resumePolling;
        std::function<void()> restartApp;
        std::function<void()> exitApp;
    };

    Communication(TRZComPort &port, LaserState &state, TerminalView &view, LinkPrompts &prompts);

    void setTimeoutActions(TimeoutActions actions) { timeoutActions = std::move(actions); }

    QString SendAndReceive(const QString &query);
    int32_t QueryInt(const QString &query);
    double QueryFloat(const QString &query);
    uint32_t QueryCount(const QString &query);
    QString SendCommand(const QString &command);
    void SendRawLine(const QString &line);
    QString ReadReply();
    QString ReadAndShowReply();
    void HandleTimeout();
    // Finds the laser on ports 1 to 100; true with the port left open on the laser.
    bool ConnectToLaser();
    // The scan gives a laser this long to settle after its port opens and after the unlock line.
    // A device that answers at once (a simulated laser without pacing) needs none.
    void setScanPause(std::chrono::milliseconds pause) { scanPause = pause; }

    // Cuts this instance off the laser for good (demo mode, or the program is ending): every
    // exchange then returns at once without touching the port, the log or the terminal view.
    void detach() { detached = true; }
    bool isDetached() const { return detached; }

    // The time stamp of traffic lines: hh:nn:ss.zzz.
    static QString timeStamp();
    // Removes trailing characters of code 32 or below; leading ones stay.
    static QString trimTrailing(const QString &text);

private:
    bool mayExchange() const;
    void writeLine(const QString &line);
    void log(const QString &line);
    void show(const QString &line, bool isReply);
    template<typename T, typename Convert>
    T typedQuery(const QString &query, Convert convert);

    TRZComPort &port;
    LaserState &state;
    TerminalView &view;
    LinkPrompts &prompts;
    TimeoutActions timeoutActions;
    std::chrono::milliseconds scanPause{100};
    QString lastLine;
    bool detached = false;
};

} // namespace tovra
