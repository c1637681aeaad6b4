// The service window end to end: what opening it sends and shows for each family and heater
// fit, the commands its controls queue, and the chart as the status poll feeds it.

#include "runningprogram.h"
#include "taskrunner.h"
#include "serviceform.h"
#include "temperaturechart.h"

#include "plusspinedit.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <chrono>

using namespace tovra;
using test::laserOf;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)
Q_DECLARE_METATYPE(tovra::Button)

namespace {

const QByteArray ServiceCodeLine = ";LA:SEC 53871";

bool shown(const QWidget *widget)
{
    return !widget->isHidden();
}

// The tops of the shown groups of a column, in the column's order.
QList<int> topsOfShown(std::initializer_list<const QGroupBox *> column)
{
    QList<int> tops;
    for (const QGroupBox *group : column) {
        if (shown(group))
            tops.append(group->y());
    }
    return tops;
}

// Groups standing one under the other from the top of the window.
QList<int> stackedTops(qsizetype count)
{
    QList<int> tops;
    for (int row = 0; row < count; ++row)
        tops.append(4 + row * 54);
    return tops;
}

QList<QPointF> pointsOf(const TServiceForm &window, int series)
{
    return window.ui.TempChart->series(series)->points();
}

// The running program with its service window at hand; each test decides when a poll runs, the
// task timer runs as usual and sends what the controls queue.
class ServiceWindowRig : public test::PolledProgram
{
public:
    explicit ServiceWindowRig(const sim::LaserConfig &config)
        : PolledProgram(config)
        , window(*form.ServiceForm)
    {
    }

    // Opens the window from its menu item and forgets the service code it sent.
    void open()
    {
        form.ServiceWindowMenuClick();
        laser.clearTranscript();
    }

    TServiceForm &window;
};

} // namespace

class ServiceWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void openingSendsTheServiceCodeAndQueuesNothing_data();
    void openingSendsTheServiceCodeAndQueuesNothing();
    void openingShowsTheGroupsOfTheFamilyAndHeaters_data();
    void openingShowsTheGroupsOfTheFamilyAndHeaters();
    void loweringMaxRepRateBelowTheRateAlsoSendsTheClampedRate();
    void heaterSetpointIsQueuedAndShownOnTheMainWindow_data();
    void heaterSetpointIsQueuedAndShownOnTheMainWindow();
    void diodeCurrentIsQueuedUnlessAnEnergyModeChangeRuns_data();
    void diodeCurrentIsQueuedUnlessAnEnergyModeChangeRuns();
    void saveToAllBinsSavesEveryBinOfTheFamily_data();
    void saveToAllBinsSavesEveryBinOfTheFamily();
    void saveToAllBinsQueuesNothingDuringAPoll();
    void lscToSleepGoesOutAsRawLine();
    void clearShotCountAsksFirstWithTheWholeCount_data();
    void clearShotCountAsksFirstWithTheWholeCount();
    void chartPlotsRealSecondsSinceItWasCleared_data();
    void chartPlotsRealSecondsSinceItWasCleared();
    void hiddenWindowTakesNoPointsWhileTheClockRunsOn();
    void saveChartCancelledWritesNothing();
};

void ServiceWindowTest::openingSendsTheServiceCodeAndQueuesNothing_data()
{
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::newRow("standard with heaters") << laserOf(sim::Family::Standard, {0, 1, 2});
    QTest::newRow("micro without heaters") << laserOf(sim::Family::Micro);
    QTest::newRow("mini with heater 0") << laserOf(sim::Family::Mini, {0});
}

// The value writes of the opening run every change handler; none of their commands may survive.
void ServiceWindowTest::openingSendsTheServiceCodeAndQueuesNothing()
{
    QFETCH(sim::LaserConfig, config);
    ServiceWindowRig service(config);

    service.form.ServiceWindowMenuClick();

    QCOMPARE(service.laser.transcript(), QList<QByteArray>{ServiceCodeLine});
    QCOMPARE(service.form.laserProgram().tasks().queuedLines(), 0);
    QVERIFY(!service.form.communication().commandsInhibited());
    QVERIFY(service.window.isVisible());
    QCOMPARE(service.window.ui.MaxRepRateAdj->Value(), service.rig.state.repRateMax);
    QCOMPARE(service.window.ui.MaxDiodeCurrentAdj->Value(), service.rig.state.diodeCurrentMax);
}

