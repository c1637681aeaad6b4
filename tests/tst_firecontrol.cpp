// Enable and fire end to end: the commands the two controls send through the task timer, the looks
// of the fire button, and how the status poll confirms or corrects them.

#include "runningprogram.h"
#include "taskrunner.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace tovra;
using test::laserOf;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)

namespace {

constexpr int32_t Enabled = 0x0001;
constexpr int32_t Firing = 0x0002;
constexpr int32_t DiodeExternalTrigger = 0x0008;
constexpr int32_t OkToEnable = 0x0400;
constexpr int32_t OkToFire = 0x0800;

const QColor ReadyGreen(0, 128, 0);
const QColor FiringRed(255, 0, 0);

// The operator picks entry `index` of a drop-down list.
void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

QColor captionColour(const QPushButton *button)
{
    return button->palette().color(QPalette::ButtonText);
}

void verifyReadyLook(TMainForm &form)
{
    QCOMPARE(form.ui.FireStopbtn->text(), QStringLiteral("Fire"));
    QCOMPARE(captionColour(form.ui.FireStopbtn), ReadyGreen);
    QVERIFY(!form.ui.animationRunning());
}

void verifyFiringLook(TMainForm &form)
{
    QCOMPARE(form.ui.FireStopbtn->text(), QStringLiteral("Stop"));
    QCOMPARE(captionColour(form.ui.FireStopbtn), FiringRed);
    QVERIFY(form.ui.animationRunning());
}

sim::LaserConfig lockedMini()
{
    sim::LaserConfig laser = laserOf(sim::Family::Mini);
    laser.passwordLocked = true;
    laser.password = "sesame";
    return laser;
}

} // namespace

class FireControlTest : public QObject
{
    Q_OBJECT
private slots:
    void enableBoxSendsEnableAndDisable_data();
    void enableBoxSendsEnableAndDisable();
    void droppedEnableIsUncheckedWithoutADisableCommand();
    void lockedMiniLaserAsksForThePasswordInsteadOfEnabling_data();
    void lockedMiniLaserAsksForThePasswordInsteadOfEnabling();
    void firePressSendsItsCommandAndShowsItsLook_data();
    void firePressSendsItsCommandAndShowsItsLook();
    void updateAfterAPressLeavesTheButtonAloneOnce();
    void pressDuringAnUpdateIsSentAfterItAndLeftAloneByIt();
    void firingStartedElsewhereIsShownAndStoppedByAPress();
    void externalTriggerKeepsTheFireRequestUntilTheNextPress();
    void fireButtonIsEnabledOnlyWhileOkToFire_data();
    void fireButtonIsEnabledOnlyWhileOkToFire();
    void demoModeSwitchesTheLooksWithoutSending();
};

void FireControlTest::enableBoxSendsEnableAndDisable_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::newRow("standard") << laserOf(sim::Family::Standard);
    QTest::newRow("micro") << laserOf(sim::Family::Micro);
    QTest::newRow("mini without password lock") << laserOf(sim::Family::Mini);
}

void FireControlTest::enableBoxSendsEnableAndDisable()
{
    QFETCH(sim::LaserConfig, laser);
    test::PolledProgram program(laser);
    // Not ok to fire yet: the enable action puts the fire button right.
    program.form.ui.FireStopbtn->setEnabled(true);

    program.form.ui.LaserEnableBtn->click();
    QVERIFY(program.form.laserProgram().fireControl().skipsNextStatusWord());
    QVERIFY(!program.form.ui.FireStopbtn->isEnabled());
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), QList<QByteArray>{";LA:EN 1"});
    QVERIFY(program.laser.enabled());

    program.poll();
    program.laser.clearTranscript();
    program.form.ui.LaserEnableBtn->click();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), QList<QByteArray>{";LA:EN 0"});
    QVERIFY(!program.laser.enabled());
}

void FireControlTest::droppedEnableIsUncheckedWithoutADisableCommand()
{
    test::PolledProgram program;
    QVERIFY(program.enableLaser());
    QVERIFY(program.form.ui.LaserEnableBtn->isChecked());

    program.laser.dropEnable();
    program.laser.clearTranscript();
    program.poll();
    QVERIFY(program.tasksDone());
    QVERIFY(!program.form.ui.LaserEnableBtn->isChecked());
    QVERIFY(program.form.ui.LaserEnableBtn->isEnabled());
    QVERIFY(!program.form.laserProgram().fireControl().enableDropped());
    QVERIFY(!program.laser.transcript().contains(";LA:EN 0"));

    // Whatever the laser says next, the update after the drop leaves the controls alone once.
    program.reportStatus(Enabled | Firing | OkToEnable | OkToFire);
    program.poll();
    verifyReadyLook(program.form);
    program.poll();
    verifyFiringLook(program.form);
    QVERIFY(!program.form.ui.LaserEnableBtn->isChecked());
}

