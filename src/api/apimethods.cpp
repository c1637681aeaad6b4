#include "apimethods.h"

#include "apibackend.h"
#include "apisession.h"
#include "remotecontrol.h"
#include "scriptline.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace tovra {

namespace {

constexpr qsizetype MaxRawLine = 256;
constexpr qsizetype MaxClientName = 64;

bool printable(const QString &text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace

// One request on its way through: its params read with a refusal for what does not fit, and its
// answer, which a notification never gets.
class ApiMethods::Call
{
public:
    Call(ApiSession &caller, const JsonRpc::Request &received)
        : session(caller)
        , request(received)
    {
    }

    void ok(const QJsonValue &value) const
    {
        if (!request.isNotification())
            session.send(JsonRpc::result(request.id, value));
    }
    void fail(int code, const QString &message) const
    {
        if (!request.isNotification())
            session.send(JsonRpc::error({request.id, code, message}));
    }
    bool invalid(const QString &message) const
    {
        fail(JsonRpc::InvalidParams, QStringLiteral("Invalid params: ") + message);
        return false;
    }

    const QJsonValue param(const QString &key) const { return request.params.value(key); }
    std::optional<QString> text(const QString &key) const
    {
        if (param(key).isString())
            return param(key).toString();
        invalid(QLatin1Char('"') + key + QStringLiteral("\" must be a string"));
        return std::nullopt;
    }
    std::optional<double> number(const QString &key) const
    {
        if (param(key).isDouble())
            return param(key).toDouble();
        invalid(QLatin1Char('"') + key + QStringLiteral("\" must be a number"));
        return std::nullopt;
    }
    std::optional<bool> flag(const QString &key, bool fallback) const
    {
        if (param(key).isUndefined())
            return fallback;
        if (param(key).isBool())
            return param(key).toBool();
        invalid(QLatin1Char('"') + key + QStringLiteral("\" must be true or false"));
        return std::nullopt;
    }
    // What the communication log writes beside each line this call sends.
    QString source() const { return QStringLiteral("API ") + session.description(); }

    ApiSession &session;
    const JsonRpc::Request &request;
};

ApiMethods::ApiMethods(ApiBackend &laser, RemoteControl &remote)
    : backend(laser)
    , control(remote)
    , methods{{QStringLiteral("auth"), &ApiMethods::auth},
              {QStringLiteral("identify"), &ApiMethods::identify},
              {QStringLiteral("status"), &ApiMethods::status},
              {QStringLiteral("params"), &ApiMethods::params},
              {QStringLiteral("get"), &ApiMethods::get},
              {QStringLiteral("set"), &ApiMethods::set},
              {QStringLiteral("enable"), &ApiMethods::enable},
              {QStringLiteral("fire"), &ApiMethods::fire},
              {QStringLiteral("stop"), &ApiMethods::stop},
              {QStringLiteral("subscribe"), &ApiMethods::subscribe},
              {QStringLiteral("unsubscribe"), &ApiMethods::unsubscribe},
              {QStringLiteral("raw"), &ApiMethods::raw},
              {QStringLiteral("control.acquire"), &ApiMethods::acquire},
              {QStringLiteral("control.release"), &ApiMethods::release},
              {QStringLiteral("ping"), &ApiMethods::ping}}
{
}

const QStringList &ApiMethods::eventKinds()
{
    static const QStringList kinds = {QStringLiteral("update"), QStringLiteral("fault"), QStringLiteral("link"),
                                      QStringLiteral("fire"),   QStringLiteral("setting"), QStringLiteral("log")};
    return kinds;
}

void ApiMethods::handle(ApiSession &session, const JsonRpc::Request &request)
{
    Call call(session, request);
    if (!session.isAuthenticated() && request.method != QLatin1String("auth"))
        return call.fail(JsonRpc::NotAuthenticated, QStringLiteral("Not authenticated: send auth with the token first"));
    const Method method = methods.value(request.method);
    if (!method)
        return call.fail(JsonRpc::MethodNotFound, QStringLiteral("Method not found: ") + request.method);
    (this->*method)(call);
}

void ApiMethods::auth(Call &call)
{
    const std::optional<QString> token = call.text(QStringLiteral("token"));
    if (!token)
        return;
    if (expectedToken.isEmpty() || token->toUtf8() == expectedToken) {
        call.session.setAuthenticated(true);
        return call.ok(true);
    }
    // No second guess on the same connection.
    call.fail(JsonRpc::NotAuthenticated, QStringLiteral("Wrong token; closing the connection"));
    call.session.closeAfterWriting();
}

void ApiMethods::identify(Call &call)
{
    QJsonObject identity = backend.identity();
    identity.insert(QStringLiteral("client"), call.session.id());
    call.ok(identity);
}

void ApiMethods::status(Call &call)
{
    call.ok(backend.statusSnapshot());
}

void ApiMethods::params(Call &call)
{
    QJsonArray list;
    for (const ApiParameter &parameter : backend.parameters())
        list.append(parameter.toJson());
    call.ok(QJsonObject{{QStringLiteral("params"), list}});
}

namespace {

std::optional<ApiParameter> parameterNamed(const QList<ApiParameter> &parameters, const QString &name)
{
    for (const ApiParameter &parameter : parameters) {
        // By its mnemonic ("RR") or its stable name ("rep_rate").
        if (parameter.name.compare(name, Qt::CaseInsensitive) == 0 || parameter.title.compare(name, Qt::CaseInsensitive) == 0)
            return parameter;
    }
    return std::nullopt;
}

QString namesOf(const QList<ApiParameter> &parameters)
{
    QStringList names;
    for (const ApiParameter &parameter : parameters)
        names.append(parameter.name);
    return names.join(QStringLiteral(", "));
}

} // namespace

void ApiMethods::get(Call &call)
{
    const std::optional<QString> name = call.text(QStringLiteral("name"));
    if (!name)
        return;
    const QList<ApiParameter> parameters = backend.parameters();
    if (const std::optional<ApiParameter> parameter = parameterNamed(parameters, *name))
        return call.ok(parameter->toJson());
    call.invalid(QStringLiteral("unknown parameter ") + *name + QStringLiteral("; known: ") + namesOf(parameters));
}

void ApiMethods::set(Call &call)
{
    const std::optional<QString> name = call.text(QStringLiteral("name"));
    const std::optional<double> value = name ? call.number(QStringLiteral("value")) : std::nullopt;
    if (!value || !mayChange(call))
        return;
    const QList<ApiParameter> parameters = backend.parameters();
    const std::optional<ApiParameter> parameter = parameterNamed(parameters, *name);
    if (!parameter)
        return void(call.invalid(QStringLiteral("unknown parameter ") + *name + QStringLiteral("; known: ") + namesOf(parameters)));
    QString allowed;
    if (!parameter->accepts(*value, &allowed))
        return void(call.invalid(parameter->name + QStringLiteral(" out of range: allowed ") + allowed));
    backend.setParameter(parameter->name, *value, call.source());
    call.ok(QJsonObject{{QStringLiteral("name"), parameter->name}, {QStringLiteral("value"), *value},
                        {QStringLiteral("queued"), true}});
}

void ApiMethods::enable(Call &call)
{
    switchOn(call, false);
}

void ApiMethods::fire(Call &call)
{
    switchOn(call, true);
}

// Switching off is a stop and open to every client; switching on needs control and the opt-in,
// and starts the lease.
void ApiMethods::switchOn(Call &call, bool firing)
{
    const std::optional<bool> on = call.flag(QStringLiteral("on"), true);
    if (!on)
        return;
    if (*on && !(mayChange(call) && mayFire(call)))
        return;
    if (*on && firing && !backend.fireRefusal().isEmpty())
        return call.fail(JsonRpc::NotReady, backend.fireRefusal());
    if (firing)
        backend.setFiring(*on, call.source());
    else
        backend.setEnabled(*on, call.source());
    if (*on)
        control.armLease();
    QJsonObject result{{QStringLiteral("queued"), true}};
    if (*on)
        result.insert(QStringLiteral("leaseMs"), static_cast<qint64>(control.leasePeriod().count()));
    call.ok(result);
}

void ApiMethods::stop(Call &call)
{
    backend.stop(call.source(), QString());
    control.endLease();
    call.ok(QJsonObject{{QStringLiteral("queued"), true}});
}

namespace {

// The event kinds named in params "events" (all of them when absent), or nothing after a refusal.
std::optional<QSet<QString>> eventKindsOf(const QJsonValue &events, const QStringList &known, QString *refusal)
{
    if (events.isUndefined())
        return QSet<QString>(known.begin(), known.end());
    if (!events.isArray()) {
        *refusal = QStringLiteral("\"events\" must be a list of ") + known.join(QStringLiteral(", "));
        return std::nullopt;
    }
    QSet<QString> kinds;
    for (const QJsonValue &kind : events.toArray()) {
        if (!known.contains(kind.toString())) {
            *refusal = QStringLiteral("unknown event ") + kind.toVariant().toString() + QStringLiteral("; events are ")
                       + known.join(QStringLiteral(", "));
            return std::nullopt;
        }
        kinds.insert(kind.toString());
    }
    return kinds;
}

QJsonObject subscriptionsOf(const QSet<QString> &kinds)
{
    QStringList sorted(kinds.begin(), kinds.end());
    sorted.sort();
    return {{QStringLiteral("events"), QJsonArray::fromStringList(sorted)}};
}

} // namespace

void ApiMethods::subscribe(Call &call)
{
    QString refusal;
    const auto kinds = eventKindsOf(call.param(QStringLiteral("events")), eventKinds(), &refusal);
    if (!kinds)
        return void(call.invalid(refusal));
    call.session.setSubscriptions(call.session.subscriptions() | *kinds);
    call.ok(subscriptionsOf(call.session.subscriptions()));
}

void ApiMethods::unsubscribe(Call &call)
{
    QString refusal;
    const auto kinds = eventKindsOf(call.param(QStringLiteral("events")), eventKinds(), &refusal);
    if (!kinds)
        return void(call.invalid(refusal));
    call.session.setSubscriptions(call.session.subscriptions() - *kinds);
    call.ok(subscriptionsOf(call.session.subscriptions()));
}

void ApiMethods::raw(Call &call)
{
    const std::optional<QString> line = call.text(QStringLiteral("line"));
    if (!line)
        return;
    if (line->trimmed().isEmpty() || line->size() > MaxRawLine || !printable(*line))
        return void(call.invalid(QStringLiteral("\"line\" must be one line of 1 to 256 printable characters")));
    const LineKind kind = classifyLine(*line);
    const bool firing = kind == LineKind::FiringOrEnabling;
    const bool stopping = kind == LineKind::Stop;
    const ScriptLine read = ScriptLine::read(*line);
    // Queries and stops are open to every client; anything else sets something.
    if (!read.isQuery && !stopping && !mayChange(call))
        return;
    if (firing && !mayFire(call))
        return;
    if (!backend.laserConnected())
        return call.fail(JsonRpc::LaserNotConnected, QStringLiteral("Laser not connected"));
    if (firing)
        control.armLease();
    const QPointer<ApiSession> session = &call.session;
    const QJsonValue id = call.request.id;
    const bool notification = call.request.isNotification();
    backend.sendRaw(*line, call.source(), [session, id, notification](const QString &reply) {
        if (session && !notification)
            session->send(JsonRpc::result(id, QJsonObject{{QStringLiteral("reply"), reply}}));
    });
}

void ApiMethods::acquire(Call &call)
{
    if (!call.param(QStringLiteral("name")).isUndefined()) {
        const std::optional<QString> name = call.text(QStringLiteral("name"));
        if (!name)
            return;
        if (name->size() > MaxClientName || !printable(*name))
            return void(call.invalid(QStringLiteral("\"name\" must be at most 64 printable characters")));
        call.session.setName(*name);
    }
    QString refusal;
    if (!control.acquire(call.session.id(), call.session.description(), &refusal))
        return call.fail(JsonRpc::ControlHeldElsewhere, refusal);
    call.ok(QJsonObject{{QStringLiteral("holder"), control.holder()}});
}

void ApiMethods::release(Call &call)
{
    // Nobody would renew the lease after this: what the holder fired stops with its control.
    const bool leased = control.isHeldBy(call.session.id()) && control.leaseArmed();
    QString refusal;
    if (!control.release(call.session.id(), &refusal))
        return call.fail(JsonRpc::ControlHeldElsewhere, refusal);
    if (leased)
        backend.stop(call.source(), QStringLiteral("API client ") + call.session.description()
                                        + QStringLiteral(" released control while the laser fired: laser stopped"));
    call.ok(true);
}

void ApiMethods::ping(Call &call)
{
    const bool holds = control.isHeldBy(call.session.id());
    if (holds)
        control.renewLease();
    call.ok(QJsonObject{{QStringLiteral("lease"), holds && control.leaseArmed()}});
}

bool ApiMethods::mayChange(Call &call) const
{
    if (!control.isHeldBy(call.session.id())) {
        call.fail(JsonRpc::ControlHeldElsewhere, control.refusal());
        return false;
    }
    if (!backend.laserConnected()) {
        call.fail(JsonRpc::LaserNotConnected, QStringLiteral("Laser not connected"));
        return false;
    }
    return true;
}

bool ApiMethods::mayFire(Call &call) const
{
    if (backend.remoteFiringAllowed())
        return true;
    call.fail(JsonRpc::RemoteFiringNotAllowed,
              QStringLiteral("Remote firing not allowed: the operator has to check Tools > Allow Remote Firing"));
    return false;
}

} // namespace tovra
