#pragma once

#include "jsonrpc.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>

class QIODevice;
class QLocalSocket;
class QTcpSocket;

namespace tovra {

// One client of the control API on its connection: cuts what it sends into lines, hands each out
// as a request, writes the answers, and pushes the events it subscribed to.
//
// It never lets a client hold the program up or fill its memory: a line over 64 KiB closes the
// connection; while the client leaves more than 64 KiB of answers unread, its further requests
// wait unread (its own writes block); events that it does not read wait in a queue of 256 that
// drops the oldest, and the next event delivered says how many were dropped.
class ApiSession : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    static constexpr qsizetype WriteHighWater = 64 * 1024;
    static constexpr std::size_t EventQueueLength = 256;

    ApiSession(QLocalSocket *socket, int number, QObject *parent = nullptr);
    ApiSession(QTcpSocket *socket, int number, QObject *parent = nullptr);

    // "api#3", and what the log and the window call the client: "api#3 (ramp.py)".
    QString id() const { return clientId; }
    QString description() const;
    void setName(const QString &name) { clientName = name; }

    // Whether the client came over TCP rather than the Unix socket.
    bool isTcp() const;

    bool isAuthenticated() const { return authenticated; }
    void setAuthenticated(bool yes) { authenticated = yes; }

    QSet<QString> subscriptions() const { return subscribed; }
    void setSubscriptions(const QSet<QString> &kinds) { subscribed = kinds; }

    // A whole line (an answer or a refusal): always written.
    void send(const QByteArray &line);
    // An event, when the client subscribed to its kind.
    void sendEvent(const QString &kind, const QJsonObject &data);
    // Writes what is waiting, then hangs up.
    void closeAfterWriting();

    std::size_t waitingEvents() const { return events.size(); }
    qint64 unwrittenBytes() const;

signals:
    void requestReceived(const JsonRpc::Request &request);
    void closed();

private:
    ApiSession(QIODevice *socket, int number, std::function<void()> hangUp, QObject *parent);
    void readRequests();
    void handleLine(const QByteArray &line);
    void writeEvents();

    struct Event
    {
        QString kind;
        QJsonObject data;
    };

    QIODevice *const socket;
    const std::function<void()> hangUp;
    const QString clientId;
    QString clientName;
    bool authenticated = true;
    bool closing = false;
    QSet<QString> subscribed;
    std::deque<Event> events;
    qint64 dropped = 0;
};

} // namespace tovra
