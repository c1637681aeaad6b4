// The window beside the control API: a client's setting shows in its control, the status bar
// names the client in control, the operator's Stop wins over a remote client's firing, and
// Tools > Remote API… serves on TCP at the operator's word.
#include "apiclient.h"
#include "mainstatusbar.h"
#include "plusspinedit.h"
#include "programapi.h"
#include "programrig.h"
#include "remoteapidialog.h"
#include "remotecontrolview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tovra;
using namespace tovra::test;

namespace {

// The window over the program with its API served on a Unix socket in a folder of its own.
class WindowWithApi
{
public:
    WindowWithApi()
    {
        qputenv("TOVRA_API_PATH", QFile::encodeName(socketPath()));
        qputenv("TOVRA_SHARE_PATH", QFile::encodeName(runtime.filePath(QStringLiteral("port"))));
        qunsetenv("TOVRA_API_TOKEN_FILE");
        rig.ports.add(1);
        window = &rig.start();
        api = std::make_unique<ProgramApi>(rig.program());
        showRemoteControlIn(*window, *api);
    }

    QString socketPath() const { return runtime.filePath(QStringLiteral("api.sock")); }
    // Opens Tools > Remote API… and lets `work` use the dialog before it is closed.
    void inRemoteApiDialog(const std::function<void(RemoteApiDialog &)> &work)
    {
        bool opened = false;
        rig.desktop.dialogHandler = [&](QDialog &dialog) {
            auto *remoteApi = qobject_cast<RemoteApiDialog *>(&dialog);
            opened = remoteApi != nullptr;
            if (remoteApi)
                work(*remoteApi);
            return int(QDialog::Rejected);
        };
        window->ui.RemoteApiMenu->trigger();
        QVERIFY(opened);
    }

    QTemporaryDir runtime;
    ProgramRig rig;
    TMainForm *window = nullptr;
    std::unique_ptr<ProgramApi> api;
};

// A loopback port that nothing listens on (it was free a moment ago).
quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class ApiWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void theWindowFollowsAClientAndItsStopWins()
    {
        QTemporaryDir runtime;
        qputenv("TOVRA_API_PATH", QFile::encodeName(runtime.filePath(QStringLiteral("api.sock"))));
        qputenv("TOVRA_SHARE_PATH", QFile::encodeName(runtime.filePath(QStringLiteral("port"))));
        ProgramRig rig;
        sim::SimulatedLaser &laser = rig.ports.add(1);
        TMainForm &window = rig.start();
        ProgramApi api(rig.program());
        showRemoteControlIn(window, api);
        QString error;
        QVERIFY2(api.listen(QString(), &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:SS?"), 15000);

        ApiClient client(runtime.filePath(QStringLiteral("api.sock")));
        QVERIFY(succeeded(client.call(QStringLiteral("control.acquire"), params({{"name", "ramp"}}))));
        QCOMPARE(window.StatusBar->remoteControlText(), QStringLiteral("Remote control: api#1 (ramp)"));

        QVERIFY(succeeded(client.call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 20}}))));
        QCOMPARE(window.ui.RepRateAdj->Value(), 20.0);
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:RR 20.0"), 10000);
        QCOMPARE(laser.transcript().count(";LA:RR 20.0"), 1); // the control did not send it again

        QVERIFY(rig.program().share(true));
        rig.program().setRemoteFiringAllowed(true);
        QVERIFY(succeeded(client.call(QStringLiteral("enable"))));
        QTRY_VERIFY_WITH_TIMEOUT((client.call(QStringLiteral("ping")), laser.enabled()), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(succeeded(client.call(QStringLiteral("fire"))), 10000);
        QTRY_VERIFY_WITH_TIMEOUT((client.call(QStringLiteral("ping")), laser.firing()), 10000);
        window.FireStopbtnClick(); // the operator's Stop
        QTRY_VERIFY_WITH_TIMEOUT(!laser.firing(), 10000);

        QVERIFY(succeeded(client.call(QStringLiteral("control.release"))));
        QCOMPARE(window.StatusBar->remoteControlText(), QString());
    }

    void theRemoteApiDialogStartsAndStopsServingOnTcp()
    {
        WindowWithApi program;
        QString error;
        QVERIFY2(program.api->listen(QString(), &error), qPrintable(error));
        const quint16 port = freeLoopbackPort();
        const QString endpoint = QStringLiteral("127.0.0.1:") + QString::number(port);

        program.inRemoteApiDialog([&](RemoteApiDialog &dialog) {
            QCOMPARE(dialog.socketText(), program.socketPath());
            QCOMPARE(dialog.endpointEdit()->text(), QString::fromLatin1(RemoteApiDialog::DefaultEndpoint));
            QCOMPARE(dialog.tcpStateText(), QStringLiteral("Not serving"));
            dialog.endpointEdit()->setText(endpoint);
            dialog.serveButton()->click();
            QCOMPARE(dialog.tcpStateText(), QStringLiteral("Serving at ") + endpoint);
            QVERIFY(!dialog.endpointEdit()->isEnabled());
        });
        ApiClient overTcp(QStringLiteral("127.0.0.1"), port);
        QVERIFY(succeeded(overTcp.call(QStringLiteral("ping"))));

        // Opened again, the dialog shows what is served and stops it; the TCP client is hung up,
        // the Unix socket serves on.
        program.inRemoteApiDialog([&](RemoteApiDialog &dialog) {
            QCOMPARE(dialog.endpointEdit()->text(), endpoint);
            dialog.serveButton()->click();
            QCOMPARE(dialog.tcpStateText(), QStringLiteral("Not serving"));
            QVERIFY(dialog.endpointEdit()->isEnabled());
        });
        QVERIFY(overTcp.waitForHangUp());
        QVERIFY(!ApiClient(QStringLiteral("127.0.0.1"), port).isConnected());
        QVERIFY(succeeded(ApiClient(program.socketPath()).call(QStringLiteral("ping"))));
        QVERIFY(program.window->StatusBar->currentMessage().contains(QStringLiteral("TCP serving stopped at ") + endpoint));
    }

    void theRemoteApiDialogShowsWhyItCannotServe_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("because");

        QTest::newRow("no port") << QStringLiteral("127.0.0.1") << QStringLiteral("give an address and a port");
        QTest::newRow("another machine's address without a token file")
            << QStringLiteral("192.0.2.7:5025") << QStringLiteral("is not a loopback address");
        QTest::newRow("a port in use") << QStringLiteral("127.0.0.1:%1") << QStringLiteral("Cannot listen on 127.0.0.1:");
    }

    void theRemoteApiDialogShowsWhyItCannotServe()
    {
        QFETCH(QString, endpoint);
        QFETCH(QString, because);
        WindowWithApi program;
        QString error;
        QVERIFY2(program.api->listen(QString(), &error), qPrintable(error));
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::LocalHost, 0));

        program.inRemoteApiDialog([&](RemoteApiDialog &dialog) {
            dialog.endpointEdit()->setText(endpoint.contains(QLatin1String("%1")) ? endpoint.arg(occupant.serverPort()) : endpoint);
            dialog.serveButton()->click();
            QVERIFY2(dialog.tcpStateText().startsWith(QStringLiteral("Not serving: ")), qPrintable(dialog.tcpStateText()));
            QVERIFY2(dialog.tcpStateText().contains(because), qPrintable(dialog.tcpStateText()));
            QVERIFY(dialog.endpointEdit()->isEnabled());
        });
        QVERIFY(program.api->tcpEndpoint().isEmpty());
    }
};

QTEST_MAIN(ApiWindowTest)
#include "tst_apiwindow.moc"
