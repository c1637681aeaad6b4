#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

// One blocking connection to the program's control API, for a command-line client: each call
// waits for its answer; events that come meanwhile go to the event handler.
class ApiConnection
{
public:
    enum class Outcome { Ok, Refused, NoProgram };

    ApiConnection();
    ~ApiConnection();

    // The Unix socket at `path`, or TCP at "HOST:PORT" (with the token of TOVRA_API_TOKEN_FILE
    // when set). NoProgram when nothing answers there.
    Outcome open(const QString &path, const QString &tcp, QString *error);

    // The result of `method`; Refused with `error` set to the server's error message.
    Outcome call(const QString &method, const QJsonObject &params, QJsonObject *result, QString *error);
    // Waits up to `milliseconds` for events; false when the program hung up.
    bool waitForEvents(int milliseconds);

    std::function<void(const QString &kind, const QJsonObject &data)> onEvent;

private:
    bool readMessage(QJsonObject *message, int milliseconds);

    std::unique_ptr<QIODevice> socket;
    QByteArray pending;
    int nextId = 1;
};
