#include "programrig.h"
#include "taskrunner.h"
#include "rzcomport.h"
#include "trafficview.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QTest>
#include <QTimer>

using namespace tovra;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(tovra::Button)

namespace {

const QList<QByteArray> Greeting = {";LC:SEC 4093716", ";LA:EC 0", ";LA:ID?", ";LA:ID?"};
const QString NoDeviceQuestion = QStringLiteral(
    "No device found. Try to reconnect?\n\r\n\rMake sure unit is fully powered on\n\rbefore selecting Yes");

// Whatever the program's two timers would do next, without waiting for them: the events due now,
// then one tick of each, as their timeouts would run it.
void tickTimers(TMainForm &form)
{
    QCoreApplication::processEvents();
    form.StatusTimerTimer();
    form.TaskTimerTimer();
    QCoreApplication::processEvents();
}

// An ended program has no timer left running, and a late tick of either sends nothing.
bool timersStayQuiet(TMainForm &form, const sim::SimulatedLaser &laser)
{
    const qsizetype lines = laser.transcript().size();
    if (form.laserProgram().tasks().pollingActive() || form.laserProgram().taskTimer().isActive())
        return false;
    tickTimers(form);
    return laser.transcript().size() == lines && !form.laserProgram().tasks().pollingActive() && !form.laserProgram().taskTimer().isActive();
}

QStringList logFiles()
{
    return QDir::current().entryList({QStringLiteral("TovraLogFile_*")}, QDir::Files);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void foundLaserIsGreetedAndLoaded();
    void noDeviceQuestionRestartsExitsOrEntersDemo_data();
    void noDeviceQuestionRestartsExitsOrEntersDemo();
    void demoModeSendsNothingToPortOne();
    void demoModeShowsTheStandardWindowWithItsTileCaptions();
    void rightShiftLetsTheOperatorPickThePort();
    void cancelledPortChoiceEndsTheProgram();
    void logSwitchRecordsFromTheFirstExchange_data();
    void logSwitchRecordsFromTheFirstExchange();
    void exitDropsQueuedCommandsAndStopsFiringNext();
    void closeRequestWaitsForTheLaserToStopFiring();
    void restartFromTheTimeoutQuestionWritesNothingMore();
    void exitFromTheTimeoutQuestionClosesTheFilesForGood();
    void timeoutQuestionClosedWithoutAButtonKeepsTheProgramWithPollingOff();
    void vanishedPortAsksThePortQuestion();
};

void StartupTest::foundLaserIsGreetedAndLoaded()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(3);
    TMainForm &form = rig.start();

    QVERIFY(!form.hasEnded());
    const QList<QByteArray> lines = laser.transcript();
    QCOMPARE(lines.mid(0, 5), Greeting + QList<QByteArray>{";LC:XL 0"});
    QCOMPARE(lines.value(5), QByteArray(";LA:ID?"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Marovane Model Tovra  SW Version: 1.2.2.5 ComPort: 3"));
    QVERIFY(form.ResponseList->lines().isEmpty());
    QVERIFY(!form.laserProgram().taskTimer().isActive()); // nothing pending: the program sleeps between polls
    QVERIFY(form.laserProgram().tasks().pollingActive());
    QVERIFY(form.laserProgram().port().AllowEvents());
    QCOMPARE(form.laserProgram().port().ResponseTime(), 5000u);
    QVERIFY(rig.desktop.shown.isEmpty());
}

void StartupTest::noDeviceQuestionRestartsExitsOrEntersDemo_data()
{
    QTest::addColumn<Button>("answer");
    QTest::addColumn<bool>("leftShiftAtAnswer");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<int>("newInstances");
    QTest::addColumn<bool>("demo");

    QTest::newRow("Yes restarts") << Button::Yes << false << true << 1 << false;
    QTest::newRow("No exits") << Button::No << false << true << 0 << false;
    QTest::newRow("No with Left Shift enters demo") << Button::No << true << false << 0 << true;
}

void StartupTest::noDeviceQuestionRestartsExitsOrEntersDemo()
{
    QFETCH(Button, answer);
    QFETCH(bool, leftShiftAtAnswer);
    test::ProgramRig rig;
    bool answered = false;
    rig.keys = [&] { return ShiftKeys{answered && leftShiftAtAnswer, false}; };
    rig.desktop.warningAnswers = {answer};
    rig.desktop.whileWarningOpen = [&](const QString &) { answered = true; };

    TMainForm &form = rig.start();

    QCOMPARE(rig.desktop.textsOf(QStringLiteral("warning")), QStringList{NoDeviceQuestion});
    QTEST(form.hasEnded(), "ended");
    QTEST(rig.desktop.newInstances, "newInstances");
    QTEST(form.laserProgram().inDemoMode(), "demo");
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("message")).contains(QStringLiteral("Entering Demo Mode")),
             form.laserProgram().inDemoMode());
}

