#include "communication.h"

#include "exchangelistener.h"
#include "trafficlog.h"

#include "identity.h"
#include "laserstate.h"
#include "replytext.h"
#include "linkprompts.h"
#include "passwordline.h"
#include "rzcomport.h"
#include "serialdevice.h"
#include "terminalview.h"

#include <QScopedValueRollback>
#include <QThread>
#include <QTime>

#include <algorithm>
#include <utility>

namespace tovra {

namespace {

constexpr std::chrono::milliseconds ExchangePause{1};

QByteArray toWire(const QString &text)
{
    return text.toLatin1();
}

// More than one line read as one reply: one of them is not this exchange's, and an earlier
// exchange may have taken the line that belonged before it, which no purge will now find.
bool linesRanTogether(const QByteArray &collected)
{
    const QByteArray lines = collected.trimmed();
    return lines.contains('\r') || lines.contains('\n');
}

} // namespace

Communication::Communication(TRZComPort &linkPort, LaserState &laserState, TerminalView &terminalView,
                             LinkPrompts &linkPrompts)
    : port(linkPort)
    , state(laserState)
    , view(terminalView)
    , prompts(linkPrompts)
{
}

QString Communication::timeStamp()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString Communication::trimTrailing(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).unicode() <= 32)
        --end;
    return text.left(end);
}

bool Communication::portBusy() const
{
    return port.InUse();
}

bool Communication::mayExchange() const
{
    return !detached && !port.InUse() && (!linkLost || greeting);
}

// Every exchange begins with a short pause and a purge, so that nothing left over from an
// earlier exchange (a late reply after a time-out) is taken for this one's reply. An exchange that
// follows the one before directly counts its pause from that one's reply: what ran in between
// (showing the reading, its log line) ran inside the pause, not before it, so the line is quiet
// for one pause and no longer. The pause ends on the monotonic clock.
void Communication::settleAndPurge()
{
    const auto now = std::chrono::steady_clock::now();
    // A line written without waiting for its reply (the stops before a restart) came later.
    const auto lineLastUsed = std::max(lastReplyAt, lastWriteAt);
    const auto pauseFrom = now - lineLastUsed < ExchangePause ? lineLastUsed : now;
    pauseUntil(pauseFrom + ExchangePause);
    purgeNotingStrayBytes();
}

// The waiting bytes are read away, not flushed: a pty may count none yet while they arrive, and a
// flush would then drop them unseen and hide a shift of the replies before.
void Communication::purgeNotingStrayBytes()
{
    QByteArray stray;
    port.ReadRaw(stray);
    if (stray.isEmpty())
        return;
    disownedThrough = exchangeCount;
    log(QStringLiteral("Stray Bytes(") + timeStamp() + QStringLiteral("): ") + QString::number(stray.size())
        + QStringLiteral(" purged; the replies before them are not taken"));
}

bool Communication::confirmReplies(std::chrono::milliseconds settle)
{
    if (detached || (linkLost && !greeting))
        return true;
    if (port.InUse())
        return false;
    const std::chrono::milliseconds left = settleLeft(settle);
    if (left.count() > 0)
        port.WaitForInput(left);
    purgeNotingStrayBytes();
    return true;
}

std::chrono::milliseconds Communication::settleLeft(std::chrono::milliseconds settle) const
{
    const auto left
        = std::chrono::ceil<std::chrono::milliseconds>(lastWriteAt + settle - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds::zero());
}

// A line that did not reach the port is not recorded as sent: the log tells of the failure
// instead, and no reply is waited for.
bool Communication::writeLine(const QString &line, const QString &source)
{
    lastLine = line;
    ++exchangeCount;
    lastWriteAt = std::chrono::steady_clock::now();
    if (port.Write(toWire(line) + "\r\n"))
        return true;
    log(QStringLiteral("Write Error(") + timeStamp() + QStringLiteral("): ") + sourceTag(source)
        + withPasswordHidden(line));
    return false;
}

QString Communication::sourceTag(const QString &source)
{
    return source.isEmpty() ? QString() : QLatin1Char('[') + source + QStringLiteral("] ");
}

QString Communication::logged(const OutgoingLine &line)
{
    return sourceTag(line.source) + withPasswordHidden(line.wireText());
}

QByteArray Communication::readCollected()
{
    QByteArray collected;
    port.Read(collected);
    lastReplyAt = std::chrono::steady_clock::now();
    return collected;
}

// Reply text may hold any byte: escaped, each record stays one line of the log.
void Communication::log(const QString &line)
{
    if (trafficLog && !detached)
        trafficLog->writeTrafficLine(escapeControlCharacters(line));
}

void Communication::show(const QString &line, bool isReply)
{
    if (detached)
        return;
    const QString text = isReply ? line : withPasswordHidden(line);
    view.appendTrafficLine(
        escapeControlCharacters(QLatin1Char('(') + timeStamp() + QStringLiteral(") ") + shownMark + trimTrailing(text)),
        isReply ? TrafficDirection::Received : TrafficDirection::Sent);
}

