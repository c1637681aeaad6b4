#include "xsession.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace tovra::test {

namespace {

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

bool XSession::available()
{
    return !tool("Xvfb").isEmpty() && !tool("xdotool").isEmpty() && !tool("xwininfo").isEmpty();
}

bool XSession::windowManagerAvailable()
{
    return !tool("openbox").isEmpty() && !tool("xprop").isEmpty();
}

XSession::XSession(QSize screen)
{
    // -displayfd makes the server pick a free display and write its number once it accepts
    // clients.
    server.start(tool("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                QStringLiteral("0"),
                                QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                                QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(5000))
        return;
    QByteArray number;
    const QDeadlineTimer deadline(10000);
    while (!number.contains('\n') && !deadline.hasExpired() && server.waitForReadyRead(int(deadline.remainingTime())))
        number += server.readAllStandardOutput();
    if (!number.contains('\n'))
        return;
    displayName = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    if (windowManagerAvailable()) {
        windowManager.setProcessEnvironment(environment());
        windowManager.setProgram(tool("openbox"));
        windowManager.start();
        // The manager owns the screen once it announces itself on the root window.
        const QDeadlineTimer managed(10000);
        while (!managed.hasExpired()) {
            QProcess probe;
            probe.setProcessEnvironment(environment());
            probe.start(tool("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            probe.waitForFinished(5000);
            if (probe.readAllStandardOutput().contains("window id"))
                break;
            QThread::msleep(50);
        }
    }
}

XSession::~XSession()
{
    stop(windowManager);
    stop(server);
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), displayName);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

QString XSession::xdotool(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(tool("xdotool"), arguments);
    if (!process.waitForFinished(20000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QPoint XSession::pointer() const
{
    // "X=640\nY=512\nSCREEN=0\nWINDOW=..."
    QPoint at(-1, -1);
    for (const QString &line : xdotool({QStringLiteral("getmouselocation"), QStringLiteral("--shell")}).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("X=")))
            at.setX(line.mid(2).toInt());
        else if (line.startsWith(QLatin1String("Y=")))
            at.setY(line.mid(2).toInt());
    }
    return at;
}

qulonglong XSession::waitForWindowOf(qint64 pid, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QStringList windows = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--pid"), QString::number(pid)})
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!windows.isEmpty())
            return windows.last().toULongLong();
        QThread::msleep(100);
    }
    return 0;
}

bool XSession::focus(qulonglong window, int timeoutMs) const
{
    const QString id = QString::number(window);
    // A window manager hands the focus on when asked through it; without one, it is set directly.
    xdotool({windowManagerAvailable() ? QStringLiteral("windowactivate") : QStringLiteral("windowfocus"),
             QStringLiteral("--sync"), id});
    const QDeadlineTimer deadline(timeoutMs);
    while (xdotool({QStringLiteral("getwindowfocus")}) != id) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

QRect XSession::clientGeometry(qulonglong window) const
{
    // xwininfo, unlike xdotool, reports a framed window's inner corner in screen pixels.
    QProcess probe;
    probe.setProcessEnvironment(environment());
    probe.start(tool("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    probe.waitForFinished(5000);
    const QString info = QString::fromLatin1(probe.readAllStandardOutput());
    auto value = [&info](const char *key) {
        const QRegularExpression line(QStringLiteral("^\\s*%1:\\s*(-?\\d+)").arg(QLatin1String(key)),
                                      QRegularExpression::MultilineOption);
        return line.match(info).captured(1).toInt();
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
}

QRect XSession::frameGeometry(qulonglong window) const
{
    QProcess probe;
    probe.setProcessEnvironment(environment());
    probe.start(tool("xprop"), {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_FRAME_EXTENTS")});
    probe.waitForFinished(5000);
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QStringList extents = QString::fromLatin1(probe.readAllStandardOutput()).section(QLatin1Char('='), 1)
                                    .split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QRect client = clientGeometry(window);
    if (extents.size() != 4)
        return client;
    return client.adjusted(-extents[0].trimmed().toInt(), -extents[2].trimmed().toInt(), extents[1].trimmed().toInt(),
                           extents[3].trimmed().toInt());
}

} // namespace tovra::test
