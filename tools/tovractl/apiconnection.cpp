#include "apiconnection.h"

#include "apiendpoint.h"

#include <QDeadlineTimer>
#include "jsonrpc.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QTcpSocket>

ApiConnection::ApiConnection() = default;
ApiConnection::~ApiConnection() = default;

ApiConnection::Outcome ApiConnection::open(const QString &path, const QString &tcp, QString *error)
{
    if (tcp.isEmpty()) {
        auto *local = new QLocalSocket;
        socket.reset(local);
        local->connectToServer(path);
        if (!local->waitForConnected(5000)) {
            *error = QStringLiteral("No program answers at ") + path + QStringLiteral(" (") + local->errorString() + QLatin1Char(')');
            return Outcome::NoProgram;
        }
        return Outcome::Ok;
    }
    const std::optional<tovra::TcpEndpoint> endpoint = tovra::parseTcpEndpoint(tcp, error);
    if (!endpoint)
        return Outcome::Refused;
    auto *remote = new QTcpSocket;
    socket.reset(remote);
    remote->connectToHost(endpoint->address, endpoint->port);
    if (!remote->waitForConnected(5000)) {
        *error = QStringLiteral("No program answers at ") + tcp + QStringLiteral(" (") + remote->errorString() + QLatin1Char(')');
        return Outcome::NoProgram;
    }
    const QString tokenFile = qEnvironmentVariable("TOVRA_API_TOKEN_FILE");
    if (tokenFile.isEmpty())
        return Outcome::Ok;
    const std::optional<QByteArray> token = tovra::readTokenFile(tokenFile, error);
    if (!token)
        return Outcome::Refused;
    QJsonObject ignored;
    return call(QStringLiteral("auth"), {{QStringLiteral("token"), QString::fromUtf8(*token)}}, &ignored, error);
}

ApiConnection::Outcome ApiConnection::call(const QString &method, const QJsonObject &params, QJsonObject *result,
                                           QString *error)
{
    const int id = nextId++;
    socket->write(tovra::JsonRpc::request(id, method, params));
    QJsonObject message;
    while (readMessage(&message, 10000)) {
        if (message.contains(QLatin1String("method"))) {
            if (onEvent)
                onEvent(message.value(QLatin1String("method")).toString(), message.value(QLatin1String("params")).toObject());
            continue;
        }
        const QJsonValue answerId = message.value(QLatin1String("id"));
        if (answerId != id && !answerId.isNull())
            continue;
        if (message.contains(QLatin1String("error"))) {
            *error = message.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString();
            return Outcome::Refused;
        }
        const QJsonValue value = message.value(QLatin1String("result"));
        *result = value.isObject() ? value.toObject() : QJsonObject{{QStringLiteral("result"), value}};
        return Outcome::Ok;
    }
    *error = QStringLiteral("The program did not answer ") + method;
    return Outcome::NoProgram;
}

bool ApiConnection::waitForEvents(int milliseconds)
{
    QJsonObject message;
    QDeadlineTimer deadline(milliseconds);
    while (readMessage(&message, static_cast<int>(deadline.remainingTime()))) {
        if (onEvent && message.contains(QLatin1String("method")))
            onEvent(message.value(QLatin1String("method")).toString(), message.value(QLatin1String("params")).toObject());
    }
    if (auto *local = qobject_cast<QLocalSocket *>(socket.get()))
        return local->state() == QLocalSocket::ConnectedState;
    return static_cast<QTcpSocket *>(socket.get())->state() == QAbstractSocket::ConnectedState;
}

// The next whole line as an object; false when none came in time or the program hung up.
bool ApiConnection::readMessage(QJsonObject *message, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    qsizetype end;
    while ((end = pending.indexOf('\n')) < 0) {
        if (deadline.hasExpired() || !socket->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
        pending += socket->readAll();
    }
    *message = QJsonDocument::fromJson(pending.left(end)).object();
    pending.remove(0, end + 1);
    return true;
}
