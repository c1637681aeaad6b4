#pragma once

#include "outgoingline.h"

#include <QList>
#include <QScopedValueRollback>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace tovra {

class ExchangeListener;
class LinkPrompts;
class TRZComPort;
class TerminalView;
class TrafficLog;
struct LaserState;

// The exchange with the laser: frames queries (";LA:" + mnemonic + "?"), prefixed commands
// (";LA:" + command) and raw lines for the wire, writes one line and reads its one reply through
// the port, converts replies for the typed queries, shows commands and replies in the terminal
// view, records every traffic line in the communication log and reacts when the laser stops
// answering. Failures are never thrown at callers: they get empty replies or 0, and the Try
// variants of the typed queries tell a value the laser said from one that was not read.
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

    Communication(TRZComPort &linkPort, LaserState &laserState, TerminalView &terminalView,
                  LinkPrompts &linkPrompts);

    void setTimeoutActions(TimeoutActions actions) { timeoutActions = std::move(actions); }
    // Where every traffic line is recorded from now on; none (null) records nothing.
    void setTrafficLog(TrafficLog *log) { trafficLog = log; }
    // Hears the commands that went out and a lost link (the history); may be null.
    void setListener(ExchangeListener *exchangeListener) { listener = exchangeListener; }
    // How the exchange learns that the program is ending (the scheduler decides the exit): from
    // then on nothing more is asked of the laser, a scan stops at its next port and a silent laser
    // raises no question. Unset, the program is not ending.
    void setExitCheck(std::function<bool()> check) { exitCheck = std::move(check); }
    bool exitRequested() const { return exitCheck && exitCheck(); }

    // While a settings load reads the laser, the operator's commands are refused: a command is not
    // sent (the log notes "Command Disabled"), a raw line not either; queries and stop lines go
    // on. The inhibit lasts as long as the returned guard and then is as it was before.
    [[nodiscard]] QScopedValueRollback<bool> inhibitCommands() { return QScopedValueRollback<bool>(inhibited, true); }
    void setCommandsInhibited(bool on) { inhibited = on; }
    bool commandsInhibited() const { return inhibited; }

    QString SendAndReceive(const QString &query);
    // The typed queries give 0 when nothing usable came back, for code that needs a number.
    int32_t QueryInt(const QString &query);
    double QueryFloat(const QString &query);
    uint64_t QueryCount(const QString &query);
    // The same exchanges, giving nothing when the value was not read: the line could not be
    // written, the port was busy or gone, the reply did not end in time, was empty or is not a
    // value of the kind asked for (replytext.h says which texts are).
    std::optional<int32_t> TryQueryInt(const QString &query);
    std::optional<double> TryQueryFloat(const QString &query);
    std::optional<uint64_t> TryQueryCount(const QString &query);
    // The program's own command and raw line, logged without a source.
    QString SendCommand(const QString &command);
    QString SendRawLine(const QString &line);
    // A line framed as it asks, as SendCommand or SendRawLine send it; the reply, empty when the
    // line could not be sent or no reply came. The communication log names the line's source
    // ("Sent    (hh:mm:ss.zzz): [window] ;LA:RR 20.0"). The terminal view shows a raw line and
    // its reply after `mark` (a script's lines are marked so); a command has no mark.
    QString send(const OutgoingLine &line, const QString &mark = QString());
    QString ReadReply();
    QString ReadAndShowReply();
    void HandleTimeout();
    // Finds the laser on ports 1 to 100; true with the port left open on the laser. A scan
    // during which the program is asked to end stops at the next port.
    bool ConnectToLaser();
    // Greets the open port as the scan does (the access code, "EC 0", with the scan's pauses) and
    // asks "ID?": the reply, empty when nothing answered. Works while the link is lost; nothing
    // else goes out meanwhile (the waiting stop commands stay for the laser in use).
    QString greetAndAskIdentity();

    // While the laser's port is gone every exchange returns at once without touching the port,
    // and stop commands wait for the laser to be found again.
    void setLinkLost(bool lost) { linkLost = lost; }
    bool isLinkLost() const { return linkLost; }
    // Names a line that will never be sent, in the terminal view and the log.
    void noteNotSent(const QString &line, const QString &why);
    // The scan gives a laser this long to settle after its port opens and after the unlock line.
    // A device that answers at once (a simulated laser without pacing) needs none.
    void setScanPause(std::chrono::milliseconds pause) { scanPause = pause; }
    // How long the scan waits for a port's reply.
    void setScanResponseTime(std::chrono::milliseconds time) { scanResponseTime = time; }

    // Stop lines wait for no one. One asked for while a settings load, a status update or a
    // batch is running goes out at the next exchange boundary, ahead of whatever that exchange was
    // about to send, and neither the inhibit nor a busy load drops it. Each is sent once, in
    // the order asked; asking again while it waits adds nothing but the caller's wish for the
    // reply. A stop the port did not take stays first in line and is tried again at every
    // boundary until it is written: `replied` gets the laser's reply once it was.
    using StopReplied = std::function<void(const QString &reply)>;
    void requestStop(const OutgoingLine &line, StopReplied replied = {});
    bool stopPending() const { return !pendingStops.isEmpty(); }
    // A stop that was asked for could not be written yet.
    bool stopUndelivered() const { return undeliveredStop; }
    // Told whenever stopUndelivered() changes.
    void setStopDeliveryWatch(std::function<void(bool undelivered)> watch) { stopDeliveryWatch = std::move(watch); }
    // Sends the waiting stop commands now, unless an exchange is under way.
    void sendPendingStops();
    // The instance is about to let go of the port (a restart): the waiting stops are written now,
    // even while another exchange waits for its reply; that exchange is being abandoned and
    // its reply will never be read. Replies to these stops are not waited for.
    void writePendingStopsBeforeLettingGo();
    // Runs at every exchange boundary, before anything is written: lets the owner notice what
    // arrived while no events were processed (a stop signal during start-up).
    void setBoundaryCheck(std::function<void()> check) { boundaryCheck = std::move(check); }

    // Cuts this instance off the laser for good (demo mode, or the program is ending): every
    // exchange then returns at once without touching the port, the log or the terminal view.
    void detach() { detached = true; }
    bool isDetached() const { return detached; }
    // Another exchange waits for its reply on the port.
    bool portBusy() const;

    // Each exchange that writes a line gets the next number; this is the latest one's.
    uint64_t lastExchange() const { return exchangeCount; }
    // Whether the reply of exchange `exchange` may be taken as its own. Bytes that a purge finds
    // waiting are a reply that nobody took: the reply before them may have been an unasked line,
    // an echo or a late piece, and each reply before that may in turn have been its predecessor's
    // (the shift runs on as long as every purge comes before the reply it would find). So none of
    // the replies before such a purge stands.
    bool replyStands(uint64_t exchange) const { return exchange > disownedThrough; }
    // Looks once more for bytes that came after the last reply, waiting for them until `settle`
    // after the last line was written (the time a reply of its own takes to come); what it finds
    // disowns the replies before, as the purge before an exchange does. False, having looked for
    // nothing, while another exchange waits for its reply on the port: the look is for later.
    // True without a look once nothing more is read from the port (detached, link lost).
    bool confirmReplies(std::chrono::milliseconds settle);
    // How long until `settle` has passed since the last line was written; zero once it has.
    std::chrono::milliseconds settleLeft(std::chrono::milliseconds settle) const;

    // The time stamp of traffic lines: hh:nn:ss.zzz.
    static QString timeStamp();
    // Removes trailing characters of code 32 or below; leading ones stay.
    static QString trimTrailing(const QString &text);

