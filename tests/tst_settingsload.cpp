// The settings load end to end: what it asks a simulated laser of each family, and how the window
// follows the answers.

#include "loadqueries.h"
#include "taskrunner.h"
#include "runningprogram.h"

#include "plusspinedit.h"
#include "statuscolours.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)

namespace {

// Where every widget of the window stands, in a fixed order, and the window's own size.
QList<std::pair<QString, QRect>> arrangementOf(const QWidget &window)
{
    QList<std::pair<QString, QRect>> places = {{QStringLiteral("window"), QRect(QPoint(), window.size())}};
    for (const QWidget *widget : window.findChildren<QWidget *>())
        places.append({widget->objectName(), widget->geometry()});
    return places;
}

bool shown(const QWidget *widget)
{
    return !widget->isHidden();
}

} // namespace

class SettingsLoadTest : public QObject
{
    Q_OBJECT
private slots:
    void loadAsksTheFamilysQueriesInOrder_data();
    void loadAsksTheFamilysQueriesInOrder();
    void standardOptionsShowTheirGroupsOnlyWhenKnownAndFitted_data();
    void standardOptionsShowTheirGroupsOnlyWhenKnownAndFitted();
    void oddCfgOffersTheEnhancedEnergyMode_data();
    void oddCfgOffersTheEnhancedEnergyMode();
    void miniPasswordReplyDecidesTheUnlockMenu_data();
    void miniPasswordReplyDecidesTheUnlockMenu();
    void heaterZeroUsesTheFirstLabelPairAlone();
    void externalDiodeTriggerLeavesPulseModeDisabled_data();
    void externalDiodeTriggerLeavesPulseModeDisabled();
    void unknownModelNameKeepsThePreviousFamily_data();
    void unknownModelNameKeepsThePreviousFamily();
    void secondLoadOfASmallLaserMovesNoControl();
    void loadQueuesNothingWhileFillingControls();
    void repRateIsLimitedBeforeTheNewMaximumApplies();
    void unusableLimitsGiveTheControlItsDesignRange_data();
    void unusableLimitsGiveTheControlItsDesignRange();
    void noControlOutsideTheWindowTakesTheFocus_data();
    void noControlOutsideTheWindowTakesTheFocus();
    void busyRefreshOfAFiringLaserKeepsTheControlsAndStepsFromThem();
};

void SettingsLoadTest::loadAsksTheFamilysQueriesInOrder_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");

    QTest::newRow("standard, nothing fitted") << sim::LaserConfig();
    sim::LaserConfig heater0;
    heater0.heater0 = true;
    heater0.heater2 = true;
    QTest::newRow("standard with heater 0 never asks for heaters 1 and 2") << heater0;
    sim::LaserConfig everything;
    everything.heater1 = true;
    everything.heater2 = true;
    everything.attenuator = true;
    QTest::newRow("standard with heaters 1 and 2 and an attenuator") << everything;
    sim::LaserConfig unknownOptions;
    unknownOptions.energyModes = false;
    QTest::newRow("standard answering ? to AT and EM") << unknownOptions;

    sim::LaserConfig microOdd = test::laserOf(sim::Family::Micro);
    microOdd.cfg = 3;
    microOdd.attenuator = true;
    microOdd.heater0 = true;
    QTest::newRow("micro with odd CFG, attenuator and heater 0") << microOdd;
    sim::LaserConfig microEven = test::laserOf(sim::Family::Micro);
    microEven.cfg = 2;
    QTest::newRow("micro with even CFG") << microEven;
    QTest::newRow("mini unlocked") << test::laserOf(sim::Family::Mini);
    sim::LaserConfig miniLocked = test::laserOf(sim::Family::Mini);
    miniLocked.passwordLocked = true;
    QTest::newRow("mini locked") << miniLocked;
}

void SettingsLoadTest::loadAsksTheFamilysQueriesInOrder()
{
    QFETCH(sim::LaserConfig, laser);
    test::RunningProgram program(laser);
    program.start();
    QCOMPARE(program.firstLoad(), test::loadQueries(laser));
}

void SettingsLoadTest::standardOptionsShowTheirGroupsOnlyWhenKnownAndFitted_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<QByteArray>("attenuatorReply"); // empty: the laser's own
    QTest::addColumn<bool>("attenuatorShown");
    QTest::addColumn<bool>("energyModeShown");

    sim::LaserConfig fitted;
    fitted.attenuator = true;
    QTest::newRow("attenuator and energy modes") << fitted << QByteArray() << true << true;
    sim::LaserConfig unknown;
    unknown.energyModes = false;
    QTest::newRow("? to AT and EM") << unknown << QByteArray("?") << false << false;
    QTest::newRow("0 to AT") << sim::LaserConfig() << QByteArray("0") << false << true;
}

