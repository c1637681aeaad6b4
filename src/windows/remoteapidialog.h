#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tovra {

class ProgramApi;

// Tools > Remote API…: where the control API is served. It shows the Unix socket's path and lets
// the operator start and stop serving on TCP at HOST:PORT, by the rules of the switch api=: a
// loopback address, or any address when TOVRA_API_TOKEN_FILE names a token file. A failure
// (a bad address, a port in use, a token file that is not the user's alone) is shown in the
// dialog and nothing changes. Stopping hangs up the clients that came over TCP.
class RemoteApiDialog : public QDialog
{
    Q_OBJECT
public:
    // Offered while nothing is served on TCP: the loopback address and the port that instrument
    // frameworks use for raw socket resources.
    static constexpr const char *DefaultEndpoint = "127.0.0.1:5025";

    explicit RemoteApiDialog(ProgramApi &api, QWidget *parent = nullptr);

    QString socketText() const;
    QString tcpStateText() const;
    QLineEdit *endpointEdit() const { return endpoint; }
    QPushButton *serveButton() const { return serve; }

private:
    void serveOrStop();
    // What is served now; `error`, when not empty, says why the last start failed.
    void showState(const QString &error = QString());

    ProgramApi &api;
    QLabel *socketLabel = nullptr;
    QLabel *rulesLabel = nullptr;
    QLabel *stateLabel = nullptr;
    QLineEdit *endpoint = nullptr;
    QPushButton *serve = nullptr;
};

} // namespace tovra
