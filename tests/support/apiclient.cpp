#include "apiclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include "jsonrpc.h"

#include <QJsonDocument>

namespace tovra::test {

namespace {

// Runs the event loop until `done` or the deadline. The loop sleeps until an event comes (the
// socket's data, the server's own work when it lives in this thread); the timer only makes sure
// that the deadline is seen. processEvents with a time limit would not sleep at all: it drops
// WaitForMoreEvents and spins.
template<typename Condition>
bool spinUntil(Condition done, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    QTimer wake;
    wake.start(std::chrono::milliseconds(50));
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

ApiClient::ApiClient(const QString &path)
{
    auto *local = new QLocalSocket;
    socket.reset(local);
    // A paused client leaves the rest in the kernel, as a program that does not read does.
    local->setReadBufferSize(64 * 1024);
    QObject::connect(local, &QIODevice::readyRead, [this] { readLines(); });
    local->connectToServer(path);
    spinUntil([local] { return local->state() != QLocalSocket::ConnectingState; }, std::chrono::seconds(5));
}

ApiClient::ApiClient(const QString &host, quint16 port)
{
    auto *tcp = new QTcpSocket;
    socket.reset(tcp);
    tcp->setReadBufferSize(64 * 1024);
    QObject::connect(tcp, &QIODevice::readyRead, [this] { readLines(); });
    tcp->connectToHost(host, port);
    spinUntil([tcp] { return tcp->state() == QAbstractSocket::ConnectedState || tcp->state() == QAbstractSocket::UnconnectedState; },
              std::chrono::seconds(5));
}

bool ApiClient::isConnected() const
{
    if (auto *local = qobject_cast<QLocalSocket *>(socket.get()))
        return local->state() == QLocalSocket::ConnectedState;
    return static_cast<QTcpSocket *>(socket.get())->state() == QAbstractSocket::ConnectedState;
}

void ApiClient::disconnect()
{
    socket->close();
}

bool ApiClient::waitForHangUp(std::chrono::milliseconds timeout)
{
    return spinUntil([this] { return !isConnected(); }, timeout);
}

void ApiClient::sendRaw(const QByteArray &bytes)
{
    socket->write(bytes);
}

QJsonObject ApiClient::call(const QString &method, const QJsonObject &params, std::chrono::milliseconds timeout)
{
    const int id = nextId++;
    socket->write(tovra::JsonRpc::request(id, method, params));
    return waitForResponse(id, timeout);
}

QJsonObject ApiClient::sendLine(const QByteArray &line, std::chrono::milliseconds timeout)
{
    socket->write(line + '\n');
    QJsonObject found;
    spinUntil([this, &found] {
        if (responses.isEmpty())
            return false;
        found = responses.takeFirst();
        return true;
    }, timeout);
    return found;
}

QJsonObject ApiClient::waitForResponse(const QJsonValue &id, std::chrono::milliseconds timeout)
{
    QJsonObject found;
    spinUntil([this, &found, &id] {
        for (qsizetype i = 0; i < responses.size(); ++i) {
            if (responses[i].value(QLatin1String("id")) == id) {
                found = responses.takeAt(i);
                return true;
            }
        }
        return false;
    }, timeout);
    return found;
}

QList<QJsonObject> ApiClient::events(qsizetype count, std::chrono::milliseconds timeout)
{
    spinUntil([this, count] { return received.size() >= count; }, timeout);
    return received;
}

QList<QJsonObject> ApiClient::eventsOf(const QString &kind)
{
    QList<QJsonObject> found;
    for (const QJsonObject &event : std::as_const(received)) {
        if (event.value(QLatin1String("method")) == kind)
            found.append(event);
    }
    return found;
}

void ApiClient::pauseReading(bool pause)
{
    paused = pause;
    if (!paused)
        readLines();
}

void ApiClient::readLines()
{
    if (paused)
        return;
    pending += socket->readAll();
    qsizetype end;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QJsonObject message = QJsonDocument::fromJson(pending.left(end)).object();
        pending.remove(0, end + 1);
        (message.contains(QLatin1String("method")) ? received : responses).append(message);
    }
}

QJsonObject params(std::initializer_list<QPair<QString, QJsonValue>> list)
{
    QJsonObject object;
    for (const auto &[key, value] : list)
        object.insert(key, value);
    return object;
}

int errorCode(const QJsonObject &response)
{
    return response.value(QLatin1String("error")).toObject().value(QLatin1String("code")).toInt();
}

QString errorMessage(const QJsonObject &response)
{
    return response.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString();
}

bool succeeded(const QJsonObject &response)
{
    return response.contains(QLatin1String("result"));
}

QJsonObject resultOf(const QJsonObject &response)
{
    return response.value(QLatin1String("result")).toObject();
}

} // namespace tovra::test