void SettingsLoadTest::standardOptionsShowTheirGroupsOnlyWhenKnownAndFitted()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(QByteArray, attenuatorReply);
    QFETCH(bool, attenuatorShown);
    QFETCH(bool, energyModeShown);
    test::RunningProgram program(laser);
    if (!attenuatorReply.isEmpty())
        program.laser.setReplyOverride(";LA:AT?", attenuatorReply);
    TMainForm &form = program.start();

    QCOMPARE(program.state().hasAttenuator, attenuatorShown);
    QCOMPARE(shown(form.ui.AttenGrp), attenuatorShown);
    QCOMPARE(shown(form.ui.EnergyModegrp), energyModeShown);
    QCOMPARE(form.ui.Statuslbl[13]->text(), QStringLiteral("High Pwr Mode"));
}

void SettingsLoadTest::oddCfgOffersTheEnhancedEnergyMode_data()
{
    QTest::addColumn<int>("cfg");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("lastCaption");
    QTest::newRow("3") << 3 << true << "Enh. Energy";
    QTest::newRow("2") << 2 << false << "Unused";
}

void SettingsLoadTest::oddCfgOffersTheEnhancedEnergyMode()
{
    QFETCH(int, cfg);
    QFETCH(bool, offered);
    QFETCH(QString, lastCaption);
    sim::LaserConfig laser = test::laserOf(sim::Family::Micro);
    laser.cfg = cfg;
    test::RunningProgram program(laser);
    program.laser.setReplyOverride(";LA:EM?", "1");
    TMainForm &form = program.start();

    QCOMPARE(program.state().hasEnhancedEnergy, offered);
    QCOMPARE(shown(form.ui.EnhEnergyModegrp), offered);
    QVERIFY(!shown(form.ui.EnergyModegrp));
    QCOMPARE(form.ui.EnhEnergyModeSel->currentIndex(), offered ? 1 : 0);
    QCOMPARE(form.ui.Statuslbl[12]->text(), QStringLiteral("Normal Energy"));
    QCOMPARE(form.ui.Statuslbl[13]->text(), lastCaption);
}

void SettingsLoadTest::miniPasswordReplyDecidesTheUnlockMenu_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QByteArray>("passwordReply"); // empty: the laser's own
    QTest::addColumn<bool>("unlocked");
    QTest::addColumn<bool>("menuShown");
    QTest::newRow("1: unlocked") << false << QByteArray() << true << false;
    QTest::newRow("0: locked") << true << QByteArray() << false << true;
    QTest::newRow("?: no lock") << false << QByteArray("?") << true << false;
}

void SettingsLoadTest::miniPasswordReplyDecidesTheUnlockMenu()
{
    QFETCH(bool, locked);
    QFETCH(QByteArray, passwordReply);
    QFETCH(bool, unlocked);
    QFETCH(bool, menuShown);
    sim::LaserConfig laser = test::laserOf(sim::Family::Mini);
    laser.passwordLocked = locked;
    test::RunningProgram program(laser);
    if (!passwordReply.isEmpty())
        program.laser.setReplyOverride(";LA:PW?", passwordReply);
    TMainForm &form = program.start();

    QCOMPARE(program.state().laserUnlocked, unlocked);
    QCOMPARE(form.ui.UnlockLaserMenu->isVisible(), menuShown);
}

void SettingsLoadTest::heaterZeroUsesTheFirstLabelPairAlone()
{
    sim::LaserConfig laser;
    laser.heater0 = true;
    test::RunningProgram program(laser);
    TMainForm &form = program.start();

    QVERIFY(program.state().hasHeater0);
    QVERIFY(shown(form.ui.Heatergrp));
    QCOMPARE(form.ui.Heater1Targetlbl->text(), QStringLiteral("Heater 0 Target:  25.00 C"));
    QCOMPARE(form.ui.Heater1Templbl->text(), QStringLiteral("Heater 0 Temp:   ? C"));
    QVERIFY(!shown(form.ui.Heater2Targetlbl));
    QVERIFY(!shown(form.ui.Heater2Templbl));
}

