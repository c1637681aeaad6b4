#include "scriptbridge.h"

#include "terminalview.h"

#include <algorithm>

namespace tovra {

namespace {

const QByteArray FiringRefused = QByteArrayLiteral("Remote firing not allowed");
const QByteArray StoppedByOperator = QByteArrayLiteral("Stopped by the operator");
const QByteArray NotConnected = QByteArrayLiteral("Laser not connected");

// Tells a script's lines in the terminal view from the operator's.
const QString ScriptMark = QStringLiteral("[script] ");

} // namespace

ScriptBridge::ScriptBridge(Communication &exchange, TerminalView &terminalView, ScriptSettingView &settingView,
                           QObject *parent)
    : QObject(parent)
    , comm(exchange)
    , view(terminalView)
    , settings(settingView)
{
    connect(&port, &SharedPort::lineArrived, this, [this] {
        takeArrivedLines();
        emit linesWaiting();
    });
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
    waiting.clear();
}

// Lines are taken as they arrive, so that a stop among them is seen at once and not behind the
// lines before it; the shared port still counts them as waiting until answered, which keeps a
// fast script from sending more than it may.
void ScriptBridge::takeArrivedLines()
{
    while (port.hasLine()) {
        WaitingLine &line = waiting.emplace_back(WaitingLine{++lastId, port.takeLine(), WaitingLine::Step::ToSend, {}});
        if (!stopHandler || classifyLine(QString::fromLatin1(line.bytes)) != LineKind::Stop)
            continue;
        line.step = WaitingLine::Step::AwaitingStopReply;
        const uint64_t id = line.id;
        stopHandler(OutgoingLine::raw(QString::fromLatin1(line.bytes), LineSource::script()),
                    [this, id](const QString &reply) { answer(id, reply.toLatin1()); });
    }
}

bool ScriptBridge::hasWaitingLines() const
{
    return port.hasLine() || std::any_of(waiting.cbegin(), waiting.cend(), [](const WaitingLine &line) {
        return line.step == WaitingLine::Step::ToSend || line.step == WaitingLine::Step::Answered;
    });
}

void ScriptBridge::setRemoteFiringAllowed(bool allowed)
{
    if (allowed == remoteFiringAllowed)
        return;
    remoteFiringAllowed = allowed;
    noteInLog(QStringLiteral("Allow Remote Firing ") + (allowed ? QStringLiteral("on") : QStringLiteral("off")));
}

void ScriptBridge::sendWaitingLines(const std::function<bool()> &turnLasts)
{
    // Lines behind an over-long one are given out only once the port has answered it.
    takeArrivedLines();
    answerReadyLines();
    // One tick sends at most as many lines as may wait, so that the operator's commands queued
    // meanwhile get their turn at the next tick.
    for (int sent = 0; sent < SharedPort::MaxWaitingLines; ++sent) {
        if (waiting.isEmpty() || waiting.first().step != WaitingLine::Step::ToSend)
            return; // nothing to send, or the first line's stop reply is still to come
        if (!port.isOpen() || !turnLasts())
            return;
        sendLine(waiting.first());
        answerReadyLines();
    }
    if (hasWaitingLines())
        emit linesWaiting();
}

void ScriptBridge::sendLine(WaitingLine &waitingLine)
{
    const uint64_t id = waitingLine.id;
    const QString line = QString::fromLatin1(waitingLine.bytes);
    // Answered now rather than after a time-out, and never sent later.
    if (comm.isLinkLost()) {
        comm.noteNotSent(line, QStringLiteral("Script line not sent, laser not connected"));
        answer(id, NotConnected);
        return;
    }
    if (mayStartFiring(line) && !remoteFiringAllowed) {
        showNote(QStringLiteral("Script line not sent, remote firing not allowed: ") + line);
        answer(id, FiringRefused);
        return;
    }
    waitingLine.step = WaitingLine::Step::BeingSent;
    const QString reply = comm.send(OutgoingLine::raw(line, LineSource::script()), ScriptMark);
    // The reply wait lets the operator switch sharing off; the line's script is gone then.
    if (!find(id))
        return;
    answer(id, reply.toLatin1());
    if (const std::optional<ScriptSetting> setting = settingTakenBy(line, reply))
        settings.showScriptSetting(*setting);
}

void ScriptBridge::withdrawFiringLines()
{
    for (WaitingLine &line : waiting) {
        const QString text = QString::fromLatin1(line.bytes);
        if (line.step != WaitingLine::Step::ToSend || classifyLine(text) != LineKind::FiringOrEnabling)
            continue;
        showNote(QStringLiteral("Script line not sent, stopped by the operator: ") + text);
        line.step = WaitingLine::Step::Answered;
        line.answer = StoppedByOperator;
    }
    answerReadyLines();
}

void ScriptBridge::answer(uint64_t id, const QByteArray &reply)
{
    WaitingLine *line = find(id);
    if (!line)
        return; // sharing was switched off meanwhile
    line->step = WaitingLine::Step::Answered;
    line->answer = reply;
    answerReadyLines();
}

void ScriptBridge::answerReadyLines()
{
    while (!waiting.isEmpty() && waiting.first().step == WaitingLine::Step::Answered)
        port.answer(waiting.takeFirst().answer);
}

ScriptBridge::WaitingLine *ScriptBridge::find(uint64_t id)
{
    const auto found = std::find_if(waiting.begin(), waiting.end(), [id](const WaitingLine &line) { return line.id == id; });
    return found == waiting.end() ? nullptr : &*found;
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
