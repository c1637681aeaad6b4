// A pulled cable ends nothing: while the port question is open the program looks for the laser
// in use, takes it back only when the same model and serial number answer, keeps stop commands
// for it, drops everything else queued for it, answers scripts at once and leaves other devices
// alone. The simulator's come-back stands for the cable plugged in again.

#include "labeledreadout.h"
#include "taskrunner.h"
#include "linkrecovery.h"
#include "portwatcher.h"
#include "rawportclient.h"
#include "runningprogram.h"
#include "rzcomport.h"
#include "sharedprogram.h"
#include "stalelook.h"
#include "statusindicator.h"
#include "trafficview.h"
#include "udevmonitor.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tovra;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::LaserConfig)

namespace {

const QString PortQuestion = QStringLiteral("Port no longer available, restart?");

// The port question stays open, as a box nobody answers, until the program closes it or
// `limit` passes; `meanwhile` runs once it is open (the operator, a script, another device).
void holdPortQuestionOpen(test::ScriptedDesktop &desktop, std::function<void()> meanwhile = {}, int limit = 20000)
{
    desktop.whileWarningOpen = [&desktop, meanwhile, limit](const QString &text) {
        if (text != PortQuestion)
            return;
        const int closed = desktop.boxesClosed;
        if (meanwhile)
            meanwhile();
        static_cast<void>(QTest::qWaitFor([&] { return desktop.boxesClosed != closed; }, limit));
    };
}

bool terminalShows(TMainForm &form, const QString &text)
{
    return form.ResponseList->lines().filter(text).size() > 0;
}

// Lines the laser heard, from the greeting on.
QList<QByteArray> fromGreeting(const QList<QByteArray> &heard)
{
    return heard.mid(heard.lastIndexOf(";LC:SEC 4093716"));
}

// The cable plugged in again after `after`, at `linkPath` (empty: where it was).
sim::ComeBack pluggedInAgain(std::chrono::milliseconds after, const QString &linkPath = {})
{
    sim::ComeBack back;
    back.after = after;
    back.linkPath = linkPath;
    return back;
}

bool readingsLive(TMainForm &form)
{
    return !hasStaleLook(form.ui.ShotCountlbl) && !hasStaleLook(form.ui.DiodeCurrentlbl)
           && !form.ui.StatusInd[0]->isStale();
}

bool readingsStale(TMainForm &form)
{
    return hasStaleLook(form.ui.ShotCountlbl) && hasStaleLook(form.ui.DiodeCurrentlbl)
           && form.ui.StatusInd[3]->isStale();
}

} // namespace

class LinkRecoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void sameLaserIsTakenBackAndPollingGoesOn_data();
    void sameLaserIsTakenBackAndPollingGoesOn();
    void anotherDeviceIsRefusedAndLeftAloneUntilItComesBack_data();
    void anotherDeviceIsRefusedAndLeftAloneUntilItComesBack();
    void stopsAskedWhileLostAreTheFirstLinesAndNothingElseFollows_data();
    void stopsAskedWhileLostAreTheFirstLinesAndNothingElseFollows();
    void scriptLineWhileLostIsAnsweredAtOnceAndNeverSent();
    void programWithoutAKnownLaserWatchesNothing_data();
    void programWithoutAKnownLaserWatchesNothing();
    void linkUnderAFolderRemovedAndMadeAgainIsFoundByTheFolderWatch();
    void watcherRetriesWithoutAnyChange();
    void watcherFollowsAFolderThatComesBack();
    void udevTellsWhenATtyDeviceIsAdded();
    void questionClosedWithoutAButtonShowsTheReadOutsAsStale();
};

void LinkRecoveryTest::sameLaserIsTakenBackAndPollingGoesOn_data()
{
    QTest::addColumn<int>("backAt");
    QTest::newRow("at the same port number") << 1;
    QTest::newRow("at another port number") << 4;
}

