#include "headless.h"

#include "headlessdesktop.h"
#include "historywriter.h"
#include "laserprogram.h"
#include "laserstate.h"
#include "programapi.h"
#include "programtimings.h"
#include "serialdevice.h"
#include "startswitches.h"
#include "stopsignals.h"
#include "versioninfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QLocale>
#include <QTextStream>
#include <QTimer>

#include <chrono>

namespace tovra {

namespace {

// Often enough to see that it lives, rarely enough for a journal kept for months.
constexpr std::chrono::seconds StatusLineInterval{10};

QString statusLine(const LaserState &state, const QJsonObject &status)
{
    const QJsonObject values = status.value(QLatin1String("values")).toObject();
    const auto value = [&values](const char *name) {
        return values.value(QLatin1String(name)).toObject().value(QLatin1String("value")).toDouble();
    };
    const auto yesNo = [&status](const char *name) {
        return status.value(QLatin1String(name)).toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    };
    return QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + state.modelName + QStringLiteral(" SN ")
           + QString::number(state.serialNumber) + QStringLiteral(": link ")
           + status.value(QLatin1String("link")).toString() + QStringLiteral(", enabled ") + yesNo("enabled")
           + QStringLiteral(", firing ") + yesNo("firing") + QStringLiteral(", status ")
           + QString::number(status.value(QLatin1String("statusWord")).toInteger()) + QStringLiteral(", shots ")
           + QString::number(static_cast<qint64>(value("shotCount"))) + QStringLiteral(", bank ")
           + QString::number(value("bankVoltage"), 'f', 1) + QStringLiteral(" V, diode ")
           + QString::number(value("diodeCurrent"), 'f', 2) + QStringLiteral(" A");
}

} // namespace

int runHeadless(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tovra Laser Control"));
    QLocale::setDefault(QLocale::c());
    QTextStream out(stdout);

    StartSwitches switches = StartSwitches::fromArguments(app.arguments().mid(1));
    switches.share = true; // the port is shared with scripts, as the API serves clients
    StopSignals stopSignals;
    LaserState state;
    HeadlessDesktop desktop;
    LaserProgram program({state, desktop, desktop, switches, {}, createSerialDevice(), &StopSignals::received,
                          ProgramTimings::fromEnvironment(), TrpVersionInfo().FileVersion(),
                          configuredHistorySettings()});
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &program, &LaserProgram::stopSignalReceived);

    ProgramApi api(program);
    QString error;
    if (!api.listen(switches.apiTcp, &error)) {
        QTextStream(stderr) << "tovra: control API not served: " << error << Qt::endl;
        return 1;
    }
    out << "Control API at " << api.server().socketPath();
    if (api.server().tcpPort() != 0)
        out << " and TCP port " << api.server().tcpPort();
    out << Qt::endl;

    program.start();
    if (program.hasEnded())
        return state.serialNumber != 0 || StopSignals::received() ? 0 : 1;
    if (switches.remoteFiring)
        program.setRemoteFiringAllowed(true);
    out << "Laser " << state.modelName << " SN " << state.serialNumber << " at COM" << program.port().Port()
        << ", polling" << Qt::endl;

    // One line after the first complete update, then one every interval.
    const auto printStatus = [&] { out << statusLine(state, api.backend().statusSnapshot()) << Qt::endl; };
    QMetaObject::Connection first;
    first = QObject::connect(&program, &LaserProgram::statusUpdated, &program, [&] {
        QObject::disconnect(first);
        printStatus();
    });
    QTimer statusLines;
    QObject::connect(&statusLines, &QTimer::timeout, &program, printStatus);
    statusLines.start(StatusLineInterval);
    return app.exec();
}

} // namespace tovra
