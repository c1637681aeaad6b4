// The window beside the control API: a client's setting shows in its control, the status bar
// names the client in control, and the operator's Stop wins over a remote client's firing.
#include "apiclient.h"
#include "mainstatusbar.h"
#include "plusspinedit.h"
#include "programapi.h"
#include "programrig.h"
#include "remotecontrolview.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tovra;
using namespace tovra::test;

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
};

QTEST_MAIN(ApiWindowTest)
#include "tst_apiwindow.moc"
