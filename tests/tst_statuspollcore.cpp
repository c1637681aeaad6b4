// The status poll on its own: the exchange on a simulated laser, and a view that records what the
// poll shows instead of a window.

#include "firecontrol.h"
#include "linkrig.h"
#include "recordfiles.h"
#include "statuspoll.h"
#include "statusqueries.h"
#include "statusword.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <tuple>

using namespace tovra;
using test::statusQueries;
using ReadOut = StatusPollView::ReadOut;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)
Q_DECLARE_METATYPE(tovra::StatusPollView::ReadOut)

namespace {

// Records what the poll shows, the fire and enable controls and the record menus included;
// `whenShown` stands for what the event loop may run meanwhile.
class RecordingView : public StatusPollView, public FireControlView, public RecordFilesView
{
public:
    void showReadOut(ReadOut which, const QString &text) override
    {
        readOuts[which] = text;
        shown.append(which);
        if (whenShown)
            whenShown(which);
    }
    void showStatusTiles(uint32_t statusWord) override { calls.append(QStringLiteral("tiles %1").arg(statusWord)); }
    void showFiringLook() override { calls.append(QStringLiteral("firing look")); }
    void showReadyLook() override { calls.append(QStringLiteral("ready look")); }
    // Fire control sets the fire button once each time it refreshes the two controls.
    void setFireEnabled(bool) override { calls.append(QStringLiteral("refresh fire and enable")); }
    void setEnableBoxEnabled(bool) override {}
    bool enableChecked() const override { return enableBox; }
    void setEnableChecked(bool checked) override
    {
        if (enableBox && !checked)
            calls.append(QStringLiteral("drop enable"));
        enableBox = checked;
    }
    void setRecordChecked(RecordKind, bool) override {}
    void showRecording(RecordKind, const QString &) override {}
    bool serviceWindowVisible() const override { return false; }
    bool chartsDiodeTemperature() const override { return false; }
    void addChartPoint(int, double) override {}
    void openUnlockedServiceWindow() override { calls.append(QStringLiteral("service window")); }
    void showStale(const QString &statusText) override { calls.append(QStringLiteral("stale ") + statusText); }
    void showLive() override { calls.append(QStringLiteral("live")); }

    std::map<ReadOut, QString> readOuts;
    QList<ReadOut> shown; // in order, for the running update
    QStringList calls;
    bool enableBox = false;
    std::function<void(ReadOut)> whenShown;
};

sim::LaserConfig laserOf(sim::Family family, bool heater0 = false)
{
    sim::LaserConfig laser = test::laserOfFamily(family);
    laser.heater0 = heater0;
    laser.pacing = false;
    return laser;
}

QList<QByteArray> queryLines(const QList<QByteArray> &mnemonics)
{
    QList<QByteArray> lines;
    for (const QByteArray &mnemonic : mnemonics)
        lines.append(";LA:" + mnemonic + '?');
    return lines;
}

// A port on a simulated laser, the exchange on top and the poll on both, with the family and
// options the settings load would have found. The status timer is never started by the test.
struct PollRig : test::LinkRig
{
    explicit PollRig(const sim::LaserConfig &config)
        : LinkRig(config)
        , fire(state, view, {[](const QString &) {}, [] {}, [] {}})
        , records(state, desktop, [] { return false; }, view)
        , poll(comm, port, state, desktop, view, fire, records,
               {[this] { return ended; }, [this] {
                    ++linkRecoveries;
                    return false;
                }})
    {
        state.isStandardModel = config.family == sim::Family::Standard;
        state.isMicroModel = config.family == sim::Family::Micro;
        state.isMiniModel = config.family == sim::Family::Mini;
        state.hasHeater0 = config.heater0;
        poll.setVoltagesPolled(true);
    }

    // From now on every update writes a data row to a file of its own.
    void collectData()
    {
        QDir::setCurrent(dataDir.path());
        records.toggle(RecordKind::DataCollection);
        QDir::setCurrent(previousDir);
        QVERIFY(records.isRecording(RecordKind::DataCollection));
    }

    QStringList dataRows() const
    {
        QFile file(dataDir.filePath(records.fileName(RecordKind::DataCollection)));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        // After the file's two header lines.
        return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(2);
    }

    // One update, with a fresh transcript and a fresh record of what was shown.
    void update()
    {
        laser.clearTranscript();
        view.shown.clear();
        view.calls.clear();
        poll.update();
        // The data row and the listener wait for the look for a late reply: not here.
        poll.settleNow();
    }

    RecordingView view;
    FireControl fire;
    RecordFiles records;
    StatusPoll poll;
    QTemporaryDir dataDir;
    const QString previousDir = QDir::currentPath();
    int linkRecoveries = 0;
    bool ended = false;
};

} // namespace

class StatusPollCoreTest : public QObject
{
    Q_OBJECT
private slots:
    void updateAsksInTheOrderOfFamilyAndOptions_data();
    void updateAsksInTheOrderOfFamilyAndOptions();
    void valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty();
    void stopCheckEndsTheUpdateBetweenSteps_data();
    void stopCheckEndsTheUpdateBetweenSteps();
    void faultBoxDuringWhichTheProgramEndsIsTheUpdatesLastStep();
    void unreadStatusWordChangesNothing();
    void laserThatDisabledItselfDropsTheEnableBox();
};

void StatusPollCoreTest::updateAsksInTheOrderOfFamilyAndOptions_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<bool>("voltages");
    QTest::addColumn<bool>("setPointsDue");
    QTest::addColumn<QList<QByteArray>>("queries");

    for (const auto &[name, laser, voltages, setPointsDue] : {
             std::tuple{"standard with heater 0", laserOf(sim::Family::Standard, true), true, false},
             std::tuple{"standard with heater 0, set points due", laserOf(sim::Family::Standard, true), true, true},
             std::tuple{"micro without voltages", laserOf(sim::Family::Micro), false, false},
             std::tuple{"mini with heater 0, set points due", laserOf(sim::Family::Mini, true), true, true},
         })
        QTest::newRow(name) << laser << voltages << setPointsDue << statusQueries(laser, voltages, setPointsDue);
}

