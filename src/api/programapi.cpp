#include "programapi.h"

#include "apiendpoint.h"
#include "laserprogram.h"
#include "recordfiles.h"
#include "taskrunner.h"

namespace tovra {

ProgramApi::ProgramApi(LaserProgram &program, QObject *parent)
    : QObject(parent)
{
    laserSide = std::make_unique<ProgramBackend>(ProgramBackend::Wiring{
        .state = program.laserState(),
        .comm = program.communication(),
        .queueCommand = [&program](const QString &command) { program.queueCommand(command); },
        .setEnabled = [&program](bool on) { program.setLaserEnabled(on); },
        .setFiring = [&program](bool on) { program.setFiring(on); },
        .firingOrRequested = [&program] { return program.fireControl().firingOrRequested(); },
        .followSetting = [&program](const ScriptSetting &setting) { program.showScriptSetting(setting); },
        .remoteFiringAllowed = [&program] { return program.isRemoteFiringAllowed(); },
        .tasksRunning = [&program] { return program.tasks().running(); },
        .logLine = [&program](const QString &line) { program.records().appendLogNote(line); },
        .programVersion = program.version(),
    });
    apiServer = std::make_unique<ApiServer>(*laserSide);
    ProgramBackend *backend = laserSide.get();
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
    // The server's clients go before the backend they talk to.
    apiServer.reset();
}

bool ProgramApi::listen(const QString &tcpEndpoint, QString *error)
{
    if (!apiServer->listenLocal(defaultApiSocketPath(), error))
        return false;
    if (tcpEndpoint.isEmpty())
        return true;
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

} // namespace tovra
