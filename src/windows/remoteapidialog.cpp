#include "remoteapidialog.h"

#include "programapi.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovra {

namespace {

// Paths, addresses and error texts come from the file system and the operator: never markup.
QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString rulesText()
{
    const QString tokenFile = qEnvironmentVariable("TOVRA_API_TOKEN_FILE");
    if (tokenFile.isEmpty())
        return QStringLiteral("Loopback addresses only (set TOVRA_API_TOKEN_FILE to serve other addresses)");
    return QStringLiteral("Any address; clients send auth with the token of ") + tokenFile + QStringLiteral(" first");
}

} // namespace

RemoteApiDialog::RemoteApiDialog(ProgramApi &programApi, QWidget *parent)
    : QDialog(parent)
    , api(programApi)
{
    setWindowTitle(QStringLiteral("Remote API"));
    socketLabel = plainLabel(QStringLiteral("socketLabel"), this);
    rulesLabel = plainLabel(QStringLiteral("rulesLabel"), this);
    stateLabel = plainLabel(QStringLiteral("stateLabel"), this);
    endpoint = new QLineEdit(this);
    endpoint->setObjectName(QStringLiteral("endpointEdit"));
    serve = new QPushButton(this);
    serve->setObjectName(QStringLiteral("serveButton"));
    serve->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    const QString socketPath = api.server().socketPath();
    socketLabel->setText(socketPath.isEmpty() ? QStringLiteral("Not served (see the program's error output)") : socketPath);
    rulesLabel->setText(rulesText());
    const QString served = api.tcpEndpoint();
    endpoint->setText(served.isEmpty() ? QString::fromLatin1(DefaultEndpoint) : served);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Unix socket:"), socketLabel);
    form->addRow(QStringLiteral("TCP (HOST:PORT):"), endpoint);
    form->addRow(QString(), rulesLabel);
    form->addRow(QString(), serve);
    form->addRow(QStringLiteral("TCP:"), stateLabel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(serve, &QPushButton::clicked, this, &RemoteApiDialog::serveOrStop);
    connect(endpoint, &QLineEdit::returnPressed, this, [this] {
        if (api.tcpEndpoint().isEmpty())
            serveOrStop();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showState();
}

QString RemoteApiDialog::socketText() const
{
    return socketLabel->text();
}

QString RemoteApiDialog::tcpStateText() const
{
    return stateLabel->text();
}

void RemoteApiDialog::serveOrStop()
{
    const QString served = api.tcpEndpoint();
    if (!served.isEmpty()) {
        api.stopTcp();
        api.backend().note(QStringLiteral("TCP serving stopped at ") + served);
        showState();
        return;
    }
    QString error;
    if (!api.serveTcp(endpoint->text().trimmed(), &error)) {
        showState(error);
        return;
    }
    api.backend().note(QStringLiteral("Serving on TCP at ") + api.tcpEndpoint());
    showState();
}

void RemoteApiDialog::showState(const QString &error)
{
    const QString served = api.tcpEndpoint();
    const bool serving = !served.isEmpty();
    endpoint->setEnabled(!serving);
    serve->setText(serving ? QStringLiteral("Stop Serving on TCP") : QStringLiteral("Serve on TCP"));
    if (!error.isEmpty()) {
        stateLabel->setText(QStringLiteral("Not serving: ") + error);
        stateLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
        return;
    }
    stateLabel->setStyleSheet(QString());
    stateLabel->setText(serving ? QStringLiteral("Serving at ") + served : QStringLiteral("Not serving"));
}

} // namespace tovra