void StartupTest::demoModeSendsNothingToPortOne()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &bystander = rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("-demo")});

    QVERIFY(form.laserProgram().inDemoMode());
    QCOMPARE(form.windowTitle(), QStringLiteral(" Tovra  SW Version: 1.2.2.5 ComPort: Demo"));
    form.laserProgram().tasks().resumePolling(); // a status tick comes and goes
    tickTimers(form);
    QVERIFY(!form.laserProgram().tasks().pollingActive());
    form.Exit1Click();
    QTRY_VERIFY(form.hasEnded());
    QVERIFY(bystander.transcript().isEmpty());
    QCOMPARE(rig.desktop.texts(), QStringList{QStringLiteral("Entering Demo Mode")});
}

// Not the controls' own names ("Statuslbl0") on the tiles, and not the energy-mode choice that
// only some small lasers have, standing in the strip beyond the window's run-time width.
void StartupTest::demoModeShowsTheStandardWindowWithItsTileCaptions()
{
    test::ProgramRig rig;
    TMainForm &form = rig.start({QStringLiteral("-demo")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QStringList standardCaptions{"Enabled",      "Firing",     "Q-SW Enable",  "Diode Ext Trig", "Q-SW Ext Trig",
                                       "Shutter Closed", "Ext Intlk", "Diode-Temp",   "Elect-Temp",     "Power Fail",
                                       "Ok to Enable", "Ok to Fire", "Low Pwr Mode", "High Pwr Mode"};
    QStringList captions;
    for (const QLabel *caption : form.ui.Statuslbl)
        captions << caption->text();
    QCOMPARE(captions, standardCaptions);
    QVERIFY(form.ui.EnergyModegrp->isVisible());
    QVERIFY(!form.ui.EnhEnergyModegrp->isVisible());
    for (const QWidget *part : form.ui.ClientArea->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (part->isVisible())
            QVERIFY2(form.ui.ClientArea->rect().contains(part->geometry()), qPrintable(part->objectName()));
    }
}

void StartupTest::rightShiftLetsTheOperatorPickThePort()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(5);
    rig.keys = [] { return ShiftKeys{true, true}; }; // both held: Right Shift wins
    rig.desktop.dialogHandler = [](QDialog &dialog) {
        auto *list = dialog.findChild<QComboBox *>(QStringLiteral("listPorts"));
        list->setCurrentIndex(list->findText(QStringLiteral("COM5"), Qt::MatchStartsWith));
        return int(QDialog::Accepted);
    };
    TMainForm &form = rig.start();

    QVERIFY(!form.hasEnded());
    QVERIFY(!form.laserProgram().inDemoMode());
    QCOMPARE(laser.transcript().value(0), QByteArray(";LC:XL 0"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Marovane Model Tovra  SW Version: 1.2.2.5 ComPort: 5"));
}

void StartupTest::cancelledPortChoiceEndsTheProgram()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(2);
    TMainForm &form = rig.start({QStringLiteral("/pickport")});
    QVERIFY(form.hasEnded());
    QCOMPARE(rig.desktop.newInstances, 0);
    QVERIFY(laser.transcript().isEmpty());
}

void StartupTest::logSwitchRecordsFromTheFirstExchange_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("logging");
    QTest::newRow("/LOG") << "/LOG" << true;
    QTest::newRow("-Log") << "-Log" << true;
    QTest::newRow("--log") << "--log" << false;
}

void StartupTest::logSwitchRecordsFromTheFirstExchange()
{
    QFETCH(QString, argument);
    QFETCH(bool, logging);
    test::ProgramRig rig;
    rig.ports.add(1);
    TMainForm &form = rig.start({argument});

    QCOMPARE(rig.program().records().isRecording(RecordKind::CommunicationLog), logging);
    QCOMPARE(logFiles().size(), logging ? 1 : 0);
    if (!logging)
        return;
    QCOMPARE(logFiles().first(), form.logFileName());
    const QStringList lines = rig.fileLines(form.logFileName());
    QVERIFY(lines.value(0).startsWith(QStringLiteral("Tovra Communication Log File ")));
    QVERIFY2(lines.value(1).startsWith(QStringLiteral("Sent    (")) && lines.value(1).endsWith(QStringLiteral("): ;LC:XL 0")),
             qPrintable(lines.value(1)));
}

void StartupTest::exitDropsQueuedCommandsAndStopsFiringNext()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start();
    form.laserProgram().tasks().pausePolling();
    laser.clearTranscript();

    form.QueuedCommandToPort(QStringLiteral("QE 1"));
    form.QueuedCommandToPort(QStringLiteral("RR 20.0"));
    form.Exit1Click();
    QTRY_VERIFY(form.hasEnded());
    QCOMPARE(laser.transcript(), (QList<QByteArray>{";LA:FL 0"}));
    QVERIFY(!form.laserProgram().port().Opened());
}

