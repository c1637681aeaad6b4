#pragma once

#include "scriptline.h"
#include "sharedport.h"

#include <QObject>

#include <functional>

namespace tovra {

class Communication;
class TerminalView;
struct LaserState;

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
// and logged), at the task tick and under its rules: never during a status update, never while
// commands are inhibited or another exchange holds the port. The reply, or nothing after a time-out,
// goes back to the script in the order of its lines. Lines that could start firing or enable the
// laser go out only while the operator allows remote firing.
class ScriptBridge : public QObject
{
    Q_OBJECT
public:
    ScriptBridge(LaserState &laserState, Communication &exchange, TerminalView &terminalView,
                 ScriptSettingView &settingView, QObject *parent = nullptr);

    bool start(const QString &linkPath, QString *error);
    // Hangs the line up for the script and removes the link.
    void stop();
    bool isSharing() const { return port.isOpen(); }
    QString linkPath() const { return port.linkPath(); }

    void setRemoteFiringAllowed(bool allowed);
    // Where notes go in the communication log: sharing and remote firing switched on and off, and
    // each script line refused.
    void setLogNote(std::function<void(const QString &)> write) { logNote = std::move(write); }
    // While `due` says so, a status update is about to start: the script's lines give way, so that
    // the status poll keeps its cadence however fast a script sends.
    void setStatusPollDue(std::function<bool()> due) { statusPollDue = std::move(due); }

    bool hasWaitingLines() const { return port.hasLine(); }
    // The task tick's part: sends the script's waiting lines, each answered before the next.
    void sendWaitingLines();

signals:
    // A line waits to be sent: the task queue should run now rather than at its next tick.
    void linesWaiting();

private:
    bool maySendNow() const;
    void sendLine(const QByteArray &line);
    void showNote(const QString &note);
    void noteInLog(const QString &note);

    LaserState &state;
    Communication &comm;
    TerminalView &view;
    ScriptSettingView &settings;
    SharedPort port;
    std::function<bool()> statusPollDue;
    std::function<void(const QString &)> logNote;
    bool remoteFiringAllowed = false;
};

} // namespace tovra
