#include "scriptbridge.h"

#include "communication.h"
#include "laserstate.h"
#include "terminalview.h"

namespace tovra {

namespace {

const QByteArray FiringRefused = QByteArrayLiteral("Remote firing not allowed");
const QByteArray NotConnected = QByteArrayLiteral("Laser not connected");

// Tells a script's lines in the terminal view from the operator's.
const QString ScriptMark = QStringLiteral("[script] ");

} // namespace

ScriptBridge::ScriptBridge(LaserState &laserState, Communication &exchange, TerminalView &terminalView,
                           ScriptSettingView &settingView, QObject *parent)
    : QObject(parent)
    , state(laserState)
    , comm(exchange)
    , view(terminalView)
    , settings(settingView)
{
    connect(&port, &SharedPort::lineArrived, this, &ScriptBridge::linesWaiting);
    connect(&port, &SharedPort::overlongLineAnswered, this, [this] {
        showNote(QStringLiteral("Script line longer than %1 characters not sent, answered \"%2\"")
                     .arg(SharedPort::MaxLineLength)
                     .arg(QLatin1String(SharedPort::LineTooLong)));
    });
}

bool ScriptBridge::start(const QString &linkPath, QString *error)
{
    if (!port.open(linkPath, error))
        return false;
    noteInLog(QStringLiteral("Share Port on: ") + port.linkPath());
    return true;
}

void ScriptBridge::stop()
{
    if (!port.isOpen())
        return;
    noteInLog(QStringLiteral("Share Port off: ") + port.linkPath());
    port.close();
}

void ScriptBridge::setRemoteFiringAllowed(bool allowed)
{
    if (allowed == remoteFiringAllowed)
        return;
    remoteFiringAllowed = allowed;
    noteInLog(QStringLiteral("Allow Remote Firing ") + (allowed ? QStringLiteral("on") : QStringLiteral("off")));
}

bool ScriptBridge::maySendNow() const
{
    return port.isOpen() && !state.commandsInhibited && !state.statusBusy && !comm.isDetached() && !comm.portBusy()
           && !(statusPollDue && statusPollDue());
}

void ScriptBridge::sendWaitingLines()
{
    // One tick sends at most as many lines as may wait, so that the operator's commands queued
    // meanwhile get their turn at the next tick.
    for (int sent = 0; sent < SharedPort::MaxWaitingLines && port.hasLine(); ++sent) {
        if (!maySendNow())
            return;
        sendLine(port.takeLine());
    }
    if (port.hasLine())
        emit linesWaiting();
}

void ScriptBridge::sendLine(const QByteArray &bytes)
{
    const QString line = QString::fromLatin1(bytes);
    // Answered now rather than after a time-out, and never sent later.
    if (comm.isLinkLost()) {
        comm.noteNotSent(line, QStringLiteral("Script line not sent, laser not connected"));
        port.answer(NotConnected);
        return;
    }
    if (mayStartFiring(line) && !remoteFiringAllowed) {
        showNote(QStringLiteral("Script line not sent, remote firing not allowed: ") + line);
        port.answer(FiringRefused);
        return;
    }
    const QString reply = comm.SendRawLine(line, ScriptMark);
    // The reply wait lets the operator switch sharing off; the line's script is gone then.
    if (!port.isOpen())
        return;
    port.answer(reply.toLatin1());
    if (const std::optional<ScriptSetting> setting = settingTakenBy(line, reply))
        settings.showScriptSetting(*setting);
}

// Shown in the terminal view and written to the log; the log's traffic lines keep their form.
void ScriptBridge::showNote(const QString &note)
{
    view.appendTrafficLine(QLatin1Char('(') + Communication::timeStamp() + QStringLiteral(") ") + note, TrafficDirection::Note);
    noteInLog(note);
}

void ScriptBridge::noteInLog(const QString &note)
{
    if (logNote)
        logNote(QStringLiteral("Note    (") + Communication::timeStamp() + QStringLiteral("): ") + note);
}

} // namespace tovra
