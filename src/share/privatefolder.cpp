#include "privatefolder.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovra {

QString runtimePath(const QString &name)
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime + QStringLiteral("/tovra/") + name;
}

int openPrivateFolder(const QString &name, QString *error)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("Cannot create the folder ") + name + QStringLiteral(": ")
                 + QString::fromLocal8Bit(strerror(errno));
        return -1;
    }
    const int folder = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        *error = QStringLiteral("Cannot use the folder ") + name + QStringLiteral(": ")
                 + QString::fromLocal8Bit(strerror(errno));
        return -1;
    }
    struct stat status {};
    if (fstat(folder, &status) != 0 || status.st_uid != geteuid() || (status.st_mode & 07777) != 0700) {
        ::close(folder);
        *error = QStringLiteral("The folder ") + name + QStringLiteral(" must belong to you alone (mode 0700); it is not used");
        return -1;
    }
    return folder;
}

} // namespace tovra
