// The communication log as an audit trail: every line sent on behalf of the window, the terminal,
// a script on the shared port or an API client names that source, so that the log tells who set
// what; the program's own lines name none.
#include "apiclient.h"
#include "plusspinedit.h"
#include "programapi.h"
#include "rawportclient.h"
#include "sharedprogram.h"
#include "taskrunner.h"
#include "whenlaserhears.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tovra;
using namespace tovra::test;

namespace {

// The window, a script and an API client at once on one simulated laser, the log on.
class AuditRig
{
public:
    AuditRig()
        : previousApiPath(qgetenv("TOVRA_API_PATH"))
    {
        qputenv("TOVRA_API_PATH", QFile::encodeName(apiPath()));
        shared = std::make_unique<SharedProgram>(sim::LaserConfig{}, QStringList{QStringLiteral("-share"), QStringLiteral("-log")});
        api = std::make_unique<ProgramApi>(shared->rig.program());
    }
    ~AuditRig()
    {
        api.reset();
        shared.reset();
        if (previousApiPath.isNull())
            qunsetenv("TOVRA_API_PATH");
        else
            qputenv("TOVRA_API_PATH", previousApiPath);
    }

    QString apiPath() const { return runtime.filePath(QStringLiteral("api.sock")); }
    TMainForm &form() { return *shared->form; }
    QStringList log() const { return shared->rig.fileLines(shared->form->logFileName()); }
    // The log's record of a line sent: "Sent    (hh:mm:ss.zzz): " and `rest`, exactly.
    bool logged(const QString &rest) const
    {
        const QRegularExpression sent(QStringLiteral("^Sent    \\(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\): ")
                                      + QRegularExpression::escape(rest) + QLatin1Char('$'));
        return !log().filter(sent).isEmpty();
    }

    QTemporaryDir runtime;
    QByteArray previousApiPath;
    std::unique_ptr<SharedProgram> shared;
    std::unique_ptr<ProgramApi> api;
};

using Write = std::function<void(AuditRig &)>;
using Lines = QList<QByteArray>;

// The lines that set or do something, in the order the laser heard them: its queries left out.
Lines linesThatAreNoQueries(const Lines &transcript)
{
    Lines lines;
    std::copy_if(transcript.cbegin(), transcript.cend(), std::back_inserter(lines),
                 [](const QByteArray &line) { return !line.endsWith('?'); });
    return lines;
}

// An API client named "ramp" in control.
std::unique_ptr<ApiClient> controllingClient(AuditRig &rig)
{
    auto client = std::make_unique<ApiClient>(rig.apiPath());
    client->call(QStringLiteral("control.acquire"), params({{"name", "ramp"}}));
    return client;
}

} // namespace

Q_DECLARE_METATYPE(Write)

class AuditTrailTest : public QObject
{
    Q_OBJECT
private slots:
    void everyWriteIsLoggedWithItsSource_data();
    void everyWriteIsLoggedWithItsSource();
    void theProgramsOwnLinesNameNoSource();
    void linesWaitingDuringAStatusUpdateGoOutInTheSchedulersOrder_data();
    void linesWaitingDuringAStatusUpdateGoOutInTheSchedulersOrder();
};

void AuditTrailTest::everyWriteIsLoggedWithItsSource_data()
{
    QTest::addColumn<Write>("write");
    QTest::addColumn<QString>("expected"); // each row's rig is new: its first API client is "api#1"

    QTest::newRow("a control of the window")
        << Write([](AuditRig &rig) { rig.form().ui.RepRateAdj->setValue(20); }) << QStringLiteral("[window] ;LA:RR 20.0");
    QTest::newRow("the window's enable box") << Write([](AuditRig &rig) { rig.form().ui.LaserEnableBtn->click(); })
                                             << QStringLiteral("[window] ;LA:EN 1");
    QTest::newRow("a bin recalled from the window") << Write([](AuditRig &rig) { rig.shared->rig.program().recallBin(2); })
                                                    << QStringLiteral("[window] ;LA:RC 2");
    QTest::newRow("a line typed in the terminal") << Write([](AuditRig &rig) {
        rig.form().ui.SendEdit->setEditText(QStringLiteral("RR 30"));
        rig.form().ui.SendBtn->click();
    }) << QStringLiteral("[terminal] RR 30");
    QTest::newRow("a script's setter") << Write([](AuditRig &rig) {
        QCOMPARE(rig.shared->runScript(QStringLiteral("print(ask(open_port(), 'RR 40'))")).size(), 1);
    }) << QStringLiteral("[script] RR 40");
    QTest::newRow("a script's stop") << Write([](AuditRig &rig) {
        QCOMPARE(rig.shared->runScript(QStringLiteral("print(ask(open_port(), 'FL 0'))")).size(), 1);
    }) << QStringLiteral("[script] FL 0");
    QTest::newRow("an API client's set") << Write([](AuditRig &rig) {
        auto client = controllingClient(rig);
        QVERIFY(succeeded(client->call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 50}}))));
        QTRY_VERIFY_WITH_TIMEOUT(rig.shared->laser.transcript().contains(";LA:RR 50.0"), 10000);
    }) << QStringLiteral("[API api#1 (ramp)] ;LA:RR 50.0");
    QTest::newRow("an API client's enable") << Write([](AuditRig &rig) {
        rig.shared->rig.program().setRemoteFiringAllowed(true);
        auto client = controllingClient(rig);
        QVERIFY(succeeded(client->call(QStringLiteral("enable"))));
        QTRY_VERIFY_WITH_TIMEOUT(rig.shared->laser.enabled(), 10000);
    }) << QStringLiteral("[API api#1 (ramp)] ;LA:EN 1");
    QTest::newRow("an API client's raw setter") << Write([](AuditRig &rig) {
        auto client = controllingClient(rig);
        QVERIFY(succeeded(client->call(QStringLiteral("raw"), params({{"line", "RR 60"}}))));
    }) << QStringLiteral("[API api#1 (ramp)] RR 60");
    QTest::newRow("an API observer's stop") << Write([](AuditRig &rig) {
        ApiClient observer(rig.apiPath());
        QVERIFY(succeeded(observer.call(QStringLiteral("stop"))));
    }) << QStringLiteral("[API api#1] ;LA:FL 0");
}

