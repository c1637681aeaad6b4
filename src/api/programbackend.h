#pragma once

#include "apibackend.h"
#include "scriptline.h"
#include "waitinglines.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>

#include <deque>
#include <functional>

namespace tovra {

class Communication;
struct LaserState;

// The control API's backend on the running program: reads the laser state, queues parameters
// and enable/fire as the window's controls do, keeps raw lines until the scheduler gives them
// their turn (after the script's lines, never inside another exchange), and turns what the
// program reports into events.
// Whoever builds the program wires it (`Wiring`) and calls the report slots below; the window,
// when there is one, listens to the signals at the end to show what remote clients do.
class ProgramBackend : public ApiBackend, public WaitingLines
{
    Q_OBJECT
public:
    struct Wiring
    {
        LaserState &state;
        Communication &comm;
        // A parameter's command, as a control's handler queues it; each write names its source
        // ("API api#3 (ramp.py)"), which the communication log records with the line.
        std::function<void(const QString &command, const QString &source)> queueCommand;
        std::function<void(bool, const QString &source)> setEnabled; // as the enable box
        std::function<void(bool, const QString &source)> setFiring; // as the fire button
        // The laser fires, or the fire button's "FL 1" stands (it only arms on the external trigger).
        std::function<bool()> firingOrRequested;
        // A setting the laser was given: its control shows it without sending it again.
        std::function<void(const ScriptSetting &)> followSetting;
        std::function<bool()> remoteFiringAllowed;
        std::function<bool()> demoMode; // the program runs without a laser
        // Asks the scheduler for the raw lines' turn soon.
        std::function<void()> requestTurn;
        // A whole line for the communication log.
        std::function<void(const QString &)> logLine;
        QString programVersion;
    };

    explicit ProgramBackend(Wiring wiring, QObject *parent = nullptr);

    QJsonObject identity() const override;
    QJsonObject statusSnapshot() const override;
    QList<ApiParameter> parameters() const override;
    bool laserConnected() const override;
    bool remoteFiringAllowed() const override;
    bool firingOrEnabled() const override;
    QString fireRefusal() const override;
    void setParameter(const QString &name, double value, const QString &source) override;
    void setEnabled(bool enabled, const QString &source) override;
    void setFiring(bool firing, const QString &source) override;
    void stop(const QString &source, const QString &reason) override;
    void sendRaw(const QString &line, const QString &source, std::function<void(const QString &)> answered) override;
    void showRemoteControl(const QString &client) override;
    void note(const QString &text) override;

    // What the program reports.
    void statusUpdated(qint64 durationMs); // a status update ended
    void linkChanged(bool live); // the read-outs turned live or stale
    void fireStateChanged(); // the fire look or the enable box changed
    void settingsChanged(); // a setting was shown from the laser's side
    void trafficLine(const QString &line);
    // Not connected to a laser any more (the program ends or restarts): raw lines are answered empty.
    void detach();

    // The raw lines' turn, given by the scheduler.
    bool hasWaitingLines() const override;
    void sendWaitingLines(const std::function<bool()> &turnLasts) override;
    // A stop went ahead: waiting raw lines that would fire or enable the laser are answered empty
    // and noted, never sent after it.
    void withdrawFiringLines() override;

signals:
    // For the window: "Remote control: <client>" while `client` is not empty.
    void remoteControlShown(const QString &client);
    // A note the window shows (and the log got): a stopped laser and why, a refused line.
    void noteShown(const QString &text);

private:
    struct RawLine
    {
        QString line;
        QString source;
        std::function<void(const QString &)> answered;
    };

    bool refuseIfNotConnected();
    QJsonObject fireState() const;
    QJsonObject values() const;

    Wiring wiring;
    std::deque<RawLine> rawLines;
    bool live = false;
    bool detached = false;
    QDateTime lastUpdate;
    qint64 lastDurationMs = 0;
    uint32_t lastFaultBits = 0;
    QJsonObject lastFireState;
    QList<ApiParameter> lastParameters;
};

} // namespace tovra
