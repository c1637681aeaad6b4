#pragma once

#include "portwatcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace tovra {

class Communication;
class Desktop;
class RecordFiles;
class TRZComPort;
class TerminalView;
struct LaserState;

// Finds the laser in use again after its port went away (a cable pulled, an adapter reset, the
// controller power-cycled), in the same process. While the port question is open it watches for
// ports (PortWatcher), greets each candidate as the connection scan does and asks "ID?". Only
// the same model and serial number is taken: the question closes by itself, the stop commands
// asked for meanwhile go out first, the laser leaves local mode and the settings are read again.
// Another laser, or a device that is no laser, is closed again at once and left alone until it
// goes away and comes back. Nothing else is sent: lines queued for the laser are dropped while
// the link is lost (the task runner names them).
class LinkRecovery : public QObject
{
    Q_OBJECT
public:
    struct Actions
    {
        std::function<void()> restart;
        std::function<void()> exit;
        std::function<void(const QString &statusText)> showStale;
        std::function<void()> reloadSettings; // as Tools > Refresh reads them
        // The enable and fire controls follow the next status word read, whatever the operator did.
        std::function<void()> followNextStatusWord;
    };

    LinkRecovery(LaserState &laserState, Communication &exchange, TRZComPort &serialPort, Desktop &desktopSeam,
                 TerminalView &terminalView, RecordFiles &recordFiles, Actions hostActions, QObject *parent = nullptr);
    ~LinkRecovery() override;

    // The laser's port is gone: asks "Port no longer available, restart?" and, while it is open,
    // looks for the same laser. True when it was found again and polling may go on; false when
    // the program restarts or ends (an answer, or an exit asked for meanwhile).
    bool recover();
    bool isLost() const { return lost; }
    bool udevActive() const { return watcher.udevActive(); }
    void setRetryInterval(std::chrono::milliseconds interval) { watcher.setRetryInterval(interval); }

private:
    // What was found at a port number: the node that stood there (see portAppearance).
    using Appearances = std::map<int, QByteArray>;
    enum class Answer { SameLaser, Other, NotOpened };

    bool watchesForLaser() const;
    void beginWatching();
    void lookAgain();
    QList<int> candidates();
    Answer tryPort(int portNumber);
    void refuse(int portNumber, const QString &identityReply);
    void resume();
    void note(const QString &text);

    LaserState &state;
    Communication &comm;
    TRZComPort &port;
    Desktop &desktop;
    TerminalView &view;
    RecordFiles &records;
    const Actions actions;
    PortWatcher watcher;

    bool lost = false;
    bool looking = false;
    bool asking = false; // the port question is open
    std::optional<int> foundAt;
    int lostPort = 0;
    QElapsedTimer lostFor;
    Appearances atLoss;   // every port's node when the link was lost
    Appearances refused;  // ports not to be greeted again while the same node stands there
};

} // namespace tovra