void FireControlTest::lockedMiniLaserAsksForThePasswordInsteadOfEnabling_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QList<QByteArray>>("nextClickSends");

    QTest::newRow("right password") << "sesame" << "Laser Unlocked" << QList<QByteArray>{";LA:EN 1"};
    // The dialog is cancelled the second time: nothing but the lock query goes out.
    QTest::newRow("wrong password") << "open" << "Incorrect Password" << QList<QByteArray>{";LA:PW?"};
}

void FireControlTest::lockedMiniLaserAsksForThePasswordInsteadOfEnabling()
{
    QFETCH(QString, password);
    QFETCH(QString, answer);
    QFETCH(QList<QByteArray>, nextClickSends);
    test::PolledProgram program(lockedMini());
    QVERIFY(program.form.ui.UnlockLaserMenu->isVisible());
    program.rig.desktop.inputAnswers = {password};

    program.form.ui.LaserEnableBtn->click();
    QVERIFY(program.form.laserProgram().tasks().unlockPending());
    QCOMPARE(program.form.laserProgram().tasks().queuedLines(), 0);
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), (QList<QByteArray>{";LA:PW?", ";LA:PW " + password.toLatin1()}));
    QCOMPARE(program.rig.desktop.textsOf(QStringLiteral("message")), QStringList{answer});
    QVERIFY(program.form.ui.LaserEnableBtn->isChecked());

    // The first update leaves the box as the operator left it; the second finds the laser
    // disabled and unchecks it, without a command.
    program.poll();
    QVERIFY(program.form.ui.LaserEnableBtn->isChecked());
    program.poll();
    QVERIFY(!program.form.ui.LaserEnableBtn->isChecked());

    program.laser.clearTranscript();
    program.form.ui.LaserEnableBtn->click();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), nextClickSends);
}

void FireControlTest::firePressSendsItsCommandAndShowsItsLook_data()
{
    QTest::addColumn<int>("pulseMode");
    QTest::addColumn<int>("diodeTrigger");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<bool>("firing");

    const QByteArray fire = ";LA:FL 1";
    const QByteArray stop = ";LA:FL 0";
    QTest::newRow("continuous") << 0 << 0 << 1 << QList<QByteArray>{fire} << true;
    QTest::newRow("burst") << 2 << 0 << 1 << QList<QByteArray>{fire} << true;
    QTest::newRow("single shot") << 1 << 0 << 1 << QList<QByteArray>{fire} << false;
    QTest::newRow("single shot on external trigger") << 1 << 1 << 1 << QList<QByteArray>{fire} << true;
    // The stop goes out ahead of the queue and takes the waiting "FL 1" with it.
    QTest::newRow("second press before the first was sent") << 0 << 0 << 2 << QList<QByteArray>{stop} << false;
    QTest::newRow("second single shot") << 1 << 0 << 2 << QList<QByteArray>{fire, fire} << false;
}

void FireControlTest::firePressSendsItsCommandAndShowsItsLook()
{
    QFETCH(int, pulseMode);
    QFETCH(int, diodeTrigger);
    QFETCH(int, presses);
    QFETCH(bool, firing);
    test::PolledProgram program;
    choose(program.form.ui.SystemModeSel, pulseMode);
    choose(program.form.ui.DiodeTriggerSel, diodeTrigger);
    QVERIFY(program.enableLaser());
    QVERIFY(program.form.ui.FireStopbtn->isEnabled());

    program.laser.clearTranscript();
    for (int press = 0; press < presses; ++press)
        program.form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    QTEST(program.laser.transcript(), "commands");
    QCOMPARE(program.state().firing, firing);
    QCOMPARE(program.form.laserProgram().fireControl().fireRequested(), firing);
    QVERIFY(program.form.laserProgram().fireControl().skipsNextStatusWord());
    if (firing)
        verifyFiringLook(program.form);
    else
        verifyReadyLook(program.form);
}

