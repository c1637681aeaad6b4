#pragma once

#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QMap>
#include <QString>
#include <QTcpSocket>

#include <chrono>
#include <memory>

namespace tovra::test {

// A client of the control API for tests: sends one request per line and waits for its answer
// while the event loop runs (the server may live in the same thread), and keeps the events it
// is pushed in the order they came.
class ApiClient
{
public:
    // Connects to the Unix socket `path`; isConnected() says whether that worked.
    explicit ApiClient(const QString &path);
    // Connects over TCP.
    ApiClient(const QString &host, quint16 port);

    bool isConnected() const;
    void disconnect();
    // Whether the server hung up (waits up to `timeout`).
    bool waitForHangUp(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The answer (the whole response object) to `method` with `params`; empty after a time-out.
    QJsonObject call(const QString &method, const QJsonObject &params = {},
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Sends `line` as it stands (a line end is added) and returns the next response without id or
    // with the next id; for requests the test builds by hand.
    QJsonObject sendLine(const QByteArray &line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void sendRaw(const QByteArray &bytes);

    // Events received so far (each {"method": kind, "params": data}); waits for at least `count`.
    QList<QJsonObject> events(qsizetype count = 0, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    QList<QJsonObject> eventsOf(const QString &kind);

    // Stop reading (the socket's buffer stays unread, so the server's writes back up).
    void pauseReading(bool paused);

private:
    void readLines();
    QJsonObject waitForResponse(const QJsonValue &id, std::chrono::milliseconds timeout);

    std::unique_ptr<QIODevice> socket;
    QByteArray pending;
    QList<QJsonObject> responses;
    QList<QJsonObject> received;
    int nextId = 1;
    bool paused = false;
};

// Building params and reading answers in tests.
QJsonObject params(std::initializer_list<QPair<QString, QJsonValue>> list);
int errorCode(const QJsonObject &response);
QString errorMessage(const QJsonObject &response);
bool succeeded(const QJsonObject &response);
QJsonObject resultOf(const QJsonObject &response);

} // namespace tovra::test
