#include "linkrecovery.h"

#include "communication.h"
#include "desktop.h"
#include "identity.h"
#include "laserstate.h"
#include "recordfiles.h"
#include "rzcomport.h"
#include "serialdevice.h"
#include "terminalview.h"

#include <QScopedValueRollback>

namespace tovra {

namespace {

const QString PortQuestion = QStringLiteral("Port no longer available, restart?");
constexpr int FirstPort = 1;
constexpr int LastPort = 100;
// A candidate is greeted as the connection scan greets: replies within its 100 ms.
constexpr uint32_t GreetingReplyTime = 100;

QString laserName(const QString &model, int32_t serialNumber)
{
    return model + QStringLiteral(" SN ") + QString::number(serialNumber);
}

} // namespace

LinkRecovery::LinkRecovery(LaserState &laserState, Communication &exchange, TRZComPort &serialPort,
                           Desktop &desktopSeam, TerminalView &terminalView, RecordFiles &recordFiles,
                           Actions hostActions, QObject *parent)
    : QObject(parent)
    , state(laserState)
    , comm(exchange)
    , port(serialPort)
    , desktop(desktopSeam)
    , view(terminalView)
    , records(recordFiles)
    , actions(std::move(hostActions))
{
    connect(&watcher, &PortWatcher::lookAgain, this, &LinkRecovery::lookAgain);
}

LinkRecovery::~LinkRecovery() = default;

// Only a laser whose identity was read can be recognised; a port picked by hand that never
// answered as a laser is not watched for.
bool LinkRecovery::watchesForLaser() const
{
    return !comm.isDetached() && isAcceptedModelName(state.modelName);
}

bool LinkRecovery::recover()
{
    const bool watching = watchesForLaser();
    if (watching)
        beginWatching();
    // A laser back already (a short glitch) is taken without a question.
    Button answer = Button::None;
    if (!foundAt) {
        const QScopedValueRollback<bool> questionOpen(asking, true);
        answer = desktop.warning(PortQuestion, ButtonSet::YesNo);
    }
    watcher.stop();
    if (foundAt) {
        resume();
        return true;
    }
    // An exit asked for while the question was open (a stop signal closes it) goes on through
    // the task timer, which sends nothing to a lost laser.
    if (comm.exitRequested())
        return false;
    if (answer == Button::Yes)
        actions.restart();
    else
        actions.exit();
    return false;
}

void LinkRecovery::beginWatching()
{
    lost = true;
    foundAt.reset();
    lostPort = port.Port();
    lostFor.start();
    atLoss.clear();
    refused.clear();
    for (int n = FirstPort; n <= LastPort; ++n)
        atLoss[n] = portAppearance(n);
    comm.setLinkLost(true);
    records.appendLogNote(QStringLiteral("Link lost (") + Communication::timeStamp() + QLatin1Char(')'));
    actions.showStale(QStringLiteral("Status: link lost, waiting for ") + laserName(state.modelName, state.serialNumber));
    watcher.start(devicePathForPort(lostPort));
    lookAgain();
}

// The lost port's number first, then the ports that appeared since the loss. A refused port
// stays refused while the same node stands there.
QList<int> LinkRecovery::candidates()
{
    QList<int> ports;
    for (int n = FirstPort; n <= LastPort; ++n) {
        const QByteArray now = portAppearance(n);
        const auto refusal = refused.find(n);
        if (refusal != refused.end()) {
            if (refusal->second == now)
                continue;
            refused.erase(refusal);
        }
        if (now.isEmpty())
            continue;
        if (n == lostPort)
            ports.prepend(n);
        else if (now != atLoss[n])
            ports.append(n);
    }
    return ports;
}

void LinkRecovery::lookAgain()
{
    if (!lost || looking || foundAt || comm.exitRequested())
        return;
    looking = true;
    for (const int n : candidates()) {
        if (tryPort(n) == Answer::SameLaser) {
            foundAt = n;
            break;
        }
        if (comm.exitRequested())
            break;
    }
    looking = false;
    if (!foundAt)
        port.setPort(lostPort);
    else if (asking)
        desktop.closeOpenBoxes();
}

LinkRecovery::Answer LinkRecovery::tryPort(int portNumber)
{
    port.Close();
    port.setPort(portNumber);
    const bool allowedEvents = port.AllowEvents();
    const uint32_t replyTime = port.ResponseTime();
    port.setAllowEvents(false);
    port.setResponseTime(GreetingReplyTime);
    Answer answer = Answer::NotOpened;
    if (port.Open()) {
        const QString reply = comm.greetAndAskIdentity();
        LaserState candidate;
        parseIdentityReply(reply, candidate);
        if (!reply.isEmpty() && candidate.modelName == state.modelName
            && candidate.serialNumber == state.serialNumber) {
            answer = Answer::SameLaser;
        } else {
            answer = Answer::Other;
            port.Close();
            refuse(portNumber, reply);
        }
    }
    port.setResponseTime(replyTime);
    port.setAllowEvents(allowedEvents);
    return answer;
}

void LinkRecovery::refuse(int portNumber, const QString &identityReply)
{
    refused[portNumber] = portAppearance(portNumber);
    LaserState other;
    parseIdentityReply(identityReply, other);
    const QString inUse = other.modelName == state.modelName ? QStringLiteral("SN ") + QString::number(state.serialNumber)
                                                             : laserName(state.modelName, state.serialNumber);
    const QString at = QStringLiteral("COM") + QString::number(portNumber);
    if (isAcceptedModelName(other.modelName)) {
        const QString found = other.modelName == state.modelName ? QStringLiteral("SN ") + QString::number(other.serialNumber)
                                                                 : laserName(other.modelName, other.serialNumber);
        note(QStringLiteral("Laser ") + found + QStringLiteral(" found at ") + at + QStringLiteral(", not the laser in use (")
             + inUse + QLatin1Char(')'));
    } else {
        note(QStringLiteral("No laser at ") + at + QStringLiteral(", not the laser in use (") + inUse + QLatin1Char(')'));
    }
}

// The stop commands asked for while the laser was gone are its first lines; nothing else the
// operator queued meanwhile follows.
void LinkRecovery::resume()
{
    lost = false;
    comm.setLinkLost(false);
    // The operator's stops go out now; the controls follow the first status word read after.
    if (actions.followNextStatusWord)
        actions.followNextStatusWord();
    const double seconds = double(lostFor.elapsed()) / 1000.0;
    comm.sendPendingStops();
    comm.SendRawLine(QStringLiteral(";LC:XL 0"));
    const QString found = QStringLiteral("Laser found again at COM") + QString::number(*foundAt) + QStringLiteral(" after ")
                          + QString::number(seconds, 'f', 1) + QStringLiteral(" s");
    note(found);
    records.appendLogNote(found);
    actions.reloadSettings();
}

void LinkRecovery::note(const QString &text)
{
    view.appendTrafficLine(QLatin1Char('(') + Communication::timeStamp() + QStringLiteral(") ") + text,
                           TrafficDirection::Note);
}

} // namespace tovra