void ServiceWindowTest::openingShowsTheGroupsOfTheFamilyAndHeaters_data()
{
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::addColumn<bool>("smallFamily");
    QTest::addColumn<QList<bool>>("heaters");
    QTest::addColumn<QSize>("outerSize");

    const QSize withChart(1026, 480);
    const QSize withoutChart(330, 464);
    QTest::newRow("standard without heaters")
            << laserOf(sim::Family::Standard) << false << QList<bool>{false, false, false} << withoutChart;
    QTest::newRow("standard with heater 0")
            << laserOf(sim::Family::Standard, {0}) << false << QList<bool>{true, false, false} << withChart;
    QTest::newRow("standard with heaters 1 and 2")
            << laserOf(sim::Family::Standard, {1, 2}) << false << QList<bool>{false, true, true} << withChart;
    QTest::newRow("micro with heater 0")
            << laserOf(sim::Family::Micro, {0}) << true << QList<bool>{true, false, false} << withChart;
    QTest::newRow("mini without heaters")
            << laserOf(sim::Family::Mini) << true << QList<bool>{false, false, false} << withoutChart;
}

void ServiceWindowTest::openingShowsTheGroupsOfTheFamilyAndHeaters()
{
    QFETCH(sim::LaserConfig, config);
    QFETCH(bool, smallFamily);
    QFETCH(QList<bool>, heaters);
    QFETCH(QSize, outerSize);
    ServiceWindowRig service(config);
    const ServiceFormLayout &ui = service.window.ui;

    service.open();

    QCOMPARE(shown(ui.QSWDelayGrp), !smallFamily);
    QCOMPARE(shown(ui.ServiceCurrentAdjgrp), smallFamily);
    QCOMPARE(shown(ui.ServiceDiodePulseWidthAdjgrp), smallFamily);
    QCOMPARE(shown(ui.Chartgrp), heaters.contains(true));
    const QGroupBox *heaterGroups[] = {ui.Heater0Tempgrp, ui.Heater1Tempgrp, ui.Heater2Tempgrp};
    for (int heater = 0; heater < 3; ++heater) {
        QCOMPARE(shown(heaterGroups[heater]), heaters[heater]);
        QCOMPARE(ui.TempChart->isSeriesActive(heater + 1), heaters[heater]);
        QCOMPARE(ui.TempChart->isSeriesActive(heater + 4), heaters[heater]);
    }
    // As designed where the screen has room; otherwise on the screen, its contents scrolling.
    const QRect screen = service.window.screen()->availableGeometry();
    if (screen.size().expandedTo(outerSize) == screen.size())
        QCOMPARE(service.window.frameGeometry().size(), outerSize);
    else
        QVERIFY(screen.contains(service.window.frameGeometry()));

    // The groups hidden for this laser leave no gaps in their columns.
    QCOMPARE(topsOfShown({ui.ServiceCurrentAdjgrp, ui.DiodeCurrentGrp, ui.RepRateGrp, ui.ServiceDiodePulseWidthAdjgrp,
                          ui.DiodePulseWidthGrp, ui.QSWDelayGrp}),
             stackedTops(smallFamily ? 5 : 4));
    QCOMPARE(topsOfShown({ui.Heater0Tempgrp, ui.Heater1Tempgrp, ui.Heater2Tempgrp}), stackedTops(heaters.count(true)));
}

// The limit comes down first; the main window's rate control then clamps to it and queues its own
// setter right behind.
void ServiceWindowTest::loweringMaxRepRateBelowTheRateAlsoSendsTheClampedRate()
{
    ServiceWindowRig service(laserOf(sim::Family::Standard));
    service.open();
    QCOMPARE(service.form.ui.RepRateAdj->Value(), 10.0);

    service.window.ui.MaxRepRateAdj->setValue(5);

    QTRY_COMPARE(service.laser.transcript(), (QList<QByteArray>{";LA:RR:CAL:MAX 5.0000000", ";LA:RR 5.0"}));
    QCOMPARE(service.rig.state.repRateMax, 5.0);
    QCOMPARE(service.form.ui.RepRateAdj->MaxValue(), 5.0);
    QCOMPARE(service.rig.state.repRate, 5.0);
}

void ServiceWindowTest::heaterSetpointIsQueuedAndShownOnTheMainWindow_data()
{
    QTest::addColumn<int>("heater");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("targetText");
    QTest::newRow("heater 0") << 0 << QByteArray(";LA:H0:CAL:SP 45.0") << "Heater 0 Target:  45.00 C";
    QTest::newRow("heater 1") << 1 << QByteArray(";LA:H1:CAL:SP 45.0") << "Heater 1 Target:  45.00 C";
    QTest::newRow("heater 2") << 2 << QByteArray(";LA:H2:CAL:SP 45.0000000") << "Heater 2 Target:  45.00 C";
}

