#include "programapi.h"

#include "apiendpoint.h"
#include "laserprogram.h"
#include "recordfiles.h"
#include "taskrunner.h"

namespace tovra {

ProgramApi::ProgramApi(LaserProgram &program, QObject *parent)
    : QObject(parent)
    , laserProgram(program)
{
    laserSide = std::make_unique<ProgramBackend>(ProgramBackend::Wiring{
        .state = program.laserState(),
        .comm = program.communication(),
        .queueCommand = [&program](const QString &command, const QString &source) {
            program.actAs(source, [&] { program.queueCommand(command); });
        },
        .setEnabled = [&program](bool on, const QString &source) {
            program.actAs(source, [&] { program.setLaserEnabled(on); });
        },
        .setFiring = [&program](bool on, const QString &source) {
            program.actAs(source, [&] { program.setFiring(on); });
        },
        .firingOrRequested = [&program] { return program.fireControl().firingOrRequested(); },
        .followSetting = [&program](const ScriptSetting &setting) { program.showScriptSetting(setting); },
        .remoteFiringAllowed = [&program] { return program.isRemoteFiringAllowed(); },
        .demoMode = [&program] { return program.inDemoMode(); },
        .requestTurn = [&program] { program.tasks().requestSoon(); },
        .logLine = [&program](const QString &line) { program.records().appendLogNote(line); },
        .programVersion = program.version(),
    });
    apiServer = std::make_unique<ApiServer>(*laserSide);
    ProgramBackend *backend = laserSide.get();
    program.tasks().addSource(backend);
    connect(&program, &LaserProgram::statusUpdated, backend, &ProgramBackend::statusUpdated);
    connect(&program, &LaserProgram::linkStateChanged, backend, &ProgramBackend::linkChanged);
    connect(&program, &LaserProgram::firingChanged, backend, &ProgramBackend::fireStateChanged);
    connect(&program, &LaserProgram::settingChanged, backend, &ProgramBackend::settingsChanged);
    connect(&program, &LaserProgram::trafficLine, backend,
            [backend](const QString &line, TrafficDirection) { backend->trafficLine(line); });
    connect(&program, &LaserProgram::ended, this, [this] {
        laserSide->detach();
        apiServer->close();
    });
}

ProgramApi::~ProgramApi()
{
    // The server's clients go before the backend they talk to, and the backend leaves the scheduler.
    apiServer.reset();
    laserProgram.tasks().removeSource(laserSide.get());
}

bool ProgramApi::listen(const QString &tcpEndpoint, QString *error)
{
    if (!apiServer->listenLocal(defaultApiSocketPath(), error))
        return false;
    return tcpEndpoint.isEmpty() || serveTcp(tcpEndpoint, error);
}

bool ProgramApi::serveTcp(const QString &tcpEndpoint, QString *error)
{
    const std::optional<TcpEndpoint> endpoint = parseTcpEndpoint(tcpEndpoint, error);
    if (!endpoint)
        return false;
    QByteArray token;
    const QString tokenFile = qEnvironmentVariable("TOVRA_API_TOKEN_FILE");
    if (!tokenFile.isEmpty()) {
        const std::optional<QByteArray> read = readTokenFile(tokenFile, error);
        if (!read)
            return false;
        token = *read;
    }
    return apiServer->listenTcp(*endpoint, token, error);
}

void ProgramApi::stopTcp()
{
    apiServer->closeTcp();
}

QString ProgramApi::tcpEndpoint() const
{
    const QHostAddress address = apiServer->tcpAddress();
    if (address.isNull())
        return QString();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(apiServer->tcpPort());
}

} // namespace tovra