void LinkRecoveryTest::sameLaserIsTakenBackAndPollingGoesOn()
{
    QFETCH(int, backAt);
    test::PolledProgram program({}, {QStringLiteral("-log"), QStringLiteral("-data")});
    program.laser.setComeBack(pluggedInAgain(200ms, program.rig.ports.pathOf(backAt)));
    QString labelWhileLost;
    bool greyWhileLost = false;
    holdPortQuestionOpen(program.rig.desktop, [&] {
        labelWhileLost = program.form.ui.SystemStatuslbl->text();
        greyWhileLost = readingsStale(program.form);
    });
    const int dataLines = program.rig.fileLines(program.form.dataFileName()).size();

    program.laser.vanish();
    program.poll();

    QVERIFY(!program.form.hasEnded());
    QCOMPARE(labelWhileLost, QStringLiteral("Status: link lost, waiting for Tovra SN 1042"));
    QVERIFY(greyWhileLost);
    QCOMPARE(program.form.laserProgram().port().Port(), backAt);
    const QList<QByteArray> heard = fromGreeting(program.laser.transcript());
    QCOMPARE(heard.mid(0, 4), (QList<QByteArray>{";LC:SEC 4093716", ";LA:EC 0", ";LA:ID?", ";LC:XL 0"}));
    // The settings are read again, then the status at once.
    QVERIFY(heard.contains(";LA:RR?"));
    QVERIFY(heard.indexOf(";LA:SS?") > heard.indexOf(";LA:RR?"));
    QVERIFY(readingsLive(program.form));
    QVERIFY(program.form.ui.SystemStatuslbl->text().startsWith(QStringLiteral("Status: ")));
    QVERIFY(!program.form.ui.SystemStatuslbl->text().contains(QStringLiteral("lost")));
    const QString found = QStringLiteral("Laser found again at COM%1 after ").arg(backAt);
    QVERIFY(terminalShows(program.form, found));
    const QStringList log = program.rig.fileLines(program.form.logFileName());
    QCOMPARE(log.filter(QStringLiteral("Link lost (")).size(), 1);
    QCOMPARE(log.filter(found).size(), 1);
    // The same files go on: one row, from the update after the laser was found.
    QCOMPARE(program.rig.fileLines(program.form.dataFileName()).size(), dataLines + 1);
}

void LinkRecoveryTest::programWithoutAKnownLaserWatchesNothing_data()
{
    QTest::addColumn<bool>("demoMode");
    QTest::newRow("a port picked by hand that never held a laser") << false;
    QTest::newRow("demo mode") << true;
}

// With no laser identity to recognise, a device that comes back while the question is open is
// never greeted; the question decides alone.
void LinkRecoveryTest::programWithoutAKnownLaserWatchesNothing()
{
    QFETCH(bool, demoMode);
    test::PolledProgram program;
    if (demoMode)
        program.form.communication().detach(); // as demo mode leaves it
    else
        program.rig.state.modelName.clear();
    program.laser.setComeBack(pluggedInAgain(200ms));
    holdPortQuestionOpen(program.rig.desktop, {}, 1500);
    program.laser.clearTranscript();

    program.laser.vanish();
    program.poll();

    QCOMPARE(program.laser.transcript(), QList<QByteArray>{});
    // The port question's No ends the program; demo mode polls no port and so asks nothing.
    QCOMPARE(program.form.hasEnded(), !demoMode);
}

void LinkRecoveryTest::anotherDeviceIsRefusedAndLeftAloneUntilItComesBack_data()
{
    QTest::addColumn<sim::LaserConfig>("other");
    QTest::addColumn<QString>("note");

    sim::LaserConfig otherSerial;
    otherSerial.serialNumber = 2077;
    sim::LaserConfig otherModel = test::laserOfFamily(sim::Family::Micro);
    sim::LaserConfig noLaser;
    noLaser.identityOverride = "MODEM READY";
    QTest::newRow("another serial number")
        << otherSerial << "Laser SN 2077 found at COM3, not the laser in use (SN 1042)";
    QTest::newRow("another model") << otherModel
                                   << "Laser " + QString::fromLatin1(otherModel.model)
                                          + " SN 1042 found at COM3, not the laser in use (Tovra SN 1042)";
    QTest::newRow("a device that is no laser") << noLaser << "No laser at COM3, not the laser in use (Tovra SN 1042)";
}

void LinkRecoveryTest::anotherDeviceIsRefusedAndLeftAloneUntilItComesBack()
{
    QFETCH(sim::LaserConfig, other);
    QFETCH(QString, note);
    other.pacing = false;
    test::PolledProgram program;
    program.form.laserProgram().linkRecovery().setRetryInterval(50ms);
    int greetingsBeforeItWent = 0;
    int greetingsOfTheOneBack = 0;
    holdPortQuestionOpen(program.rig.desktop, [&] {
        sim::SimulatedLaser &stranger = program.rig.ports.add(3, other);
        QVERIFY(QTest::qWaitFor([&] { return terminalShows(program.form, note); }, 10000));
        // Later looks (the retry, a device appearing at port 5) leave it alone.
        sim::SimulatedLaser &later = program.rig.ports.add(5, other);
        QVERIFY(QTest::qWaitFor([&] { return later.transcript().contains(";LA:ID?"); }, 10000));
        greetingsBeforeItWent = int(stranger.transcript().count(";LA:ID?"));
        // Gone and back, it is another appearance and is greeted again.
        stranger.vanish();
        sim::SimulatedLaser &back = program.rig.ports.add(3, other);
        QVERIFY(QTest::qWaitFor([&] { return back.transcript().contains(";LA:ID?"); }, 10000));
        greetingsOfTheOneBack = int(back.transcript().count(";LA:ID?"));
    }, 0);
    program.rig.desktop.warningAnswers = {Button::No};

    program.laser.vanish();
    program.poll();

    QCOMPARE(greetingsBeforeItWent, 1);
    QCOMPARE(greetingsOfTheOneBack, 1);
    QVERIFY(program.form.hasEnded()); // No ends the program, as before
    QCOMPARE(program.rig.desktop.newInstances, 0);
}

