#pragma once

#include "jsonrpc.h"

#include <QByteArray>
#include <QHash>
#include <QJsonValue>
#include <QPointer>

#include <optional>

namespace tovra {

class ApiBackend;
class ApiSession;
class RemoteControl;

// The API's methods: each checks its params and the client's rights, then asks the backend.
// Reading is open to every client; changing the laser needs control; firing and enabling also
// need the operator's opt-in and start the holder's lease; stopping is open to everyone, always.
class ApiMethods
{
public:
    ApiMethods(ApiBackend &backend, RemoteControl &control);

    // Over TCP with a token file, a client must send `auth` with the token first.
    void requireToken(const QByteArray &token) { expectedToken = token; }
    bool tokenRequired() const { return !expectedToken.isEmpty(); }

    void handle(ApiSession &session, const JsonRpc::Request &request);

    // The names clients may subscribe to.
    static const QStringList &eventKinds();

private:
    class Call;
    using Method = void (ApiMethods::*)(Call &);

    void auth(Call &call);
    void identify(Call &call);
    void status(Call &call);
    void params(Call &call);
    void get(Call &call);
    void set(Call &call);
    void enable(Call &call);
    void fire(Call &call);
    void stop(Call &call);
    void subscribe(Call &call);
    void unsubscribe(Call &call);
    void raw(Call &call);
    void acquire(Call &call);
    void release(Call &call);
    void ping(Call &call);

    void switchOn(Call &call, bool firing);
    bool mayChange(Call &call) const;
    bool mayFire(Call &call) const;

    ApiBackend &backend;
    RemoteControl &control;
    QByteArray expectedToken;
    const QHash<QString, Method> methods;
};

} // namespace tovra