void SettingsLoadTest::externalDiodeTriggerLeavesPulseModeDisabled_data()
{
    QTest::addColumn<QByteArray>("trigger");
    QTest::addColumn<bool>("pulseModeEnabled");
    QTest::newRow("internal") << QByteArray("0") << true;
    QTest::newRow("external") << QByteArray("1") << false;
}

void SettingsLoadTest::externalDiodeTriggerLeavesPulseModeDisabled()
{
    QFETCH(QByteArray, trigger);
    QFETCH(bool, pulseModeEnabled);
    test::RunningProgram program;
    program.laser.setReplyOverride(";LA:DT?", trigger);
    TMainForm &form = program.start();

    QCOMPARE(form.ui.DiodeTriggerSel->currentIndex(), trigger.toInt());
    QCOMPARE(form.ui.SystemModeSel->isEnabled(), pulseModeEnabled);
}

void SettingsLoadTest::unknownModelNameKeepsThePreviousFamily_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<QByteArray>("identity");
    QTest::newRow("after a standard laser") << sim::LaserConfig() << QByteArray("RZ,Widget,77,1.2.7-1.25.0.3");
    QTest::newRow("after a micro laser") << test::laserOf(sim::Family::Micro) << QByteArray("RZ,Widget,77,3.04");
}

void SettingsLoadTest::unknownModelNameKeepsThePreviousFamily()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(QByteArray, identity);
    test::RunningProgram program(laser);
    TMainForm &form = program.start();

    program.laser.setReplyOverride(";LA:ID?", identity);
    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), test::loadQueries(laser));
    QVERIFY2(form.windowTitle().startsWith(QStringLiteral("Marovane Model Widget  SW Version: ")),
             qPrintable(form.windowTitle()));
    QCOMPARE(form.ui.SerialNumberlbl->text(), QStringLiteral("Serial Number: 77"));
}

void SettingsLoadTest::secondLoadOfASmallLaserMovesNoControl()
{
    sim::LaserConfig laser = test::laserOf(sim::Family::Micro);
    laser.attenuator = true;
    laser.cfg = 1;
    test::RunningProgram program(laser);
    TMainForm &form = program.start();
    QCOMPARE(form.ui.SystemSettingsGrp->height(), 195); // the first load closed the window up
    const auto arranged = arrangementOf(form);

    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), test::loadQueries(laser));
    QCOMPARE(arrangementOf(form), arranged);
}

void SettingsLoadTest::loadQueuesNothingWhileFillingControls()
{
    sim::LaserConfig laser;
    laser.attenuator = true;
    test::RunningProgram program(laser);
    TMainForm &form = program.start();
    // The laser's values differ from the window's design values, so the first load ran the
    // handlers already.
    QCOMPARE(form.laserProgram().tasks().queuedLines(), 0);

    // Every value and check box changes at the next load, so every handler runs again.
    const std::pair<QByteArray, QByteArray> changed[] = {
        {"RR", "20.0"}, {"DC", "30.00"}, {"DW", "0.0002000"}, {"EN", "1"}, {"BC", "25"}, {"AT", "30"},
        {"QD", "0.0003000"}, {"QE", "0"}, {"QW", "5"}, {"DE", "1"}, {"DN", "4"},
    };
    for (const auto &[query, reply] : changed)
        program.laser.setReplyOverride(";LA:" + query + '?', reply);
    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), test::loadQueries(laser));
    QCOMPARE(form.ui.RepRateAdj->Value(), 20.0);
    QCOMPARE(form.ui.AttenuatorAdj->Value(), 30.0);
    QVERIFY(form.ui.DivideByNEnable->isChecked());
    QVERIFY(!form.communication().commandsInhibited());
}

// The first load narrows the range; a refresh then reads a value beyond it with a wider maximum
// (a limit beyond the design range is never taken, so the wider one lies within it).
void SettingsLoadTest::repRateIsLimitedBeforeTheNewMaximumApplies()
{
    test::RunningProgram program;
    program.laser.setReplyOverride(";LA:RR:MAX?", "50.0");
    TMainForm &form = program.start();
    program.laser.setReplyOverride(";LA:RR?", "80.0");
    program.laser.setReplyOverride(";LA:RR:MAX?", "90.0");

    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());

    QCOMPARE(form.ui.RepRateAdj->Value(), 50.0);
    QCOMPARE(program.state().repRate, 50.0);
    QCOMPARE(form.ui.RepRateAdj->MaxValue(), 90.0);
    QCOMPARE(program.state().repRateMax, 90.0);
}

