#include "ptylink.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tovra::sim {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

std::unique_ptr<PtyLink> PtyLink::create(const QString &linkPath, QString *error)
{
    std::unique_ptr<PtyLink> pty(new PtyLink);
    pty->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->master < 0) {
        *error = systemError("posix_openpt");
        return nullptr;
    }
    char name[128];
    if (grantpt(pty->master) != 0 || unlockpt(pty->master) != 0
        || ptsname_r(pty->master, name, sizeof name) != 0) {
        *error = systemError("pty setup");
        return nullptr;
    }
    pty->device = QString::fromLocal8Bit(name);
    pty->terminal = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->terminal < 0) {
        *error = systemError("open pty");
        return nullptr;
    }
    // Raw until the program sets its own line settings: no echo, no line-end translation.
    termios settings {};
    if (tcgetattr(pty->terminal, &settings) != 0) {
        *error = systemError("tcgetattr");
        return nullptr;
    }
    cfmakeraw(&settings);
    if (tcsetattr(pty->terminal, TCSANOW, &settings) != 0) {
        *error = systemError("tcsetattr");
        return nullptr;
    }
    const int flags = fcntl(pty->master, F_GETFL);
    if (flags < 0 || fcntl(pty->master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = systemError("fcntl");
        return nullptr;
    }

    const QByteArray linkName = QFile::encodeName(linkPath);
    if (unlink(linkName.constData()) != 0 && errno != ENOENT) {
        *error = systemError("unlink");
        return nullptr;
    }
    if (symlink(name, linkName.constData()) != 0) {
        *error = systemError("symlink");
        return nullptr;
    }
    pty->link = linkPath;
    return pty;
}

PtyLink::~PtyLink()
{
    // Another laser may have taken the path over since.
    if (!link.isEmpty() && QFile::symLinkTarget(link) == device)
        unlink(QFile::encodeName(link).constData());
    if (terminal >= 0)
        close(terminal);
    if (master >= 0)
        close(master);
}

} // namespace tovra::sim
