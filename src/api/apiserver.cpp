#include "apiserver.h"

#include "apibackend.h"
#include "apisession.h"
#include "privatefolder.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

namespace {

bool fail(QString *error, const QString &text)
{
    *error = text;
    return false;
}

// Makes room at `path` for our socket: a socket of ours that no program answers on any more goes.
bool clearSocketPath(const QString &path, QString *error)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat there {};
    if (lstat(encoded.constData(), &there) != 0)
        return true;
    if (!S_ISSOCK(there.st_mode) || there.st_uid != geteuid())
        return fail(error, path + QStringLiteral(" exists and is not a socket of yours; it is left alone"));
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000))
        return fail(error, QStringLiteral("Another program already serves the control API at ") + path);
    if (::unlink(encoded.constData()) != 0)
        return fail(error, QStringLiteral("Cannot replace ") + path);
    return true;
}

} // namespace

ApiServer::ApiServer(ApiBackend &laser, std::chrono::milliseconds leasePeriod, QObject *parent)
    : QObject(parent)
    , backend(laser)
    , control(leasePeriod)
    , methods(laser, control)
{
    connect(&backend, &ApiBackend::event, this, &ApiServer::deliver);
    connect(&control, &RemoteControl::holderChanged, this, [this](const QString &holder) {
        backend.note(holder.isEmpty() ? QStringLiteral("Remote control released")
                                      : QStringLiteral("Remote control: ") + holder);
        backend.showRemoteControl(holder);
    });
    connect(&control, &RemoteControl::leaseExpired, this, [this](const QString &holder) {
        stopLaser(QStringLiteral("API client ") + holder + QStringLiteral(" sent no ping for ")
                  + QString::number(static_cast<double>(control.leasePeriod().count()) / 1000.0) + QStringLiteral(" s while the laser fired: laser stopped"));
    });
}

ApiServer::~ApiServer()
{
    close();
}

bool ApiServer::listenLocal(const QString &path, QString *error)
{
    const int folder = openPrivateFolder(QFileInfo(path).absolutePath(), error);
    if (folder < 0)
        return false;
    ::close(folder);
    if (!clearSocketPath(path, error))
        return false;
    auto *server = new QLocalServer(this);
    // Made 0600 from the start: the socket appears in the folder with the user's permissions only.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const QString reason = server->errorString();
        delete server;
        return fail(error, QStringLiteral("Cannot listen at ") + path + QStringLiteral(": ") + reason);
    }
    ::chmod(QFile::encodeName(path).constData(), 0600);
    local = server;
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket *socket = server->nextPendingConnection())
            adopt(new ApiSession(socket, ++clientsEver, this));
    });
    return true;
}

bool ApiServer::listenTcp(const TcpEndpoint &endpoint, const QByteArray &token, QString *error)
{
    if (tcp)
        return fail(error, QStringLiteral("Already listening on TCP port ") + QString::number(tcpPort()));
    if (!endpoint.address.isLoopback() && token.isEmpty())
        return fail(error, endpoint.address.toString()
                               + QStringLiteral(" is not a loopback address: set TOVRA_API_TOKEN_FILE to listen on it"));
    auto *server = new QTcpServer(this);
    if (!server->listen(endpoint.address, endpoint.port)) {
        const QString reason = server->errorString();
        delete server;
        return fail(error, QStringLiteral("Cannot listen on ") + endpoint.address.toString() + QLatin1Char(':')
                               + QString::number(endpoint.port) + QStringLiteral(": ") + reason);
    }
    methods.requireToken(token);
    tcp = server;
    connect(server, &QTcpServer::newConnection, this, [this, server] {
        while (QTcpSocket *socket = server->nextPendingConnection()) {
            auto *session = new ApiSession(socket, ++clientsEver, this);
            session->setAuthenticated(!methods.tokenRequired());
            adopt(session);
        }
    });
    return true;
}

void ApiServer::closeTcp()
{
    delete tcp;
    tcp = nullptr;
    for (ApiSession *session : std::as_const(sessions)) {
        if (session->isTcp())
            session->closeAfterWriting();
    }
}

void ApiServer::close()
{
    delete local;
    local = nullptr;
    delete tcp;
    tcp = nullptr;
    for (ApiSession *session : std::as_const(sessions)) {
        session->disconnect(this);
        session->closeAfterWriting();
        session->deleteLater();
    }
    sessions.clear();
    control.clear();
}

QString ApiServer::socketPath() const
{
    return local ? local->fullServerName() : QString();
}

quint16 ApiServer::tcpPort() const
{
    return tcp ? tcp->serverPort() : 0;
}

QHostAddress ApiServer::tcpAddress() const
{
    return tcp ? tcp->serverAddress() : QHostAddress();
}

void ApiServer::adopt(ApiSession *session)
{
    if (sessions.size() >= MaxClients) {
        session->send(JsonRpc::error({QJsonValue::Null, JsonRpc::TooManyClients,
                                      QStringLiteral("Too many clients: at most 16 at once; try again later")}));
        session->closeAfterWriting();
        connect(session, &ApiSession::closed, session, &QObject::deleteLater);
        return;
    }
    sessions.append(session);
    connect(session, &ApiSession::requestReceived, this,
            [this, session](const JsonRpc::Request &request) { methods.handle(*session, request); });
    connect(session, &ApiSession::closed, this, [this, session] { forget(session); });
}

void ApiServer::forget(ApiSession *session)
{
    sessions.removeOne(session);
    session->deleteLater();
    if (!control.isHeldBy(session->id()))
        return;
    const bool active = control.leaseArmed() || backend.firingOrEnabled();
    const QString holder = control.holder();
    control.clear();
    if (active)
        stopLaser(QStringLiteral("API client ") + holder + QStringLiteral(" disconnected while in control: laser stopped"));
}

void ApiServer::deliver(const QString &kind, const QJsonObject &data)
{
    // The laser stopped, whoever stopped it: no lease is needed any more.
    if (kind == QLatin1String("fire") && !data.value(QLatin1String("firing")).toBool()
        && !data.value(QLatin1String("enabled")).toBool())
        control.endLease();
    for (ApiSession *session : std::as_const(sessions))
        session->sendEvent(kind, data);
}

void ApiServer::stopLaser(const QString &reason)
{
    control.endLease();
    backend.stop(QStringLiteral("API"), reason);
}

} // namespace tovra
