#include "testshard.h"
#include "builtfiles.h"
#include "simport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace tovra;
using namespace std::chrono_literals;

namespace {

// The program's environment: offscreen, with the waits shortened that these tests sit out (a
// simulated laser needs no settling pause in the scan). A reply still gets 2 s, ten times the
// exit's wait for its "FL 0", so that the two stay apart.
QProcessEnvironment programEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TOVRA_TEST_TIMINGS"),
                       QStringLiteral("responseTime=2000,exitReplyTime=200,statusPollInterval=200,scanPause=0"));
    return environment;
}

// The built program, started as an operator starts it in a folder of its own.
class Program
{
public:
    explicit Program(const QStringList &arguments = {}, const std::function<void()> &childSetUp = {},
                     const QString &locale = {})
    {
        process.setWorkingDirectory(workDir.path());
        QProcessEnvironment environment = programEnvironment();
        if (!locale.isEmpty())
            environment.insert(QStringLiteral("LC_ALL"), locale);
        process.setProcessEnvironment(environment);
        if (childSetUp)
            process.setChildProcessModifier(childSetUp);
        process.start(test::programFile(), arguments);
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    void signal(int number) { ::kill(pid_t(process.processId()), number); }
    // True when the program ended by itself, normally and with code 0, within `ms`.
    bool endsOrderlyWithin(int ms)
    {
        return process.waitForFinished(ms) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // The text of the communication log or the data file.
    QByteArray logText() const { return recordText(QStringLiteral("TovraLogFile_*")); }
    QByteArray dataText() const { return recordText(QStringLiteral("TovraDataFile_*")); }
    QByteArray recordText(const QString &pattern) const
    {
        const QStringList logs = QDir(workDir.path()).entryList({pattern}, QDir::Files);
        QFile file(workDir.filePath(logs.value(0)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir workDir;
    QProcess process;
};

bool startUpDone(const sim::SimulatedLaser &laser)
{
    return QTest::qWaitFor([&laser] { return laser.transcript().contains(";LA:SS?"); }, 15000);
}

} // namespace

// The built program as an operator starts it, against a simulated laser.
class ProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void interruptTakesTheOrderlyWayOut_data();
    void interruptTakesTheOrderlyWayOut();
    void stopSignalEndsTheStartUpLoadOfASlowLaserAtOnce();
    void stopSignalClosesTheOpenQuestionAndTheExitGoesOn();
    void withNoLaserFoundTheExitSendsNothing();
    void stopSignalWhileTheLinkIsLostEndsTheProgramAtOnce();
    void fileSizeLimitFailsTheLogWriteInsteadOfKillingTheProgram();
    void dataFileTimesAreLatinDigitsWhateverTheLocale_data();
    void dataFileTimesAreLatinDigitsWhateverTheLocale();
};

void ProgramTest::interruptTakesTheOrderlyWayOut_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void ProgramTest::interruptTakesTheOrderlyWayOut()
{
    QFETCH(int, signalNumber);
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    QTemporaryDir workDir;

    QProcess program;
    program.setWorkingDirectory(workDir.path());
    program.setProcessEnvironment(programEnvironment());
    program.start(test::programFile(), {QStringLiteral("-log")});
    QVERIFY(program.waitForStarted());

    // The stop signals are caught from before the connection on; the program acts on them once
    // its start-up is over.
    QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LC:XL 0"), 15000);
    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

// The start-up processes no events; the signal is found at the load's next query.
void ProgramTest::stopSignalEndsTheStartUpLoadOfASlowLaserAtOnce()
{
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    Program program;
    QVERIFY(QTest::qWaitFor([&laser] { return laser.transcript().contains(";LC:XL 0"); }, 15000));
    laser.setReplyDelay(300ms);
    QVERIFY(QTest::qWaitFor([&laser] { return laser.transcript().contains(";LA:RR?"); }, 5000));

    QElapsedTimer clock;
    clock.start();
    program.signal(SIGTERM);
    QVERIFY(program.endsOrderlyWithin(10000));

    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    const QList<QByteArray> lines = laser.transcript();
    QCOMPARE(lines.last(), QByteArray(";LA:FL 0"));
    QVERIFY(lines.size() - lines.indexOf(";LC:XL 0") < 10); // a full load asks 31 queries
}

void ProgramTest::stopSignalClosesTheOpenQuestionAndTheExitGoesOn()
{
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    Program program({QStringLiteral("-log")});
    QVERIFY(startUpDone(laser));

    // A poll's query times out after its response time and the question opens.
    laser.setSilent(true);
    QVERIFY(QTest::qWaitFor([&program] { return program.logText().contains("Timeout Error("); }, 10000));
    QTest::qWait(200);
    QCOMPARE(program.process.state(), QProcess::Running);

    QElapsedTimer clock;
    clock.start();
    program.signal(SIGTERM);
    QVERIFY(program.endsOrderlyWithin(10000));

    // The exit's "FL 0" waits its own short time for the silent laser, not the response time of
    // other exchanges.
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

// The last port the scan tried holds some other device: it hears the scan, and nothing more.
void ProgramTest::withNoLaserFoundTheExitSendsNothing()
{
    test::SimPorts ports;
    sim::LaserConfig stranger;
    stranger.model = "Stranger";
    sim::SimulatedLaser &device = ports.add(100, stranger);
    Program program;
    QVERIFY(QTest::qWaitFor([&device] { return device.transcript().count(";LA:ID?") == 2; }, 15000));
    QTest::qWait(500); // "No device found" opens

    program.signal(SIGTERM);
    QVERIFY(program.endsOrderlyWithin(5000));

    QVERIFY(!device.transcript().contains(";LA:FL 0"));
    QCOMPARE(device.transcript().last(), QByteArray(";LA:ID?"));
}

// The laser's port vanished and the program looks for it: the exit neither waits for a reply
// from nowhere nor writes its "FL 0" to a port that is gone.
void ProgramTest::stopSignalWhileTheLinkIsLostEndsTheProgramAtOnce()
{
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    Program program({QStringLiteral("-log")});
    QVERIFY(startUpDone(laser));

    laser.vanish();
    QVERIFY(QTest::qWaitFor([&program] { return program.logText().contains("Link lost ("); }, 10000));
    QElapsedTimer clock;
    clock.start();
    program.signal(SIGTERM);

    QVERIFY(program.endsOrderlyWithin(10000));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    const QByteArray log = program.logText();
    QVERIFY(!log.mid(log.indexOf("Link lost (")).contains(";LA:FL 0"));
}

// A write past the limit fails with EFBIG: the log's failure is reported and the program runs on.
void ProgramTest::fileSizeLimitFailsTheLogWriteInsteadOfKillingTheProgram()
{
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    Program program({QStringLiteral("-log")}, [] {
        const rlimit limit = {4000, 4000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    QVERIFY(startUpDone(laser));
    QVERIFY(QTest::qWaitFor([&program] { return program.logText().size() >= 3900; }, 15000));
    // Polls go on after the log's write has failed.
    const qsizetype polls = laser.transcript().count(";LA:SS?");
    QVERIFY(QTest::qWaitFor([&] { return laser.transcript().count(";LA:SS?") >= polls + 3; }, 10000));
    QCOMPARE(program.process.state(), QProcess::Running);
    QVERIFY(program.logText().size() <= 4000);

    program.signal(SIGTERM);
    QVERIFY(program.endsOrderlyWithin(10000));
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

// Qt carries the data of these locales itself; glibc's need not be installed.
void ProgramTest::dataFileTimesAreLatinDigitsWhateverTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *name : {"ar_EG.UTF-8", "fa_IR.UTF-8", "mr_IN.UTF-8"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void ProgramTest::dataFileTimesAreLatinDigitsWhateverTheLocale()
{
    QFETCH(QString, locale);
    if (QLocale(locale.section(QLatin1Char('.'), 0, 0)).language() == QLocale::C)
        QSKIP("this Qt has no data for the locale");
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    Program program({QStringLiteral("-data")}, {}, locale);
    QVERIFY(QTest::qWaitFor([&laser] { return laser.transcript().count(";LA:SS?") >= 2; }, 20000));
    program.signal(SIGTERM);
    QVERIFY(program.endsOrderlyWithin(10000));

    const QByteArray text = program.dataText();
    const QList<QByteArray> lines = text.split('\n');
    QVERIFY2(lines.size() >= 3, text.constData());
    static const QRegularExpression header(QStringLiteral("^Tovra Data File [0-9][^?]*,[0-9]{1,2}\\D[0-9]{2}\\D[0-9]{2}"));
    QVERIFY2(header.match(QString::fromLatin1(lines.at(0))).hasMatch(), lines.at(0).constData());
    static const QRegularExpression row(QStringLiteral("^[0-9]{1,2}\\D[0-9]{2}\\D[0-9]{2}[^?]*,"));
    QVERIFY2(row.match(QString::fromLatin1(lines.at(2))).hasMatch(), lines.at(2).constData());
    QVERIFY2(!text.contains('?'), text.constData());
}

TOVRA_TEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
