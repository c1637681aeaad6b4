#pragma once

#include "communication.h"
#include "scriptline.h"
#include "sharedport.h"
#include "waitinglines.h"

#include <QList>
#include <QObject>

#include <cstdint>
#include <functional>

namespace tovra {

class TerminalView;

// Where the window shows a setting that a line sent as typed gave the laser, a script's line
// or the terminal's.
class ScriptSettingView
{
public:
    virtual ~ScriptSettingView() = default;
    // The laser took `setting` from a script or the terminal: the matching control shows it,
    // and nothing is sent back for it.
    virtual void showScriptSetting(const ScriptSetting &setting) = 0;
};

// Lets scripts talk to the laser through the shared port while the window keeps the port. Each
// line from the script goes out as the terminal's lines do (as typed, through the exchange, shown
// and logged), in the turn the scheduler (TaskRunner) gives the script: never during a status
// update, never while commands are inhibited or another exchange holds the port. The reply, or nothing after a time-out,
// goes back to the script in the order of its lines. Lines that could start firing or enable the
// laser go out only while the operator allows remote firing. A stop line, in any form the laser
// reads as one, is not kept waiting: it gets the Stop button's treatment (the stop handler) and its
// reply goes back in its turn; a stop from anywhere withdraws the waiting lines that would fire or
// enable the laser, each answered "Stopped by the operator".
class ScriptBridge : public QObject, public WaitingLines
{
    Q_OBJECT
public:
    ScriptBridge(Communication &exchange, TerminalView &terminalView, ScriptSettingView &settingView,
                 QObject *parent = nullptr);

    bool start(const QString &linkPath, QString *error);
    // Hangs the line up for the script and removes the link.
    void stop();
    bool isSharing() const { return port.isOpen(); }
    QString linkPath() const { return port.linkPath(); }

    void setRemoteFiringAllowed(bool allowed);
    bool isRemoteFiringAllowed() const { return remoteFiringAllowed; }
    // Where notes go in the communication log: sharing and remote firing switched on and off, and
    // each script line refused.
    void setLogNote(std::function<void(const QString &)> write) { logNote = std::move(write); }

    // How a stop line from the script reaches the laser ahead of everything (the task runner's
    // stopNow): `replied` gets the laser's reply.
    using StopHandler = std::function<void(const OutgoingLine &line, Communication::StopReplied replied)>;
    void setStopHandler(StopHandler handler) { stopHandler = std::move(handler); }

    bool hasWaitingLines() const override;
    // The script's turn: its waiting lines, each answered before the next, at most as many as may
    // wait, so that the operator's commands queued meanwhile get their turn at the next tick.
    void sendWaitingLines(const std::function<bool()> &turnLasts) override;
    // A stop was sent: the waiting lines that would fire or enable the laser are not sent; each
    // is answered "Stopped by the operator" in its turn.
    void withdrawFiringLines() override;

signals:
    // A line waits to be sent: the scheduler should give the script its turn soon.
    void linesWaiting();

private:
    // A line from the script, from its arrival until its answer has gone back.
    struct WaitingLine
    {
        enum class Step { ToSend, BeingSent, AwaitingStopReply, Answered };
        uint64_t id = 0;
        QByteArray bytes;
        Step step = Step::ToSend;
        QByteArray answer;
    };

    void takeArrivedLines();
    void sendLine(WaitingLine &line);
    void answer(uint64_t id, const QByteArray &reply);
    // Gives the answers that are due, in the order of the lines.
    void answerReadyLines();
    WaitingLine *find(uint64_t id);
    void showNote(const QString &note);
    void noteInLog(const QString &note);

    Communication &comm;
    TerminalView &view;
    ScriptSettingView &settings;
    SharedPort port;
    std::function<void(const QString &)> logNote;
    StopHandler stopHandler;
    QList<WaitingLine> waiting;
    uint64_t lastId = 0;
    bool remoteFiringAllowed = false;
};

} // namespace tovra