void AuditTrailTest::everyWriteIsLoggedWithItsSource()
{
    QFETCH(Write, write);
    QFETCH(QString, expected);
    AuditRig rig;
    QString error;
    QVERIFY2(rig.api->listen(QString(), &error), qPrintable(error));

    write(rig);
    QTRY_VERIFY2_WITH_TIMEOUT(rig.logged(expected), qPrintable(rig.log().join(QLatin1Char('\n'))), 15000);
}

// The status poll, the settings load and the exit's stop are the program's own doing.
void AuditTrailTest::theProgramsOwnLinesNameNoSource()
{
    AuditRig rig;
    rig.form().ui.Up1->trigger(); // a refresh: the settings load's queries
    QTRY_VERIFY_WITH_TIMEOUT(!rig.form().laserProgram().tasks().loadPending() && !rig.form().laserProgram().tasks().running(), 15000);
    rig.form().laserProgram().updateStatus();
    const QStringList sent = rig.log().filter(QRegularExpression(QStringLiteral("^Sent    \\(")));
    QVERIFY(!sent.filter(QStringLiteral("): ;LA:SS?")).isEmpty());
    QVERIFY2(sent.filter(QStringLiteral("): [")).isEmpty(), qPrintable(sent.join(QLatin1Char('\n'))));
}

void AuditTrailTest::linesWaitingDuringAStatusUpdateGoOutInTheSchedulersOrder_data()
{
    QTest::addColumn<bool>("operatorLine"); // the window's repetition rate set to 20
    QTest::addColumn<QByteArray>("scriptLine");
    QTest::addColumn<QByteArray>("apiLine"); // a raw line of the client in control
    QTest::addColumn<Lines>("duringUpdate");
    QTest::addColumn<Lines>("afterUpdate");
    QTest::newRow("operator, script and API") << true << QByteArray("RR 40") << QByteArray("RR 60") << Lines{}
                                              << Lines{";LA:RR 20.0", "RR 40", "RR 60"};
    QTest::newRow("script and API") << false << QByteArray("RR 40") << QByteArray("RR 60") << Lines{}
                                    << Lines{"RR 40", "RR 60"};
    QTest::newRow("operator and API") << true << QByteArray() << QByteArray("RR 60") << Lines{}
                                      << Lines{";LA:RR 20.0", "RR 60"};
    QTest::newRow("a script's stop goes inside the update, the others after it")
        << true << QByteArray("FL 0") << QByteArray("RR 60") << Lines{"FL 0"} << Lines{";LA:RR 20.0", "RR 60"};
    QTest::newRow("a script's stop withdraws the API's waiting enable")
        << false << QByteArray("FL 0") << QByteArray("EN 1") << Lines{"FL 0"} << Lines{};
}

// Lines from every source arrive while a status update waits for a reply: only stops go out
// before the update ends; then one tick sends the operator's lines, the script's, the API's.
void AuditTrailTest::linesWaitingDuringAStatusUpdateGoOutInTheSchedulersOrder()
{
    QFETCH(bool, operatorLine);
    QFETCH(QByteArray, scriptLine);
    QFETCH(QByteArray, apiLine);
    QFETCH(Lines, duringUpdate);
    QFETCH(Lines, afterUpdate);
    AuditRig rig;
    QString error;
    QVERIFY2(rig.api->listen(QString(), &error), qPrintable(error));
    const std::unique_ptr<ApiClient> client = controllingClient(rig);
    LaserProgram &program = rig.shared->rig.program();
    program.setRemoteFiringAllowed(true);
    RawPortClient script(rig.shared->linkPath());
    QVERIFY(script.isOpen());
    sim::SimulatedLaser &laser = rig.shared->laser;
    laser.clearTranscript();
    laser.setReplyDelay(";LA:SC?", std::chrono::milliseconds(300)); // the update's first query

    // The API's line waits first, so that a stop comes after it.
    const WhenLaserHears duringTheUpdate(laser, ";LA:SC?", [&] {
        if (!apiLine.isEmpty()) {
            client->sendRaw(R"({"jsonrpc":"2.0","id":99,"method":"raw","params":{"line":")" + apiLine + "\"}}\n");
            QVERIFY(QTest::qWaitFor([&program] { return program.tasks().pending(); }));
        }
        if (operatorLine)
            rig.form().ui.RepRateAdj->setValue(20);
        if (!scriptLine.isEmpty())
            script.writeLine(scriptLine);
    });
    program.statusTick();
    program.tasks().pausePolling(); // no second update: the transcript's last query ends this one

    QTRY_COMPARE_WITH_TIMEOUT(linesThatAreNoQueries(laser.transcript()), duringUpdate + afterUpdate, 15000);
    const Lines transcript = laser.transcript();
    const auto lastQuery = std::find_if(transcript.crbegin(), transcript.crend(),
                                        [](const QByteArray &line) { return line.endsWith('?'); });
    const qsizetype updateEnd = transcript.crend() - lastQuery;
    QCOMPARE(linesThatAreNoQueries(transcript.first(updateEnd)), duringUpdate);
    QCOMPARE(transcript.sliced(updateEnd), afterUpdate);
}

QTEST_MAIN(AuditTrailTest)
#include "tst_audittrail.moc"