void LinkRecoveryTest::stopsAskedWhileLostAreTheFirstLinesAndNothingElseFollows_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<bool>("firingAfter");
    QTest::newRow("Stop pressed") << "stop" << QByteArray(";LA:FL 0") << false;
    QTest::newRow("Laser Enable unchecked") << "enable" << QByteArray(";LA:EN 0") << false;
    // Nothing by itself: a laser that kept firing through the glitch is shown firing.
    QTest::newRow("nothing pressed") << "" << QByteArray(";LC:XL 0") << true;
}

void LinkRecoveryTest::stopsAskedWhileLostAreTheFirstLinesAndNothingElseFollows()
{
    QFETCH(QString, action);
    QFETCH(QByteArray, firstLine);
    QFETCH(bool, firingAfter);
    test::PolledProgram program;
    QVERIFY(program.startFiring());

    program.laser.setComeBack(pluggedInAgain(1500ms));
    holdPortQuestionOpen(program.rig.desktop, [&] {
        if (action == QLatin1String("stop"))
            program.form.ui.FireStopbtn->click();
        else if (action == QLatin1String("enable"))
            program.form.ui.LaserEnableBtn->click();
        program.form.QueuedCommandToPort(QStringLiteral("RR 20.0"));
        QVERIFY(QTest::qWaitFor(
            [&] { return terminalShows(program.form, QStringLiteral("Not sent, link lost: RR 20.0")); }, 5000));
    });
    program.laser.clearTranscript();
    program.laser.vanish();
    program.poll();

    QVERIFY(!program.form.hasEnded());
    const QList<QByteArray> heard = fromGreeting(program.laser.transcript());
    QCOMPARE(heard.value(3), firstLine);
    QVERIFY(!heard.contains(";LA:RR 20.0"));
    QVERIFY(!heard.contains(";LA:FL 1") && !heard.contains(";LA:EN 1"));
    QCOMPARE(program.laser.firing(), firingAfter);
    QCOMPARE(program.form.ui.FireStopbtn->text() == QStringLiteral("Stop"), firingAfter);
}

void LinkRecoveryTest::scriptLineWhileLostIsAnsweredAtOnceAndNeverSent()
{
    sim::LaserConfig unpaced;
    unpaced.pacing = false;
    test::SharedProgram program(unpaced);
    program.laser.setComeBack(pluggedInAgain(1000ms));
    QByteArray answer;
    holdPortQuestionOpen(program.rig.desktop, [&] {
        test::RawPortClient script(program.linkPath());
        QVERIFY(script.isOpen());
        script.writeLine("RR?");
        // Well within the 5 s a reply is waited for.
        QVERIFY(QTest::qWaitFor([&] {
            answer += script.readSome(0ms);
            return answer.contains('\n');
        }, 2000));
    });
    program.laser.clearTranscript();
    program.laser.vanish();
    program.form->StatusTimerTimer();
    program.form->laserProgram().tasks().pausePolling();

    QCOMPARE(answer, QByteArray("Laser not connected\r\n"));
    QVERIFY(!program.form->hasEnded());
    QVERIFY(program.laser.transcript().contains(";LC:XL 0"));
    QVERIFY(!program.laser.transcript().contains("RR?"));
    QVERIFY(QFileInfo(program.linkPath()).exists());
}

// Links such as /dev/serial/by-id/... go with their folder when the last adapter is unplugged.
// The retry is put off, so only the folder watch can find the laser.
void LinkRecoveryTest::linkUnderAFolderRemovedAndMadeAgainIsFoundByTheFolderWatch()
{
    test::ProgramRig rig; // its ports restore the port pattern afterwards
    QTemporaryDir dir;
    const QString byId = dir.filePath(QStringLiteral("serial/by-id"));
    QVERIFY(QDir().mkpath(byId));
    qputenv("TOVRA_PORT_PATTERN", QFile::encodeName(byId + QStringLiteral("/usb-Tovra_Laser-if%d")));
    const QString linkPath = byId + QStringLiteral("/usb-Tovra_Laser-if2");
    sim::LaserConfig unpaced;
    unpaced.pacing = false;
    auto laser = std::make_unique<sim::SimulatedLaser>(unpaced);
    QVERIFY(laser->start(linkPath));
    TMainForm &form = rig.start();
    form.laserProgram().tasks().pausePolling();
    form.laserProgram().linkRecovery().setRetryInterval(std::chrono::hours(1));

    std::unique_ptr<sim::SimulatedLaser> pluggedIn;
    holdPortQuestionOpen(rig.desktop, [&] {
        QVERIFY(QDir().mkpath(byId));
        pluggedIn = std::make_unique<sim::SimulatedLaser>(unpaced);
        QVERIFY(pluggedIn->start(linkPath));
    });
    laser->vanish();
    QVERIFY(QDir().rmdir(byId));
    form.StatusTimerTimer();
    form.laserProgram().tasks().pausePolling();

    QVERIFY(!form.hasEnded());
    QCOMPARE(rig.desktop.boxesClosed, 1);
    QCOMPARE(form.laserProgram().port().Port(), 2);
    QVERIFY(pluggedIn->transcript().contains(";LA:SS?"));
}