void ServiceWindowTest::heaterSetpointIsQueuedAndShownOnTheMainWindow()
{
    QFETCH(int, heater);
    ServiceWindowRig service(laserOf(sim::Family::Standard, {heater}));
    service.open();
    const ServiceFormLayout &ui = service.window.ui;
    TPlusSpinEdit *setpoints[] = {ui.Heater0TempAdj, ui.Heater1TempAdj, ui.Heater2TempAdj};
    const QLabel *targetLabel = heater == 2 ? service.form.ui.Heater2Targetlbl : service.form.ui.Heater1Targetlbl;

    setpoints[heater]->setValue(45);

    QTEST(targetLabel->text(), "targetText");
    QFETCH(QByteArray, line);
    QTRY_COMPARE(service.laser.transcript(), QList<QByteArray>{line});
}

void ServiceWindowTest::diodeCurrentIsQueuedUnlessAnEnergyModeChangeRuns_data()
{
    QTest::addColumn<bool>("byOperator");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<int>("energyMode");
    QTest::newRow("operator's change") << true << QList<QByteArray>{";LA:DC 05.50"} << 0;
    QTest::newRow("the energy mode's read-back") << false << QList<QByteArray>{";LA:DC?"} << 1;
}

// The read-back writes the value into the controls with their handlers silent: it is only asked.
void ServiceWindowTest::diodeCurrentIsQueuedUnlessAnEnergyModeChangeRuns()
{
    QFETCH(bool, byOperator);
    ServiceWindowRig service(laserOf(sim::Family::Micro));
    service.open();
    service.rig.state.energyMode = 1;

    if (byOperator) {
        service.window.ui.DiodeCurrentAdj->setValue(5.5);
        QCOMPARE(service.rig.state.diodeCurrent, 5.5);
    } else {
        service.form.laserProgram().readBackEnergyModeValue();
        QCOMPARE(service.form.ui.DiodeCurrentAdj->Value(), service.rig.state.diodeCurrent);
    }

    QTEST(service.rig.state.energyMode, "energyMode");
    QCOMPARE(service.form.laserProgram().tasks().queuedLines(), byOperator ? 1 : 0);
    QFETCH(QList<QByteArray>, lines);
    QTRY_COMPARE(service.laser.transcript(), lines);
}

void ServiceWindowTest::saveToAllBinsSavesEveryBinOfTheFamily_data()
{
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::addColumn<QList<QByteArray>>("lines");
    const QList<QByteArray> fourBins = {";LA:SV 1", ";LA:SV 2", ";LA:SV 3", ";LA:SV 4"};
    QTest::newRow("standard") << laserOf(sim::Family::Standard) << fourBins + QList<QByteArray>{";LA:SV 5", ";LA:SV 6"};
    QTest::newRow("micro") << laserOf(sim::Family::Micro) << fourBins;
    QTest::newRow("mini") << laserOf(sim::Family::Mini) << fourBins;
}

void ServiceWindowTest::saveToAllBinsSavesEveryBinOfTheFamily()
{
    QFETCH(sim::LaserConfig, config);
    ServiceWindowRig service(config);
    service.open();

    service.window.ui.SaveAllBinsbtn->click();

    QFETCH(QList<QByteArray>, lines);
    QTRY_COMPARE(service.laser.transcript(), lines);
}

void ServiceWindowTest::saveToAllBinsQueuesNothingDuringAPoll()
{
    ServiceWindowRig service(laserOf(sim::Family::Standard));
    service.open();

    int queuedDuringThePoll = -1;
    service.pollRunningWhileAnswering(";LA:SS?", [&] {
        service.window.ui.SaveAllBinsbtn->click();
        queuedDuringThePoll = service.form.laserProgram().tasks().queuedLines();
    });

    QCOMPARE(queuedDuringThePoll, 0);
    QVERIFY(service.tasksDone());
    QVERIFY(!service.laser.transcript().contains(";LA:SV 1"));
}

void ServiceWindowTest::lscToSleepGoesOutAsRawLine()
{
    ServiceWindowRig service(laserOf(sim::Family::Micro));
    service.open();

    service.window.ui.LSCSleepbtn->click();

    QTRY_COMPARE(service.laser.transcript(), QList<QByteArray>{";LC:SL 406"});
    // The raw framing was the sleep line's own: the next command keeps its address.
    service.window.ui.SaveBin0btn->click();
    QTRY_COMPARE(service.laser.transcript(), (QList<QByteArray>{";LC:SL 406", ";LA:SV 0"}));
}

void ServiceWindowTest::clearShotCountAsksFirstWithTheWholeCount_data()
{
    QTest::addColumn<Button>("answer");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::newRow("Yes clears") << Button::Yes << QList<QByteArray>{";LA:SC:CL"};
    QTest::newRow("No keeps the count") << Button::No << QList<QByteArray>{};
    QTest::newRow("closed without a button keeps the count") << Button::None << QList<QByteArray>{};
}