private:
    // A query's reply text, and whether it is whole: its line went out and the reply ended with
    // the end-of-response marker in time.
    struct QueryReply
    {
        QString text;
        bool complete = false;
    };

    struct PendingStop
    {
        OutgoingLine line;
        QList<StopReplied> replied;
    };

    bool mayExchange() const;
    void settleAndPurge();
    void purgeNotingStrayBytes();
    bool writeLine(const QString &line, const QString &source = QString());
    // "[source] " before a line in the log; nothing for the program's own lines.
    static QString sourceTag(const QString &source);
    // The line as the log records it: its source's tag, then the wire text, a password hidden.
    static QString logged(const OutgoingLine &line);
    QString sendCommandLine(const OutgoingLine &line);
    QString sendRawLine(const OutgoingLine &line, const QString &mark);
    // The exchange of one framed line; nothing when the port did not take it.
    std::optional<QString> exchangeLine(const OutgoingLine &line);
    void setStopUndelivered(bool undelivered);
    QueryReply exchangeQuery(const QString &query);
    QByteArray readCollected();
    void atExchangeBoundary();
    void log(const QString &line);
    void show(const QString &line, bool isReply);
    template<typename T>
    std::optional<T> typedQuery(const QString &query, std::optional<T> (*convert)(const QString &));

    TRZComPort &port;
    LaserState &state;
    TerminalView &view;
    LinkPrompts &prompts;
    TimeoutActions timeoutActions;
    TrafficLog *trafficLog = nullptr;
    ExchangeListener *listener = nullptr;
    std::chrono::milliseconds scanPause{100};
    std::chrono::milliseconds scanResponseTime{100};
    std::function<void()> boundaryCheck;
    std::function<bool()> exitCheck;
    bool inhibited = false;
    QList<PendingStop> pendingStops;
    std::function<void(bool)> stopDeliveryWatch;
    bool undeliveredStop = false;
    QString lastLine;
    uint64_t exchangeCount = 0;
    uint64_t disownedThrough = 0;
    std::chrono::steady_clock::time_point lastWriteAt;
    // When the last reply wait ended (its reply read, or its time up).
    std::chrono::steady_clock::time_point lastReplyAt;
    QString shownMark;
    bool detached = false;
    bool linkLost = false;
    bool greeting = false;
};

} // namespace tovra
