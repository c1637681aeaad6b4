// The communication log as an audit trail: every line sent on behalf of the window, the terminal,
// a script on the shared port or an API client names that source, so that the log tells who set
// what; the program's own lines name none.
#include "apiclient.h"
#include "plusspinedit.h"
#include "programapi.h"
#include "sharedprogram.h"

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

QTEST_MAIN(AuditTrailTest)
#include "tst_audittrail.moc"