void SettingsLoadTest::unusableLimitsGiveTheControlItsDesignRange_data()
{
    using Replies = QList<std::pair<QByteArray, QByteArray>>;
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<QString>("control");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("noted");

    QTest::newRow("plausible limits are taken")
        << Replies{{";LA:DC:MAX?", "100"}, {";LA:DC:MIN?", "5"}} << "DiodeCurrentAdj" << 5.0 << 100.0 << false;
    QTest::newRow("maximum beyond any value") << Replies{{";LA:DC:MAX?", "1e300"}} << "DiodeCurrentAdj" << 0.0
                                              << 150.0 << true;
    QTest::newRow("maximum below the minimum") << Replies{{";LA:DC:MAX?", "10"}, {";LA:DC:MIN?", "20"}}
                                               << "DiodeCurrentAdj" << 0.0 << 150.0 << true;
    QTest::newRow("both limits zero") << Replies{{";LA:DC:MAX?", "0"}, {";LA:DC:MIN?", "0"}} << "DiodeCurrentAdj"
                                      << 0.0 << 150.0 << true;
    QTest::newRow("minimum equal to the maximum") << Replies{{";LA:RR:MAX?", "20"}, {";LA:RR:MIN?", "20"}}
                                                  << "RepRateAdj" << 0.1 << 100.0 << true;
    QTest::newRow("maximum beyond the design range") << Replies{{";LA:DC:MAX?", "2000000000"}} << "DiodeCurrentAdj"
                                                     << 0.0 << 150.0 << true;
    QTest::newRow("minimum below the design range") << Replies{{";LA:RR:MIN?", "0.01"}} << "RepRateAdj" << 0.1
                                                    << 100.0 << true;
    QTest::newRow("minimum not a number") << Replies{{";LA:RR:MIN?", "nan"}} << "RepRateAdj" << 0.1 << 100.0 << true;
    QTest::newRow("maximum unanswered") << Replies{{";LA:DW:MAX?", ""}} << "DiodePulseWidthAdj" << 0.000001 << 0.1
                                        << true;
    QTest::newRow("Q-switch delay maximum below the control's minimum")
        << Replies{{";LA:QD:MAX?", "0.0000001"}} << "QSWDelayAdj" << 0.000001 << 1.0 << true;
}

// The first load takes the laser's own limits; a refresh then meets the replies of the row.
void SettingsLoadTest::unusableLimitsGiveTheControlItsDesignRange()
{
    using Replies = QList<std::pair<QByteArray, QByteArray>>;
    QFETCH(Replies, replies);
    QFETCH(QString, control);
    QFETCH(bool, noted);
    test::RunningProgram program;
    TMainForm &form = program.start();
    form.ui.EnableLoggingMenu->trigger();
    for (const auto &[request, reply] : replies)
        program.laser.setReplyOverride(request, reply);

    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());
    auto *spinEdit = form.findChild<TPlusSpinEdit *>(control);
    QTEST(spinEdit->MinValue(), "minimum");
    QTEST(spinEdit->MaxValue(), "maximum");
    const QStringList notes = program.rig.fileLines(form.logFileName()).filter(QStringLiteral("Limits Error("));
    QCOMPARE(notes.size(), noted ? 1 : 0);
    if (noted)
        QVERIFY2(notes.first().contains(QStringLiteral("; ") + control + QStringLiteral(" keeps ")),
                 qPrintable(notes.first()));
    // Typed far beyond it, the value stays within the range.
    spinEdit->setFocus();
    QTest::keyClick(spinEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spinEdit, QStringLiteral("999990"));
    QTest::keyClick(spinEdit, Qt::Key_Return);
    QVERIFY2(spinEdit->Value() <= spinEdit->MaxValue(), qPrintable(QString::number(spinEdit->Value())));
}

// The window's client area at its run-time size holds every control that can take the focus:
// after the first load, a refresh and a recall alike.
void SettingsLoadTest::noControlOutsideTheWindowTakesTheFocus_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    for (const auto &[name, family] : {std::pair{"standard", sim::Family::Standard},
                                       std::pair{"micro", sim::Family::Micro}, std::pair{"mini", sim::Family::Mini}}) {
        for (const int options : {0, 1}) {
            sim::LaserConfig laser = test::laserOf(family);
            laser.attenuator = options;
            laser.cfg = options;
            QTest::newRow(qPrintable(QString::fromLatin1(name) + (options ? " with options" : " without options")))
                << laser;
        }
    }
}