// Before anything is written: what the owner must notice, then the stop commands, which go
// ahead of every other line.
void Communication::atExchangeBoundary()
{
    if (boundaryCheck)
        boundaryCheck();
    sendPendingStops();
}

void Communication::requestStop(const OutgoingLine &line, StopReplied replied)
{
    if (detached)
        return;
    const auto waiting = std::find_if(pendingStops.begin(), pendingStops.end(),
                                      [&line](const PendingStop &stop) { return stop.line.sameWire(line); });
    PendingStop &stop = waiting != pendingStops.end() ? *waiting : pendingStops.emplace_back(PendingStop{line, {}});
    if (replied)
        stop.replied.append(std::move(replied));
}

void Communication::sendPendingStops()
{
    // A stop's own reply wait may let the operator ask for another; it is sent in this loop too.
    while (!pendingStops.isEmpty() && !linkLost && mayExchange()) {
        const std::optional<QString> reply = exchangeLine(pendingStops.first().line);
        if (!reply) {
            setStopUndelivered(true);
            return; // first in line still: the next boundary tries it again
        }
        const PendingStop sent = pendingStops.takeFirst();
        for (const StopReplied &replied : sent.replied)
            replied(*reply);
    }
    if (pendingStops.isEmpty())
        setStopUndelivered(false);
}

void Communication::writePendingStopsBeforeLettingGo()
{
    // A port that is gone takes nothing (the laser's recovery would have sent them first), and a
    // port already let go is not opened again for them.
    if (detached || linkLost || !port.Opened())
        return;
    while (!pendingStops.isEmpty()) {
        const OutgoingLine stop = pendingStops.first().line;
        const QString line = stop.wireText();
        if (!writeLine(line)) {
            setStopUndelivered(true);
            return;
        }
        pendingStops.removeFirst();
        show(line, false);
        log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + logged(stop));
    }
    setStopUndelivered(false);
}

void Communication::setStopUndelivered(bool undelivered)
{
    if (std::exchange(undeliveredStop, undelivered) != undelivered && stopDeliveryWatch)
        stopDeliveryWatch(undelivered);
}

QString Communication::SendAndReceive(const QString &query)
{
    return exchangeQuery(query).text;
}

// Once the program is ending nothing more is asked of the laser: a reading would never be shown,
// and a settings load in progress stops at its next query.
Communication::QueryReply Communication::exchangeQuery(const QString &query)
{
    if (!mayExchange())
        return {};
    atExchangeBoundary();
    if (exitRequested() || !mayExchange())
        return {};
    settleAndPurge();
    const QString line = QStringLiteral(";LA:") + query + QLatin1Char('?');
    if (!writeLine(line))
        return {};
    log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + line);

    const QByteArray collected = readCollected();
    const QString reply = trimTrailing(QString::fromLatin1(collected));
    log(QStringLiteral("Received(") + timeStamp() + QStringLiteral("): ") + reply);
    if (linesRanTogether(collected)) {
        disownedThrough = exchangeCount;
        log(QStringLiteral("Stray Bytes(") + timeStamp() + QStringLiteral("): lines run together in one reply; it and the replies before are not taken"));
    }
    return {reply, !collected.isEmpty() && !port.TimedOut()};
}

// A reply that did not come whole, or came empty, was not read; a reply that came but is no
// value of the kind asked for was not read either and leaves an "Exception Error (" line.
template<typename T>
std::optional<T> Communication::typedQuery(const QString &query, std::optional<T> (*convert)(const QString &))
{
    const QueryReply reply = exchangeQuery(query);
    if (!reply.complete || trimmedReply(reply.text).isEmpty())
        return std::nullopt;
    const std::optional<T> value = convert(reply.text);
    if (!value)
        log(QStringLiteral("Exception Error (") + timeStamp());
    return value;
}

std::optional<int32_t> Communication::TryQueryInt(const QString &query)
{
    return typedQuery(query, &replyAsInt);
}

std::optional<double> Communication::TryQueryFloat(const QString &query)
{
    return typedQuery(query, &replyAsDecimal);
}

std::optional<uint64_t> Communication::TryQueryCount(const QString &query)
{
    return typedQuery(query, &replyAsCount);
}

int32_t Communication::QueryInt(const QString &query)
{
    return TryQueryInt(query).value_or(0);
}

double Communication::QueryFloat(const QString &query)
{
    return TryQueryFloat(query).value_or(0.0);
}

uint64_t Communication::QueryCount(const QString &query)
{
    return TryQueryCount(query).value_or(0u);
}

QString Communication::SendCommand(const QString &command)
{
    return sendCommandLine(OutgoingLine::command(command));
}

