#pragma once

#include "apiendpoint.h"
#include "apimethods.h"
#include "remotecontrol.h"

#include <QList>
#include <QObject>

#include <chrono>
#include <memory>

class QLocalServer;
class QTcpServer;

namespace tovra {

class ApiBackend;
class ApiSession;

// The control API: newline-delimited JSON-RPC 2.0 on a Unix socket of the user's own (and, when
// asked, on TCP), for up to 16 clients at once. It holds the clients, who of them controls the
// laser, the firing lease, and hands each backend event to the clients that subscribed to it.
// A controlling client that goes away, or lets its lease run out while the laser fires, has the
// laser stopped with the reason noted in the log and the window.
class ApiServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxClients = 16;
    static constexpr std::chrono::milliseconds DefaultLease{2000};

    explicit ApiServer(ApiBackend &backend, std::chrono::milliseconds leasePeriod = DefaultLease,
                       QObject *parent = nullptr);
    ~ApiServer() override;

    // Listens at `path` (its folder must be the user's alone, mode 0700, made so when missing;
    // the socket is made 0600). A socket left by a program that ended is replaced; one that a
    // running program answers on, or anything else at the path, is refused.
    bool listenLocal(const QString &path, QString *error);
    // Listens on TCP: a loopback address, or any address when `token` is given (clients must then
    // send `auth` with it first).
    bool listenTcp(const TcpEndpoint &endpoint, const QByteArray &token, QString *error);
    // Stops listening on TCP and hangs up the clients that came that way (a controlling one has
    // the laser stopped, as any client that goes away does); the Unix socket serves on.
    void closeTcp();
    void close();

    QString socketPath() const;
    quint16 tcpPort() const;
    // The address listened on over TCP; null when not listening.
    QHostAddress tcpAddress() const;
    int clientCount() const { return static_cast<int>(sessions.size()); }
    const RemoteControl &remoteControl() const { return control; }

private:
    void adopt(ApiSession *session);
    void forget(ApiSession *session);
    void deliver(const QString &kind, const QJsonObject &data);
    void stopLaser(const QString &reason);

    ApiBackend &backend;
    RemoteControl control;
    ApiMethods methods;
    QLocalServer *local = nullptr;
    QTcpServer *tcp = nullptr;
    QList<ApiSession *> sessions;
    int clientsEver = 0;
};

} // namespace tovra