void LinkRecoveryTest::watcherRetriesWithoutAnyChange()
{
    QTemporaryDir dir;
    PortWatcher watcher;
    watcher.setRetryInterval(20ms);
    QSignalSpy looks(&watcher, &PortWatcher::lookAgain);
    watcher.start(dir.filePath(QStringLiteral("com1")));
    QTRY_VERIFY_WITH_TIMEOUT(looks.size() >= 3, 10000);
    watcher.stop();
    QVERIFY(!watcher.isWatching());
}

void LinkRecoveryTest::watcherFollowsAFolderThatComesBack()
{
    QTemporaryDir dir;
    PortWatcher watcher;
    watcher.setRetryInterval(std::chrono::hours(1));
    QSignalSpy looks(&watcher, &PortWatcher::lookAgain);
    const QString folder = dir.filePath(QStringLiteral("by-id"));
    watcher.start(folder + QStringLiteral("/port"));

    QVERIFY(QDir().mkpath(folder));
    QTRY_VERIFY_WITH_TIMEOUT(looks.size() >= 1, 10000);
    const qsizetype beforeLink = looks.size();
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/port")));
    QTRY_VERIFY_WITH_TIMEOUT(looks.size() > beforeLink, 10000);
}

// udev's own stream needs its daemon; the kernel's needs netlink events to reach this system
// (a container's network namespace may not get them) and a device that can be announced again.
void LinkRecoveryTest::udevTellsWhenATtyDeviceIsAdded()
{
    UdevMonitor kernelEvents(QStringLiteral("kernel"));
    if (!kernelEvents.isActive())
        QSKIP(qPrintable(QStringLiteral("no udev events here: ") + kernelEvents.inactiveReason()));
    QSignalSpy added(&kernelEvents, &UdevMonitor::ttyAdded);
    QFile announce(QStringLiteral("/sys/class/tty/ttyS0/uevent"));
    if (!announce.open(QIODevice::WriteOnly) || announce.write("change\n") < 0 || !announce.flush())
        QSKIP(qPrintable(QStringLiteral("no tty device can be announced here: ") + announce.errorString()));
    announce.close();
    if (!QTest::qWaitFor([&] { return !added.isEmpty(); }, 3000))
        QSKIP("the kernel's device events do not reach this system (a container's network namespace)");
    QCOMPARE(added.first().first().toString(), QStringLiteral("/dev/ttyS0"));
}

void LinkRecoveryTest::questionClosedWithoutAButtonShowsTheReadOutsAsStale()
{
    test::PolledProgram program;
    program.poll();
    QVERIFY(readingsLive(program.form));
    program.form.laserProgram().port().setResponseTime(100);
    program.laser.setSilent(true);
    program.rig.desktop.defaultButton = Button::None; // every question closed without a button

    program.poll();

    QCOMPARE(program.rig.desktop.textsOf(QStringLiteral("warning")).value(0), QStringLiteral("Communications lost. Restart?"));
    QCOMPARE(program.form.ui.SystemStatuslbl->text(), QStringLiteral("Status: not polling - Tools > Refresh resumes"));
    QVERIFY(readingsStale(program.form));
    QCOMPARE(program.form.ui.DiodeCurrentlbl->palette().color(QPalette::Text), QColor(Qt::gray));
    StatusIndicator *tile = program.form.ui.StatusInd[0];
    const QImage look = tile->grab().toImage();
    QCOMPARE(look.pixelColor(look.rect().center()), QColor(Qt::lightGray));

    // Tools > Refresh, and the first update brings them back.
    program.laser.setSilent(false);
    program.form.laserProgram().port().setResponseTime(5000);
    program.form.Up1Click();
    QVERIFY(program.tasksDone());
    program.poll();
    QVERIFY(readingsLive(program.form));
    QVERIFY(!program.form.ui.SystemStatuslbl->text().contains(QStringLiteral("not polling")));
}

QTEST_MAIN(LinkRecoveryTest)
#include "tst_linkrecovery.moc"
