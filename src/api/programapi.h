#pragma once

#include "apiserver.h"
#include "programbackend.h"

#include <QObject>

#include <memory>

namespace tovra {

class LaserProgram;

// The control API on a running `LaserProgram`, with or without a window: the backend wired to
// the program's reports, and the server. It starts serving when asked (`listen`) and stops the
// laser's remote side when the program ends.
class ProgramApi : public QObject
{
    Q_OBJECT
public:
    explicit ProgramApi(LaserProgram &program, QObject *parent = nullptr);
    ~ProgramApi() override;

    // The Unix socket (`TOVRA_API_PATH` or the runtime folder's), and TCP when `tcpEndpoint`
    // ("HOST:PORT" of the switch api=) is not empty. False with `error` when either fails; the
    // program goes on without what failed.
    bool listen(const QString &tcpEndpoint, QString *error);
    // TCP at "HOST:PORT", by the switch's rules: a loopback address, or any address when
    // `TOVRA_API_TOKEN_FILE` names a token file (clients then send `auth` first). False with
    // `error` when the text, the token file or the listening fails.
    bool serveTcp(const QString &tcpEndpoint, QString *error);
    // Stops serving on TCP; the clients that came that way are hung up.
    void stopTcp();
    // "HOST:PORT" served on TCP; empty when none.
    QString tcpEndpoint() const;

    ProgramBackend &backend() { return *laserSide; }
    ApiServer &server() { return *apiServer; }

private:
    LaserProgram &laserProgram;
    std::unique_ptr<ProgramBackend> laserSide;
    std::unique_ptr<ApiServer> apiServer;
};

} // namespace tovra