QString Communication::sendCommandLine(const OutgoingLine &line)
{
    if (detached)
        return QString();
    if (inhibited) {
        log(QStringLiteral("Command Disabled:    (") + timeStamp() + QStringLiteral("): ") + sourceTag(line.source)
            + withPasswordHidden(line.text));
        return QString();
    }
    if (port.InUse()) {
        log(QStringLiteral("Comport in use:    (") + timeStamp() + QStringLiteral("): ") + sourceTag(line.source)
            + withPasswordHidden(line.text));
        return QString();
    }
    atExchangeBoundary();
    if (!mayExchange())
        return QString();
    return exchangeLine(line).value_or(QString());
}

std::optional<QString> Communication::exchangeLine(const OutgoingLine &outgoing)
{
    settleAndPurge();
    const QString line = outgoing.wireText();
    if (!writeLine(line, outgoing.source))
        return std::nullopt;
    if (listener)
        listener->commandSent(outgoing.text);
    show(line, false);
    log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + logged(outgoing));
    return ReadAndShowReply();
}

QString Communication::SendRawLine(const QString &line)
{
    return sendRawLine(OutgoingLine::raw(line), QString());
}

QString Communication::sendRawLine(const OutgoingLine &line, const QString &mark)
{
    if (inhibited || !mayExchange())
        return QString();
    atExchangeBoundary();
    if (!mayExchange())
        return QString();
    // Only this line and its reply: the stops sent at the boundary are the operator's.
    const QScopedValueRollback<QString> marked(shownMark, mark);
    return exchangeLine(line).value_or(QString());
}

QString Communication::send(const OutgoingLine &line, const QString &mark)
{
    return line.framing == OutgoingLine::Framing::Raw ? sendRawLine(line, mark) : sendCommandLine(line);
}

QString Communication::ReadReply()
{
    const QString reply = trimTrailing(QString::fromLatin1(readCollected()));
    log(QStringLiteral("Received(") + timeStamp() + QStringLiteral("): ") + reply);
    return reply;
}

QString Communication::ReadAndShowReply()
{
    const QString reply = ReadReply();
    show(reply, true);
    return reply;
}

void Communication::HandleTimeout()
{
    if (detached)
        return;
    log(QStringLiteral("Timeout Error(") + timeStamp() + QLatin1Char(')'));
    if (listener)
        listener->linkLost();
    port.Flush();
    if (timeoutActions.stopPolling)
        timeoutActions.stopPolling();
    // On the way out a silent laser changes nothing: the exit goes on without a question.
    if (exitRequested())
        return;

    const LostLinkAnswer answer = prompts.communicationsLost();
    if (detached)
        return; // the program was ended while the question was open
    switch (answer) {
    case LostLinkAnswer::Restart:
        if (timeoutActions.restartApp)
            timeoutActions.restartApp();
        break;
    case LostLinkAnswer::Exit:
        if (timeoutActions.exitApp)
            timeoutActions.exitApp();
        break;
    case LostLinkAnswer::Ignore:
        port.Flush();
        if (timeoutActions.resumePolling)
            timeoutActions.resumePolling();
        break;
    case LostLinkAnswer::Dismissed:
        break; // closed without a button: polling stays off until a recall or refresh
    }
}

bool Communication::ConnectToLaser()
{
    port.setBaud(57600);
    port.setEndOfResponse(QByteArrayLiteral("\r"));
    port.setAllowEvents(false);
    port.setShowErrors(false);
    port.setResponseTime(uint32_t(scanResponseTime.count()));

    for (int n = 1; n <= 100 && !exitRequested(); ++n) {
        port.setPort(n);
        if (!port.Open())
            continue;
        if (!greetAndAskIdentity().isEmpty()) {
            parseIdentityReply(SendAndReceive(QStringLiteral("ID")), state);
            if (isAcceptedModelName(state.modelName)) {
                view.clearTraffic();
                return true;
            }
        }
        port.Close();
    }
    return false;
}

QString Communication::greetAndAskIdentity()
{
    const QScopedValueRollback<bool> greetingNow(greeting, true);
    QThread::msleep(quint32(scanPause.count()));
    SendRawLine(QStringLiteral(";LC:SEC 4093716"));
    QThread::msleep(quint32(scanPause.count()));
    SendCommand(QStringLiteral("EC 0"));
    return SendAndReceive(QStringLiteral("ID"));
}

void Communication::noteNotSent(const QString &line, const QString &why)
{
    const QString note = why + QStringLiteral(": ") + withPasswordHidden(line);
    view.appendTrafficLine(escapeControlCharacters(QLatin1Char('(') + timeStamp() + QStringLiteral(") ") + note),
                           TrafficDirection::Note);
    log(QStringLiteral("Not sent(") + timeStamp() + QStringLiteral("): ") + note);
}

} // namespace tovra
