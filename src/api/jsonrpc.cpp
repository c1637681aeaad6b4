#include "jsonrpc.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace tovra::JsonRpc {

namespace {

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool validId(const QJsonValue &id)
{
    return id.isUndefined() || id.isNull() || id.isString() || id.isDouble();
}

} // namespace

std::variant<Request, Error> parse(const QByteArray &text)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Error{QJsonValue::Null, ParseError, QStringLiteral("Parse error: ") + parseError.errorString()};
    if (document.isArray())
        return Error{QJsonValue::Null, InvalidRequest, QStringLiteral("Batches are not supported: one request per line")};
    const QJsonObject object = document.object();
    const QJsonValue id = object.value(QLatin1String("id"));
    if (!validId(id))
        return Error{QJsonValue::Null, InvalidRequest, QStringLiteral("Invalid request: id must be a string, a number or null")};
    const QJsonValue replyId = id.isUndefined() ? QJsonValue(QJsonValue::Null) : id;
    if (object.value(QLatin1String("jsonrpc")) != QLatin1String("2.0"))
        return Error{replyId, InvalidRequest, QStringLiteral("Invalid request: \"jsonrpc\" must be \"2.0\"")};
    const QJsonValue method = object.value(QLatin1String("method"));
    if (!method.isString())
        return Error{replyId, InvalidRequest, QStringLiteral("Invalid request: \"method\" must be a string")};
    const QJsonValue params = object.value(QLatin1String("params"));
    if (!params.isUndefined() && !params.isObject())
        return Error{replyId, InvalidParams, QStringLiteral("Invalid params: \"params\" must be an object")};
    return Request{id, method.toString(), params.toObject()};
}

QByteArray request(int id, const QString &method, const QJsonObject &params)
{
    QJsonObject object{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), id},
                       {QStringLiteral("method"), method}};
    if (!params.isEmpty())
        object.insert(QStringLiteral("params"), params);
    return line(object);
}

QByteArray result(const QJsonValue &id, const QJsonValue &value)
{
    return line({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), id},
                 {QStringLiteral("result"), value}});
}

QByteArray error(const Error &failure)
{
    return line({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                 {QStringLiteral("id"), failure.id},
                 {QStringLiteral("error"),
                  QJsonObject{{QStringLiteral("code"), failure.code}, {QStringLiteral("message"), failure.message}}}});
}

QByteArray notification(const QString &method, const QJsonObject &params)
{
    return line({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("method"), method},
                 {QStringLiteral("params"), params}});
}

} // namespace tovra::JsonRpc
