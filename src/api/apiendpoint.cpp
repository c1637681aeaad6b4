#include "apiendpoint.h"

#include "privatefolder.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

QString defaultApiSocketPath()
{
    const QString chosen = qEnvironmentVariable("TOVRA_API_PATH");
    return chosen.isEmpty() ? runtimePath(QStringLiteral("api.sock")) : chosen;
}

std::optional<TcpEndpoint> parseTcpEndpoint(const QString &text, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = text.left(colon);
    bool numeric = false;
    const uint port = colon < 0 ? 0 : text.mid(colon + 1).toUInt(&numeric);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    TcpEndpoint endpoint;
    endpoint.address = host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                           ? QHostAddress(QHostAddress::LocalHost)
                           : QHostAddress(host);
    if (colon < 0 || !numeric || port == 0 || port > 65535 || endpoint.address.isNull()) {
        *error = QStringLiteral("api=") + text
                 + QStringLiteral(": give an address and a port, e.g. api=127.0.0.1:7421 or api=[::1]:7421");
        return std::nullopt;
    }
    endpoint.port = static_cast<quint16>(port);
    return endpoint;
}

std::optional<QByteArray> readTokenFile(const QString &path, QString *error)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    QFile file;
    if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (descriptor >= 0)
            ::close(descriptor);
        *error = QStringLiteral("Cannot read the token file ") + path;
        return std::nullopt;
    }
    if (status.st_uid != geteuid() || (status.st_mode & 077) != 0) {
        *error = QStringLiteral("The token file ") + path + QStringLiteral(" must be yours and readable by you alone (mode 0600)");
        return std::nullopt;
    }
    const QByteArray token = file.readLine(4096).trimmed();
    if (token.isEmpty()) {
        *error = QStringLiteral("The token file ") + path + QStringLiteral(" is empty");
        return std::nullopt;
    }
    return token;
}

} // namespace tovra
