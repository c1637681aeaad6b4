#include "scriptbridge.h"

#include "communication.h"
#include "laserstate.h"
#include "terminalview.h"

namespace tovra {

namespace {

const QByteArray FiringRefused = QByteArrayLiteral("Remote firing not allowed");
const QByteArray NotConnected = QByteArrayLiteral("Laser not connected");

// What the laser says when it did not take a command.
bool refusedByLaser(const QString &reply)
{
    return reply.isEmpty() || reply == QLatin1String("?") || reply.startsWith(QLatin1String("ERR"));
}

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
    connect(&port, &SharedPort::overlongLineDropped, this, [this] {
        showNote(QStringLiteral("Script line longer than %1 characters dropped").arg(SharedPort::MaxLineLength));
    });
}

bool ScriptBridge::start(const QString &linkPath, QString *error)
{
    return port.open(linkPath, error);
}

void ScriptBridge::stop()
{
    port.close();
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
    const QString reply = comm.SendRawLine(line);
    // The reply wait lets the operator switch sharing off; the line's script is gone then.
    if (!port.isOpen())
        return;
    port.answer(reply.toLatin1());
    const std::optional<ScriptSetting> setting = settingOf(line);
    if (setting && !refusedByLaser(reply))
        settings.showScriptSetting(*setting);
}

void ScriptBridge::showNote(const QString &note)
{
    view.appendTrafficLine(QLatin1Char('(') + Communication::timeStamp() + QStringLiteral(") ") + note, TrafficDirection::Note);
}

} // namespace tovra
