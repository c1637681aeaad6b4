#pragma once

// The whole program on one simulated laser with its port shared, and scripts that talk to the
// laser through the shared port the way lab scripts do: Python with pyserial.

#include "programrig.h"
#include "taskrunner.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace tovra::test {

// What every script starts with: the port opened with the laser's line settings (a pty may refuse
// parity; it carries no bits on a wire, so there the same port without parity behaves alike), and
// `ask`, one line out and its reply back ("timeout" when none came).
inline const char *ScriptPrelude = R"(
import serial, sys, termios, threading, time, random

def open_port(timeout=5.0):
    try:
        return serial.Serial(sys.argv[1], 57600, parity=serial.PARITY_EVEN, timeout=timeout)
    except (serial.SerialException, termios.error):
        return serial.Serial(sys.argv[1], 57600, timeout=timeout)

def read_reply(port):
    reply = port.read_until(b'\r\n')
    return reply[:-2].decode('latin-1') if reply.endswith(b'\r\n') else 'timeout'

def ask(port, line):
    port.write(line.encode('latin-1') + b'\r\n')
    return read_reply(port)
)";

class SharedProgram
{
public:
    // `arguments` are the program's start switches; the status poll is held unless `polling`.
    explicit SharedProgram(const sim::LaserConfig &config = {}, const QStringList &arguments = {QStringLiteral("-share")},
                           bool polling = false)
        : previousSharePath(qgetenv("TOVRA_SHARE_PATH"))
        , laser(rig.ports.add(1, config))
    {
        qputenv("TOVRA_SHARE_PATH", QFile::encodeName(linkPath()));
        form = &rig.start(arguments);
        if (!polling)
            form->laserProgram().tasks().pausePolling();
        laser.clearTranscript();
    }

    ~SharedProgram()
    {
        if (previousSharePath.isNull())
            qunsetenv("TOVRA_SHARE_PATH");
        else
            qputenv("TOVRA_SHARE_PATH", previousSharePath);
    }

    // In a folder that the program creates itself.
    QString linkPath() const { return shareDir.path() + QStringLiteral("/tovra/port"); }

    // Starts `body` (after the prelude) with the shared port's path as its first argument.
    void startScript(QProcess &script, const QString &body, const QStringList &arguments = {}) const
    {
        script.setProcessChannelMode(QProcess::SeparateChannels);
        script.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{QStringLiteral("-c"), QString::fromLatin1(ScriptPrelude) + body, linkPath()} + arguments);
    }

    // Runs a script to its end while the program keeps serving; its printed lines.
    QStringList runScript(const QString &body, int timeoutMs = 60000, const QStringList &arguments = {}) const
    {
        QProcess script;
        startScript(script, body, arguments);
        if (!QTest::qWaitFor([&script] { return script.state() == QProcess::NotRunning; }, timeoutMs))
            script.kill();
        script.waitForFinished(1000);
        const QByteArray errors = script.readAllStandardError();
        if (!errors.isEmpty())
            qWarning("script: %s", errors.constData());
        return QString::fromLatin1(script.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir shareDir;
    QByteArray previousSharePath;
    ProgramRig rig;
    sim::SimulatedLaser &laser;
    TMainForm *form = nullptr;
};

} // namespace tovra::test