void StartupTest::closeRequestWaitsForTheLaserToStopFiring()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start();
    form.show();
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QTRY_VERIFY(form.hasEnded());
    QVERIFY(!form.isVisible());
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

void StartupTest::restartFromTheTimeoutQuestionWritesNothingMore()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("/data")});
    form.laserProgram().port().setResponseTime(200);
    laser.setSilent(true);
    rig.desktop.warningAnswers = {Button::Yes};
    form.QueuedCommandToPort(QStringLiteral("QE 1"));
    form.QueuedCommandToPort(QStringLiteral("QE 0"));

    QTRY_COMPARE_WITH_TIMEOUT(rig.desktop.newInstances, 1, 5000);
    QVERIFY(form.hasEnded());
    QVERIFY(timersStayQuiet(form, laser));
    QVERIFY(!form.laserProgram().port().Opened());
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("warning")), QStringList{QStringLiteral("Communications lost. Restart?")});
}

void StartupTest::exitFromTheTimeoutQuestionClosesTheFilesForGood()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("-log")});
    form.laserProgram().port().setResponseTime(200);
    laser.setSilent(true);
    rig.desktop.warningAnswers = {Button::No};
    form.QueuedCommandToPort(QStringLiteral("QE 1"));
    form.QueuedCommandToPort(QStringLiteral("QE 0"));

    QTRY_VERIFY_WITH_TIMEOUT(form.hasEnded(), 5000);
    QVERIFY(timersStayQuiet(form, laser));
    const QStringList log = rig.fileLines(form.logFileName());
    QVERIFY2(log.last().startsWith(QStringLiteral("Timeout Error(")), qPrintable(log.last()));
    QCOMPARE(rig.desktop.newInstances, 0);
}

void StartupTest::timeoutQuestionClosedWithoutAButtonKeepsTheProgramWithPollingOff()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start();
    form.laserProgram().port().setResponseTime(200);
    laser.setSilent(true);
    rig.desktop.warningAnswers = {Button::None};
    form.QueuedCommandToPort(QStringLiteral("QE 1"));

    QTRY_COMPARE_WITH_TIMEOUT(rig.desktop.textsOf(QStringLiteral("warning")),
                              QStringList{QStringLiteral("Communications lost. Restart?")}, 5000);
    QTRY_VERIFY(!form.laserProgram().tasks().running());
    QVERIFY(!form.hasEnded());
    QVERIFY(!form.laserProgram().tasks().pollingActive());
    QCOMPARE(rig.desktop.newInstances, 0);

    // Still the operator's program: the exit tells the laser to stop firing.
    laser.setSilent(false);
    form.Exit1Click();
    QTRY_VERIFY(form.hasEnded());
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

void StartupTest::vanishedPortAsksThePortQuestion()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    TMainForm &form = rig.start();
    rig.desktop.warningAnswers = {Button::No};
    laser.vanish();

    QTRY_VERIFY_WITH_TIMEOUT(form.hasEnded(), 5000);
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("warning")), QStringList{QStringLiteral("Port no longer available, restart?")});
    QCOMPARE(rig.desktop.newInstances, 0);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