void StatusPollCoreTest::updateAsksInTheOrderOfFamilyAndOptions()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(bool, voltages);
    QFETCH(bool, setPointsDue);
    QFETCH(QList<QByteArray>, queries);
    PollRig rig(laser);
    rig.poll.setVoltagesPolled(voltages);
    if (setPointsDue)
        rig.poll.makeSetPointsDue();

    rig.update();
    QCOMPARE(rig.laser.transcript(), queryLines(queries));
}

void StatusPollCoreTest::valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty()
{
    PollRig rig(laserOf(sim::Family::Standard));
    rig.collectData();
    rig.laser.setReplyOverride(";LA:FT?", "7");
    rig.update();
    QCOMPARE(rig.view.readOuts[ReadOut::FetTemperature], QStringLiteral("7.00 C"));

    rig.laser.setReplyOverride(";LA:FT?", "BUSY");
    rig.update();
    QVERIFY(!rig.view.shown.contains(ReadOut::FetTemperature));
    QVERIFY(rig.view.shown.contains(ReadOut::DiodeCurrent));
    QCOMPARE(rig.state.fetTemperature, 7.0);
    const QStringList rows = rig.dataRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].section(QLatin1Char(','), 3, 3), QStringLiteral("7"));
    QCOMPARE(rows[1].section(QLatin1Char(','), 3, 3), QString());
}

void StatusPollCoreTest::stopCheckEndsTheUpdateBetweenSteps_data()
{
    QTest::addColumn<ReadOut>("shownLast");
    QTest::addColumn<bool>("programEnds"); // otherwise the operator asks to close
    QTest::addColumn<QList<QByteArray>>("queries");

    const QList<QByteArray> all = statusQueries(laserOf(sim::Family::Standard, true), true, true);
    QTest::newRow("close asked when the shot count shows") << ReadOut::ShotCount << false << all.mid(0, 1);
    QTest::newRow("program ending when the bank voltage shows") << ReadOut::BankVoltage << true << all.mid(0, 3);
    QTest::newRow("close asked when the target current shows") << ReadOut::TargetCurrent << false << all.mid(0, 10);
    QTest::newRow("close asked when the status word shows") << ReadOut::StatusWord << false << all.mid(0, 13);
    // The temperature is read, then shown in a step of its own: the set point is not asked.
    QTest::newRow("program ending when the heater temperature shows")
        << ReadOut::FirstHeaterTemp << true << all.mid(0, 14);
}

void StatusPollCoreTest::stopCheckEndsTheUpdateBetweenSteps()
{
    QFETCH(ReadOut, shownLast);
    QFETCH(bool, programEnds);
    QFETCH(QList<QByteArray>, queries);
    PollRig rig(laserOf(sim::Family::Standard, true));
    rig.collectData();
    rig.poll.makeSetPointsDue();
    rig.view.whenShown = [&](ReadOut which) {
        if (which != shownLast)
            return;
        if (programEnds)
            rig.ended = true;
        else
            rig.comm.setExitCheck([] { return true; });
    };

    rig.update();
    QCOMPARE(rig.laser.transcript(), queryLines(queries));
    QCOMPARE(rig.view.shown.last(), shownLast);
    QVERIFY(!rig.view.calls.contains(QStringLiteral("refresh fire and enable")));
    QCOMPARE(rig.dataRows(), QStringList());
}

void StatusPollCoreTest::faultBoxDuringWhichTheProgramEndsIsTheUpdatesLastStep()
{
    PollRig rig(laserOf(sim::Family::Standard, true));
    rig.laser.raiseStatusBits(StatusBit::PowerFail);
    rig.desktop.whileMessageOpen = [&](const QString &) { rig.ended = true; };

    rig.update();
    QCOMPARE(rig.desktop.texts(), QStringList{QStringLiteral("Electrical Fault")});
    QCOMPARE(rig.laser.transcript().last(), QByteArray(";LA:SS?"));
    QCOMPARE(rig.poll.updatesSinceSetPoints(), 0);
}

// The laser fires on; a word of 0 would show it stopped.
void StatusPollCoreTest::unreadStatusWordChangesNothing()
{
    PollRig rig(laserOf(sim::Family::Standard));
    rig.laser.setReplyOverride(";LA:SS?", "2051");
    rig.update();
    QCOMPARE(rig.view.calls,
             (QStringList{QStringLiteral("firing look"), QStringLiteral("tiles 2051"),
                          QStringLiteral("refresh fire and enable")}));

    rig.laser.setReplyOverride(";LA:SS?", "BUSY");
    rig.update();
    QCOMPARE(rig.view.readOuts[ReadOut::StatusWord], QStringLiteral("Status: unknown"));
    QCOMPARE(rig.view.calls, QStringList());
    QCOMPARE(rig.state.statusWord, 2051);
    QVERIFY(rig.state.firing);
}

void StatusPollCoreTest::laserThatDisabledItselfDropsTheEnableBox()
{
    PollRig rig(laserOf(sim::Family::Standard));
    rig.view.enableBox = true;

    rig.update();
    QVERIFY(rig.view.calls.contains(QStringLiteral("drop enable")));
    QVERIFY(rig.fire.enableDropped());
    rig.update();
    QVERIFY(!rig.view.calls.contains(QStringLiteral("drop enable")));
}

QTEST_GUILESS_MAIN(StatusPollCoreTest)
#include "tst_statuspollcore.moc"
