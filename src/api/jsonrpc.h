#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <variant>

namespace tovra::JsonRpc {

// The error codes of JSON-RPC 2.0, and the API's own (from -32000 down).
enum Code {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    ControlHeldElsewhere = -32001, // the message names the client in control
    RemoteFiringNotAllowed = -32002,
    NotAuthenticated = -32003,
    TooManyClients = -32004,
    LaserNotConnected = -32005,
    NotReady = -32006, // the laser does not allow firing now
};

struct Request
{
    QJsonValue id; // absent (undefined) for a notification
    QString method;
    QJsonObject params;

    bool isNotification() const { return id.isUndefined(); }
};

struct Error
{
    QJsonValue id = QJsonValue::Null; // the request's id when it could be read
    int code = 0;
    QString message;
};

// One line as a request: a JSON object with "jsonrpc": "2.0", a string "method", an optional id
// (string, number or null) and optional "params", an object. A batch (an array) is refused: one
// request per line keeps a raw-socket client simple.
std::variant<Request, Error> parse(const QByteArray &line);

// Whole lines, each ending in "\n". `request` leaves out empty params.
QByteArray request(int id, const QString &method, const QJsonObject &params);
QByteArray result(const QJsonValue &id, const QJsonValue &value);
QByteArray error(const Error &failure);
QByteArray notification(const QString &method, const QJsonObject &params);

} // namespace tovra::JsonRpc
