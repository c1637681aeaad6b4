#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <optional>

namespace tovra {

// Where the control API listens and who may use it over TCP.

// `TOVRA_API_PATH`, or `$XDG_RUNTIME_DIR/tovra/api.sock`.
QString defaultApiSocketPath();

struct TcpEndpoint
{
    QHostAddress address;
    quint16 port = 0;
};

// "HOST:PORT" of the switch `api=HOST:PORT`: HOST an IPv4 address, "[IPv6]" or "localhost";
// PORT 1 to 65535. Nothing, with `error` saying why, for anything else.
std::optional<TcpEndpoint> parseTcpEndpoint(const QString &text, QString *error);

// The token of `TOVRA_API_TOKEN_FILE`: its first line, without blanks. The file must be the
// user's own and readable by nobody else, and the token not empty; otherwise nothing, with
// `error` naming the file.
std::optional<QByteArray> readTokenFile(const QString &path, QString *error);

} // namespace tovra
