#include "apisession.h"

#include <QLocalSocket>
#include <QTcpSocket>

namespace tovra {

namespace {

// Unread bytes above this stay in the kernel, so a flood without line ends costs the program
// no more than one line's worth.
constexpr qint64 ReadBufferBytes = 2 * ApiSession::MaxLineBytes;

} // namespace

ApiSession::ApiSession(QLocalSocket *local, int number, QObject *parent)
    : ApiSession(local, number, [local] { local->disconnectFromServer(); }, parent)
{
    local->setReadBufferSize(ReadBufferBytes);
    connect(local, &QLocalSocket::disconnected, this, &ApiSession::closed);
}

ApiSession::ApiSession(QTcpSocket *tcp, int number, QObject *parent)
    : ApiSession(tcp, number, [tcp] { tcp->disconnectFromHost(); }, parent)
{
    tcp->setReadBufferSize(ReadBufferBytes);
    connect(tcp, &QTcpSocket::disconnected, this, &ApiSession::closed);
}

bool ApiSession::isTcp() const
{
    return qobject_cast<QTcpSocket *>(socket) != nullptr;
}

ApiSession::ApiSession(QIODevice *device, int number, std::function<void()> close, QObject *parent)
    : QObject(parent)
    , socket(device)
    , hangUp(std::move(close))
    , clientId(QStringLiteral("api#") + QString::number(number))
{
    device->setParent(this);
    connect(device, &QIODevice::readyRead, this, &ApiSession::readRequests);
    // Answers drained: requests held back and queued events may go on.
    connect(device, &QIODevice::bytesWritten, this, [this] {
        writeEvents();
        readRequests();
    });
}

QString ApiSession::description() const
{
    return clientName.isEmpty() ? clientId : clientId + QStringLiteral(" (") + clientName + QLatin1Char(')');
}

qint64 ApiSession::unwrittenBytes() const
{
    return socket->bytesToWrite();
}

void ApiSession::send(const QByteArray &line)
{
    if (!closing)
        socket->write(line);
}

void ApiSession::sendEvent(const QString &kind, const QJsonObject &data)
{
    if (closing || !subscribed.contains(kind))
        return;
    if (events.size() == EventQueueLength) {
        events.pop_front();
        ++dropped;
    }
    events.push_back({kind, data});
    writeEvents();
}

void ApiSession::writeEvents()
{
    while (!events.empty() && !closing && socket->bytesToWrite() < WriteHighWater) {
        Event next = std::move(events.front());
        events.pop_front();
        if (dropped > 0) {
            next.data.insert(QStringLiteral("dropped"), dropped);
            dropped = 0;
        }
        socket->write(JsonRpc::notification(next.kind, next.data));
    }
}

void ApiSession::closeAfterWriting()
{
    if (closing)
        return;
    closing = true;
    events.clear();
    hangUp();
}

void ApiSession::readRequests()
{
    // A client that leaves its answers unread is not read either: its requests wait in the kernel.
    while (!closing && socket->bytesToWrite() < WriteHighWater) {
        if (socket->canReadLine()) {
            const QByteArray line = socket->readLine(MaxLineBytes + 2);
            if (line.endsWith('\n')) {
                handleLine(line);
                continue;
            }
        } else if (socket->bytesAvailable() <= MaxLineBytes) {
            return;
        }
        send(JsonRpc::error({QJsonValue::Null, JsonRpc::InvalidRequest,
                             QStringLiteral("Line longer than 65536 bytes; closing the connection")}));
        closeAfterWriting();
    }
}

void ApiSession::handleLine(const QByteArray &line)
{
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
        return;
    const auto parsed = JsonRpc::parse(text);
    if (const auto *failure = std::get_if<JsonRpc::Error>(&parsed))
        send(JsonRpc::error(*failure));
    else
        emit requestReceived(std::get<JsonRpc::Request>(parsed));
}

} // namespace tovra
