// Enable and fire without a window: FireControl's commands reach a simulated laser through the
// exchange, and a recording view shows what the controls would show.

#include "firecontrol.h"
#include "linkrig.h"
#include "statusword.h"

#include <QTest>
#include <QTimer>

using namespace tovra;

namespace {

// Keeps the controls' state as the window's widgets would and lists every change. Unchecking the
// enable box runs its handler, as the window's box does.
class RecordingFireView : public FireControlView
{
public:
    void showFiringLook() override { shown.append(QStringLiteral("firing look")); }
    void showReadyLook() override { shown.append(QStringLiteral("ready look")); }
    void setFireEnabled(bool enabled) override
    {
        fireEnabled = enabled;
        shown.append(QStringLiteral("fire enabled %1").arg(enabled));
    }
    void setEnableBoxEnabled(bool enabled) override { enableBoxEnabled = enabled; }
    bool enableChecked() const override { return checked; }
    void setEnableChecked(bool newChecked) override
    {
        if (checked == newChecked)
            return;
        checked = newChecked;
        shown.append(QStringLiteral("enable checked %1").arg(newChecked));
        if (onToggled)
            onToggled();
    }

    QStringList shown;
    bool fireEnabled = false;
    bool enableBoxEnabled = false;
    bool checked = false;
    std::function<void()> onToggled;
};

// A standard laser on a pty with the exchange on top; FireControl queues straight onto the wire.
struct FireRig : test::LinkRig
{
    explicit FireRig(const sim::LaserConfig &config = {})
        : LinkRig(config)
        , fire(state, view,
               {[this](const QString &command) { comm.SendCommand(command); }, [this] { ++statusRestarts; },
                [this] { ++unlockRequests; }})
    {
        state.isStandardModel = config.family == sim::Family::Standard;
        state.isMicroModel = config.family == sim::Family::Micro;
        view.onToggled = [this] { fire.LaserEnableBtnClick(); };
    }

    // The operator checks the enable box.
    void clickEnable()
    {
        view.checked = true;
        fire.LaserEnableBtnClick();
    }

    uint32_t readStatusWord()
    {
        const std::optional<int32_t> word = comm.TryQueryInt(QStringLiteral("SS"));
        if (!word)
            return 0;
        state.statusWord = *word;
        return uint32_t(*word);
    }

    RecordingFireView view;
    FireControl fire;
    int statusRestarts = 0;
    int unlockRequests = 0;
};

} // namespace

class FireControlAloneTest : public QObject
{
    Q_OBJECT
private slots:
    void enableThenFireStartsTheLaserAndTheSecondClickStopsIt();
    void singleShotLeavesTheButtonReadyAtOnce();
    void lockedMiniWaitsForItsPasswordInsteadOfEnabling();
    void laserThatDisablesItselfUnchecksTheBoxWithoutEnableOff();
    void fireButtonIsUsableExactlyWhenTheStatusWordAllowsFiring_data();
    void fireButtonIsUsableExactlyWhenTheStatusWordAllowsFiring();
    void statusWordAfterAnOperatorActionLeavesTheControlsAlone();
};

void FireControlAloneTest::enableThenFireStartsTheLaserAndTheSecondClickStopsIt()
{
    FireRig rig;
    rig.clickEnable();
    QVERIFY(rig.laser.enabled());
    QVERIFY(rig.fire.skipsNextStatusWord());
    QCOMPARE(rig.statusRestarts, 1);

    rig.readStatusWord();
    rig.fire.CheckFireEnableState();
    QVERIFY(rig.view.fireEnabled);
    rig.view.shown.clear();

    rig.fire.FireStopbtnClick();
    QVERIFY(rig.laser.firing());
    QCOMPARE(rig.view.shown, QStringList{QStringLiteral("firing look")});
    rig.fire.FireStopbtnClick();
    QVERIFY(!rig.laser.firing());
    QCOMPARE(rig.view.shown, (QStringList{QStringLiteral("firing look"), QStringLiteral("ready look")}));
    QCOMPARE(rig.laser.transcript().mid(rig.laser.transcript().size() - 2),
             (QList<QByteArray>{";LA:FL 1", ";LA:FL 0"}));
    QCOMPARE(rig.statusRestarts, 3);
    QVERIFY(rig.fire.skipsNextStatusWord());
}

void FireControlAloneTest::singleShotLeavesTheButtonReadyAtOnce()
{
    FireRig rig;
    rig.state.pulseMode = 1;
    rig.state.diodeTrigger = 0;
    rig.fire.LaserFire(true);
    QCOMPARE(rig.laser.transcript(), QList<QByteArray>{";LA:FL 1"});
    QCOMPARE(rig.view.shown, QStringList{QStringLiteral("ready look")});
    QVERIFY(!rig.state.firing);
    QVERIFY(!rig.fire.fireRequested());
}

void FireControlAloneTest::lockedMiniWaitsForItsPasswordInsteadOfEnabling()
{
    sim::LaserConfig mini;
    mini.family = sim::Family::Mini;
    mini.passwordLocked = true;
    FireRig rig(mini);
    rig.clickEnable();
    QCOMPARE(rig.unlockRequests, 1);
    QVERIFY(rig.laser.transcript().isEmpty());
    QCOMPARE(rig.statusRestarts, 0);
}

void FireControlAloneTest::laserThatDisablesItselfUnchecksTheBoxWithoutEnableOff()
{
    FireRig rig;
    rig.clickEnable();
    rig.fire.followNextStatusWord();
    rig.laser.dropEnable();
    rig.laser.clearTranscript();

    rig.fire.followStatusWord(rig.readStatusWord());
    QVERIFY(!rig.view.checked);
    QVERIFY(rig.view.enableBoxEnabled);
    QVERIFY(!rig.laser.transcript().contains(";LA:EN 0"));
    QVERIFY(!rig.fire.enableDropped());
}

void FireControlAloneTest::fireButtonIsUsableExactlyWhenTheStatusWordAllowsFiring_data()
{
    QTest::addColumn<int32_t>("statusWord");
    QTest::addColumn<bool>("usable");
    QTest::newRow("ok to fire") << int32_t(StatusBit::OkToFire | StatusBit::Enabled) << true;
    QTest::newRow("enabled only") << int32_t(StatusBit::Enabled) << false;
    QTest::newRow("nothing set") << int32_t(0) << false;
}

void FireControlAloneTest::fireButtonIsUsableExactlyWhenTheStatusWordAllowsFiring()
{
    QFETCH(int32_t, statusWord);
    QFETCH(bool, usable);
    FireRig rig;
    rig.view.fireEnabled = !usable;
    rig.state.statusWord = statusWord;
    rig.fire.CheckFireEnableState();
    QCOMPARE(rig.view.fireEnabled, usable);
    QVERIFY(rig.view.enableBoxEnabled);
}

void FireControlAloneTest::statusWordAfterAnOperatorActionLeavesTheControlsAlone()
{
    FireRig rig;
    rig.fire.FireStopbtnClick(); // not enabled: the laser does not fire
    rig.view.shown.clear();

    rig.fire.followStatusWord(rig.readStatusWord());
    QVERIFY(rig.view.shown.isEmpty());
    QVERIFY(!rig.fire.skipsNextStatusWord());
    rig.fire.followStatusWord(rig.readStatusWord());
    QCOMPARE(rig.view.shown, QStringList{QStringLiteral("ready look")});
}

QTEST_MAIN(FireControlAloneTest)
#include "tst_firecontrolalone.moc"
