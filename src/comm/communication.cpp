#include "communication.h"

#include "identity.h"
#include "laserstate.h"
#include "linkprompts.h"
#include "rzcomport.h"
#include "terminalview.h"

#include <QThread>
#include <QTime>

#include <cmath>

namespace tovra {

namespace {

QByteArray toWire(const QString &text)
{
    return text.toLatin1();
}

// Trims characters of code 32 or below from both ends, as the typed queries do before converting.
QString trimmedBoth(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// Every exchange begins with a short pause and a purge, so that nothing left over from an
// earlier exchange (a late reply after a time-out) is taken for this one's reply.
void settleAndPurge(TRZComPort &port)
{
    QThread::msleep(1);
    port.Flush();
}

} // namespace

Communication::Communication(TRZComPort &port, LaserState &state, TerminalView &view, LinkPrompts &prompts)
    : port(port)
    , state(state)
    , view(view)
    , prompts(prompts)
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

bool Communication::mayExchange() const
{
    return !detached && !port.InUse();
}

void Communication::writeLine(const QString &line)
{
    lastLine = line;
    port.Write(toWire(line) + "\r\n");
}

void Communication::log(const QString &line)
{
    if (state.loggingEnabled && !detached)
        state.logFile.writeLine(line);
}

void Communication::show(const QString &line, bool isReply)
{
    if (detached)
        return;
    view.appendTrafficLine(QLatin1Char('(') + timeStamp() + QStringLiteral(") ") + trimTrailing(line),
                           isReply ? TrafficDirection::Received : TrafficDirection::Sent);
}

QString Communication::SendAndReceive(const QString &query)
{
    if (!mayExchange())
        return QString();
    settleAndPurge(port);
    const QString line = QStringLiteral(";LA:") + query + QLatin1Char('?');
    writeLine(line);
    log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + line);

    QByteArray collected;
    port.Read(collected);
    const QString reply = trimTrailing(QString::fromLatin1(collected));
    log(QStringLiteral("Received(") + timeStamp() + QStringLiteral("): ") + reply);
    return reply;
}

template<typename T, typename Convert>
T Communication::typedQuery(const QString &query, Convert convert)
{
    QString reply = SendAndReceive(query);
    if (reply.isEmpty())
        reply = QStringLiteral("0");
    bool converted = false;
    const T value = convert(trimmedBoth(reply), &converted);
    if (converted)
        return value;
    log(QStringLiteral("Exception Error (") + timeStamp());
    return T(0);
}

int32_t Communication::QueryInt(const QString &query)
{
    return typedQuery<int32_t>(query, [](const QString &text, bool *ok) { return text.toInt(ok, 10); });
}

double Communication::QueryFloat(const QString &query)
{
    return typedQuery<double>(query, [](const QString &text, bool *ok) {
        const double value = text.toDouble(ok);
        // "nan" and "inf" are words, not measurements.
        if (*ok && !std::isfinite(value))
            *ok = false;
        return value;
    });
}

uint32_t Communication::QueryCount(const QString &query)
{
    return typedQuery<uint32_t>(query, [](const QString &text, bool *ok) {
        return uint32_t(quint64(text.toLongLong(ok, 10)) & 0xFFFFFFFFu);
    });
}

QString Communication::SendCommand(const QString &command)
{
    if (detached)
        return QString();
    if (state.commandsInhibited) {
        log(QStringLiteral("Command Disabled:    (") + timeStamp() + QStringLiteral("): ") + command);
        return QString();
    }
    if (port.InUse()) {
        log(QStringLiteral("Comport in use:    (") + timeStamp() + QStringLiteral("): ") + command);
        return QString();
    }
    settleAndPurge(port);
    const QString line = QStringLiteral(";LA:") + command;
    writeLine(line);
    show(line, false);
    log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + line);
    return ReadAndShowReply();
}

void Communication::SendRawLine(const QString &line)
{
    if (state.commandsInhibited || !mayExchange())
        return;
    settleAndPurge(port);
    writeLine(line);
    show(line, false);
    log(QStringLiteral("Sent    (") + timeStamp() + QStringLiteral("): ") + line);
    ReadAndShowReply();
}

QString Communication::ReadReply()
{
    QByteArray collected;
    port.Read(collected);
    const QString reply = trimTrailing(QString::fromLatin1(collected));
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
    port.Flush();
    if (timeoutActions.stopPolling)
        timeoutActions.stopPolling();

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
    port.setResponseTime(100);

    for (int n = 1; n <= 100; ++n) {
        port.setPort(n);
        if (!port.Open())
            continue;
        QThread::msleep(quint32(scanPause.count()));
        SendRawLine(QStringLiteral(";LC:SEC 4093716"));
        QThread::msleep(quint32(scanPause.count()));
        SendCommand(QStringLiteral("EC 0"));
        if (!SendAndReceive(QStringLiteral("ID")).isEmpty()) {
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

} // namespace tovra