void FireControlTest::updateAfterAPressLeavesTheButtonAloneOnce()
{
    test::PolledProgram program;
    QVERIFY(program.enableLaser());
    program.reportStatus(Enabled | OkToEnable | OkToFire); // the laser does not fire

    program.form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    program.poll();
    verifyFiringLook(program.form);
    QVERIFY(!program.form.laserProgram().fireControl().skipsNextStatusWord());
    program.poll();
    verifyReadyLook(program.form);
    QVERIFY(!program.state().firing);
    QVERIFY(!program.form.laserProgram().fireControl().fireRequested());
}

void FireControlTest::pressDuringAnUpdateIsSentAfterItAndLeftAloneByIt()
{
    test::PolledProgram program;
    QVERIFY(program.enableLaser());
    program.reportStatus(Enabled | OkToEnable | OkToFire); // the laser does not fire
    program.laser.clearTranscript();

    program.pollRunningWhileAnswering(";LA:FT?", [&] { program.form.ui.FireStopbtn->click(); });
    QVERIFY(program.tasksDone());
    const QList<QByteArray> lines = program.laser.transcript();
    QCOMPARE(lines.mid(lines.size() - 2), (QList<QByteArray>{";LA:SS?", ";LA:FL 1"}));
    verifyFiringLook(program.form);
    QVERIFY(!program.form.laserProgram().fireControl().skipsNextStatusWord());

    program.poll();
    verifyReadyLook(program.form);
}

void FireControlTest::firingStartedElsewhereIsShownAndStoppedByAPress()
{
    test::PolledProgram program;
    QVERIFY(program.enableLaser());
    program.reportStatus(Enabled | Firing | OkToEnable | OkToFire);

    program.poll();
    verifyFiringLook(program.form);
    QVERIFY(program.state().firing);
    QVERIFY(!program.form.laserProgram().fireControl().fireRequested());

    program.laser.clearTranscript();
    program.form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), QList<QByteArray>{";LA:FL 0"});
    verifyReadyLook(program.form);
}

void FireControlTest::externalTriggerKeepsTheFireRequestUntilTheNextPress()
{
    test::PolledProgram program;
    choose(program.form.ui.DiodeTriggerSel, 1);
    QVERIFY(program.enableLaser());
    program.form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());

    // No trigger comes: the laser never reports firing.
    program.reportStatus(Enabled | DiodeExternalTrigger | OkToEnable | OkToFire);
    program.poll();
    program.poll();
    verifyFiringLook(program.form);
    QVERIFY(program.form.laserProgram().fireControl().fireRequested());
    QVERIFY(!program.state().firing);

    program.laser.clearTranscript();
    program.form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), QList<QByteArray>{";LA:FL 0"});
    verifyReadyLook(program.form);
}

void FireControlTest::fireButtonIsEnabledOnlyWhileOkToFire_data()
{
    QTest::addColumn<int32_t>("word");
    QTest::addColumn<bool>("fireEnabled");
    QTest::newRow("ok to fire alone") << OkToFire << true;
    QTest::newRow("every other bit but firing") << int32_t(0x3FFF & ~OkToFire & ~Firing) << false;
    // A button that reads "Stop" can always stop the laser.
    QTest::newRow("firing without ok to fire") << int32_t(0x3FFF & ~OkToFire) << true;
    QTest::newRow("nothing") << 0 << false;
    QTest::newRow("every bit") << int32_t(0x3FFF) << true;
}

void FireControlTest::fireButtonIsEnabledOnlyWhileOkToFire()
{
    QFETCH(int32_t, word);
    QFETCH(bool, fireEnabled);
    test::PolledProgram program;
    program.form.ui.FireStopbtn->setEnabled(!fireEnabled);
    program.form.ui.LaserEnableBtn->setEnabled(false);
    program.reportStatus(word);

    program.poll();
    QCOMPARE(program.form.ui.FireStopbtn->isEnabled(), fireEnabled);
    QVERIFY(program.form.ui.LaserEnableBtn->isEnabled());
}

// No update ever runs in demo mode, so the button keeps the enabled state it was made with.
void FireControlTest::demoModeSwitchesTheLooksWithoutSending()
{
    test::PolledProgram bystander({}, {QStringLiteral("-demo")});
    TMainForm &form = bystander.form;
    QVERIFY(form.laserProgram().inDemoMode());
    QVERIFY(form.ui.FireStopbtn->isEnabled());

    form.ui.FireStopbtn->click();
    QVERIFY(bystander.tasksDone());
    verifyFiringLook(form);
    form.ui.FireStopbtn->click();
    QVERIFY(bystander.tasksDone());
    verifyReadyLook(form);
    QVERIFY(bystander.laser.transcript().isEmpty());
}

QTEST_MAIN(FireControlTest)
#include "tst_firecontrol.moc"