void SettingsLoadTest::noControlOutsideTheWindowTakesTheFocus()
{
    QFETCH(sim::LaserConfig, laser);
    test::RunningProgram program(laser);
    TMainForm &form = program.start();

    auto outOfSight = [&form] {
        const QRect client(0, 0, form.width(), form.height() - form.ui.MainMenu1->sizeHint().height());
        QStringList found;
        for (QWidget *control : form.ui.ClientArea->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(&form))
                continue;
            const QRect place(control->mapTo(form.ui.ClientArea, QPoint()), control->size());
            if (!client.intersects(place))
                found << control->objectName();
        }
        return found;
    };
    QCOMPARE(outOfSight(), QStringList());
    form.Up1Click();
    QVERIFY(program.tasksDone());
    QCOMPARE(outOfSight(), QStringList());
    form.RestoreBinClick(2);
    QVERIFY(program.tasksDone());
    QCOMPARE(outOfSight(), QStringList());
}

// The refresh of an enabled, firing laser whose RR, DC, BC, EN and QE replies are "BUSY": every
// control keeps what it showed and is marked, the enable box stays with the status word, and a
// step up starts from the value shown, not from a zero the laser never said.
void SettingsLoadTest::busyRefreshOfAFiringLaserKeepsTheControlsAndStepsFromThem()
{
    test::PolledProgram program;
    TMainForm &form = program.form;
    form.ui.EnableLoggingMenu->trigger();
    QVERIFY(program.enableLaser());
    form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    program.poll();
    const double repRate = form.ui.RepRateAdj->Value();
    const double current = form.ui.DiodeCurrentAdj->Value();
    const double bursts = form.ui.BurstCountAdj->Value();
    QVERIFY(current > 0);
    for (const char *query : {";LA:RR?", ";LA:DC?", ";LA:BC?", ";LA:EN?", ";LA:QE?"})
        program.laser.setReplyOverride(query, "BUSY");

    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());
    program.poll();

    QCOMPARE(form.ui.RepRateAdj->Value(), repRate);
    QCOMPARE(form.ui.DiodeCurrentAdj->Value(), current);
    QCOMPARE(form.ui.BurstCountAdj->Value(), bursts);
    QVERIFY(form.ui.LaserEnableBtn->isChecked());
    QVERIFY(form.ui.QSwitchEnableBtn->isChecked());
    for (QWidget *control : {static_cast<QWidget *>(form.ui.RepRateAdj), static_cast<QWidget *>(form.ui.DiodeCurrentAdj),
                             static_cast<QWidget *>(form.ui.BurstCountAdj)}) {
        QVERIFY2(control->toolTip().contains(QString::fromLatin1(UnreadSettingToolTip)), qPrintable(control->objectName()));
        QCOMPARE(control->palette().color(QPalette::Base), UnreadSettingColour);
    }
    QVERIFY(!form.ui.DiodePulseWidthAdj->toolTip().contains(QString::fromLatin1(UnreadSettingToolTip)));
    QCOMPARE(program.rig.fileLines(form.logFileName()).filter(QStringLiteral("Setting Not Read(")).size(), 5);

    program.laser.clearTranscript();
    QTest::keyClick(form.ui.RepRateAdj, Qt::Key_Up);
    QTest::keyClick(form.ui.DiodeCurrentAdj, Qt::Key_Up);
    QVERIFY(program.tasksDone());
    const QList<QByteArray> sent = program.laser.transcript();
    QCOMPARE(sent.size(), 2);
    QVERIFY2(sent.at(0).startsWith(";LA:RR ") && sent.at(0).mid(7).toDouble() > repRate, sent.at(0).constData());
    QVERIFY2(sent.at(1).startsWith(";LA:DC ") && sent.at(1).mid(7).toDouble() > current, sent.at(1).constData());

    // A load that reads them again takes the marks off.
    program.laser.clearReplyOverrides();
    form.ui.Up1->trigger();
    QVERIFY(program.tasksDone());
    QVERIFY(!form.ui.RepRateAdj->toolTip().contains(QString::fromLatin1(UnreadSettingToolTip)));
    QVERIFY(form.ui.RepRateAdj->palette().color(QPalette::Base) != UnreadSettingColour);
    QCOMPARE(form.ui.LaserEnableBtn->toolTip(), QStringLiteral("Enables the laser and diodes. "));
}

QTEST_MAIN(SettingsLoadTest)
#include "tst_settingsload.moc"