// A counter beyond 32 bits is read, kept, shown and asked about whole.
void ServiceWindowTest::clearShotCountAsksFirstWithTheWholeCount()
{
    QFETCH(Button, answer);
    sim::LaserConfig config = laserOf(sim::Family::Standard);
    config.shotCount = 5000000123u;
    ServiceWindowRig service(config);
    service.poll();
    QCOMPARE(service.rig.state.shotCount, uint64_t(5000000123u));
    QCOMPARE(service.form.ui.ShotCountlbl->text(), QStringLiteral("Shot Count: 5000000123"));
    service.open();
    service.rig.desktop.questionAnswers = {answer};

    service.window.ui.ClearShotCountbtn->click();

    QCOMPARE(service.rig.desktop.textsOf(QStringLiteral("question")),
             QStringList{QStringLiteral("Clear the shot counter (5,000,000,123 shots)?")});
    QVERIFY(service.tasksDone());
    QTEST(service.laser.transcript(), "sent");
}

void ServiceWindowTest::chartPlotsRealSecondsSinceItWasCleared_data()
{
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::addColumn<bool>("diodeTemp");
    QTest::addColumn<QList<qreal>>("temperatureXs");
    QTest::addColumn<QList<QPointF>>("setpointPoints");

    // Polls 1.5 s and 4.25 s after the clear; a poll before the clear is gone with it.
    QTest::newRow("diode temperature of a laser without heaters")
            << laserOf(sim::Family::Micro) << true << QList<qreal>{1.5, 4.25} << QList<QPointF>{};
    QTest::newRow("diode temperature of a laser with a heater")
            << laserOf(sim::Family::Micro, {0}) << true << QList<qreal>{1.5, 4.25} << QList<QPointF>{};
    QTest::newRow("heater 0 with its set point")
            << laserOf(sim::Family::Standard, {0}) << false << QList<qreal>{1.5, 4.25}
            << QList<QPointF>{{1.5, 25}, {4.25, 25}};
    // The set points plotted are those held before the poll, the simulator's 30.0 and 35.0.
    QTest::newRow("heaters 1 and 2")
            << laserOf(sim::Family::Standard, {1, 2}) << false << QList<qreal>{1.5, 4.25, 1.5, 4.25}
            << QList<QPointF>{{1.5, 30}, {4.25, 30}, {1.5, 35}, {4.25, 35}};
}

// The time axis reads seconds, whatever the pace of the polls and whatever the laser has fitted.
void ServiceWindowTest::chartPlotsRealSecondsSinceItWasCleared()
{
    QFETCH(sim::LaserConfig, config);
    QFETCH(bool, diodeTemp);
    ServiceWindowRig service(config);
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(5);
    service.window.ui.TempChart->setClock([&now] { return now; });
    service.open();
    service.window.ui.DiodeTempEn->setChecked(diodeTemp);
    service.poll();
    now += std::chrono::seconds(7);
    service.window.ui.ClearChartbtn->click();

    for (const auto elapsed : {std::chrono::milliseconds(1500), std::chrono::milliseconds(2750)}) {
        now += elapsed;
        service.poll();
    }

    QList<qreal> temperatureXs;
    QList<QPointF> setpointPoints;
    for (int series = 1; series <= 3; ++series) {
        for (const QPointF &point : pointsOf(service.window, series))
            temperatureXs.append(point.x());
        setpointPoints += pointsOf(service.window, series + 3);
    }
    QTEST(temperatureXs, "temperatureXs");
    QTEST(setpointPoints, "setpointPoints");
}

void ServiceWindowTest::hiddenWindowTakesNoPointsWhileTheClockRunsOn()
{
    ServiceWindowRig service(laserOf(sim::Family::Standard, {0}));
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(5);
    service.window.ui.TempChart->setClock([&now] { return now; });
    service.open();
    service.poll();
    service.window.close();

    now += std::chrono::seconds(3);
    service.poll();
    QVERIFY(!service.window.isVisible());
    QCOMPARE(pointsOf(service.window, 1).size(), 1);

    service.open();
    now += std::chrono::seconds(2);
    service.poll();
    QList<qreal> xs;
    for (const QPointF &point : pointsOf(service.window, 1))
        xs.append(point.x());
    QCOMPARE(xs, (QList<qreal>{0, 5}));
}

void ServiceWindowTest::saveChartCancelledWritesNothing()
{
    ServiceWindowRig service(laserOf(sim::Family::Standard, {0}));
    service.open();
    service.poll();

    service.window.ui.SaveChartbtn->click();

    QCOMPARE(service.rig.desktop.textsOf(QStringLiteral("save")).size(), 1);
    QCOMPARE(QDir(service.rig.workPath()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{});
    QVERIFY(service.rig.desktop.textsOf(QStringLiteral("message")).isEmpty());
}

QTEST_MAIN(ServiceWindowTest)
#include "tst_servicewindow.moc"
