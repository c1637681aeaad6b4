// The operator's side end to end: parameter controls, bins, refresh, the command terminal and the
// exit, each judged by the lines a simulated laser receives through the command queue.

#include "loadqueries.h"
#include "taskrunner.h"
#include "runningprogram.h"

#include "plusspinedit.h"
#include "trafficview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tovra;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)
Q_DECLARE_METATYPE(tovra::sim::Family)
Q_DECLARE_METATYPE(std::function<void(tovra::TMainForm &)>)

namespace {

using Lines = QList<QByteArray>;

// Picks an item as the operator does: the list moves to it and reports the choice.
void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// Changes a control as the operator does: a spin edit to `value`, a list to item `value`; a
// button is clicked and a menu item chosen.
void operate(QObject *control, const QVariant &value)
{
    if (auto *spin = qobject_cast<TPlusSpinEdit *>(control))
        spin->setValue(value.toDouble());
    else if (auto *list = qobject_cast<QComboBox *>(control))
        choose(list, value.toInt());
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->click();
    else if (auto *item = qobject_cast<QAction *>(control))
        item->trigger();
}

// Runs `act` while `tick` (a status poll or a task tick) waits for the laser's reply, as an
// operator's action arrives in the middle of an exchange. The replies come late so that the tick
// surely waits.
void whileWaitingForTheLaser(test::RunningProgram &program, void (TMainForm::*tick)(),
                             const std::function<void()> &act)
{
    program.laser.setReplyDelay(10ms);
    QTimer::singleShot(0, act);
    (program.form().*tick)();
    program.form().laserProgram().tasks().pausePolling();
    program.laser.setReplyDelay(0ms);
}

// The lines that are not queries: what the operator's edits made the program send.
Lines commandsIn(const Lines &lines)
{
    Lines commands;
    for (const QByteArray &line : lines) {
        if (!line.endsWith('?'))
            commands.append(line);
    }
    return commands;
}

// Clicks into the terminal's edit as the operator does and returns the widget that now takes the
// keys: the one keys really reach, whichever that is.
QWidget *clickIntoTerminal(TMainForm &form)
{
    if (!form.isActiveWindow()) {
        form.show();
        QApplication::setActiveWindow(&form);
        if (!QTest::qWaitForWindowActive(&form))
            return nullptr;
    }
    QLineEdit *edit = form.ui.SendEdit->lineEdit();
    QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
    return QApplication::focusWidget();
}

// Types `text` into the terminal's edit and presses Enter.
void typeAndEnter(TMainForm &form, const QString &text)
{
    form.ui.SendEdit->clearEditText();
    QWidget *keys = clickIntoTerminal(form);
    QVERIFY(keys);
    QTest::keyClicks(keys, text);
    QTest::keyClick(keys, Qt::Key_Return);
}

QStringList historyOf(const QComboBox *edit)
{
    QStringList entries;
    for (int i = 0; i < edit->count(); ++i)
        entries.append(edit->itemText(i));
    return entries;
}

sim::LaserConfig laserWithOptions(sim::Family family)
{
    sim::LaserConfig laser = test::laserOf(family);
    laser.attenuator = true;
    laser.cfg = 1;
    return laser;
}

} // namespace

class OperatorCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void taskTimerSleepsUntilAHandlerAsks_data();
    void taskTimerSleepsUntilAHandlerAsks();
    void everyControlQueuesItsCommandInItsFormat_data();
    void everyControlQueuesItsCommandInItsFormat();
    void editsDuringAStatusPollGoOutInOrderAfterIt();
    void qswDelayChangeDuringAStatusPollSnapsBackAndQueuesNothing();
    void externalDiodeTriggerDisablesThePulseMode();
    void handSetDiodeCurrentEndsHighPowerWithoutAnEnergyModeCommand();
    void energyModeChoiceIsReadBackAfterItsCommand_data();
    void energyModeChoiceIsReadBackAfterItsCommand();
    void energyModeChosenWhileABatchIsSentIsReadBackAfterItsOwnCommand();
    void recallOfBinThreeReloadsBeforeTheQueuedCommands();
    void onlyBinRecallsSendRc_data();
    void onlyBinRecallsSendRc();
    void smallFamiliesOfferBinsOneToFour_data();
    void smallFamiliesOfferBinsOneToFour();
    void terminalBatchIsRawAndTheNextBatchIsPrefixedAgain();
    void everyLineOfABatchIsFramedAsItsSourceAsks_data();
    void everyLineOfABatchIsFramedAsItsSourceAsks();
    void terminalLineDuringALoadLeavesTheNextCommandItsAddress();
    void terminalHistoryKeepsDuplicatesAndEmptyEntries();
    void terminalSetterTheLaserTookShowsInItsControl_data();
    void terminalSetterTheLaserTookShowsInItsControl();
    void sentTextIsSelectedSoTypingReplacesIt();
    void upAndDownWalkTheTerminalHistory_data();
    void upAndDownWalkTheTerminalHistory();
    void ctrlBackspaceDeletesTheSelectedHistoryEntry_data();
    void ctrlBackspaceDeletesTheSelectedHistoryEntry();
    void terminalRefusesALineWithControlCharacters_data();
    void terminalRefusesALineWithControlCharacters();
    void exitDropsQueuedCommandsAndStopsFiringNext();
    void energyModeValueNotReadLeavesTheControlAsItWas();
    void longReplyIsCutInTheViewAndLoggedWhole();
    void terminalViewKeepsItsLastLines();
};

void OperatorCommandsTest::everyControlQueuesItsCommandInItsFormat_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("line");

    const sim::LaserConfig standard = laserWithOptions(sim::Family::Standard);
    const sim::LaserConfig micro = laserWithOptions(sim::Family::Micro);
    auto row = [](const char *name, const sim::LaserConfig &laser, const char *control, const QVariant &value,
                  const char *line) { QTest::newRow(name) << laser << control << value << QByteArray(line); };

    row("RepRateAdj 20", standard, "RepRateAdj", 20.0, ";LA:RR 20.0");
    row("BurstCountAdj 25", standard, "BurstCountAdj", 25.0, ";LA:BC 25");
    row("DiodeCurrentAdj 7.5", standard, "DiodeCurrentAdj", 7.5, ";LA:DC 07.50");
    row("DiodeCurrentAdj 115.25", standard, "DiodeCurrentAdj", 115.25, ";LA:DC 115.25");
    row("DiodePulseWidthAdj 0.000001", standard, "DiodePulseWidthAdj", 0.000001, ";LA:DW 0.0000010");
    row("QSWDelayAdj 0.00012", standard, "QSWDelayAdj", 0.00012, ";LA:QD 0.0001200");
    row("QSWWaitCountAdj 12", standard, "QSWWaitCountAdj", 12.0, ";LA:QW 12");
    row("DivideByNAdj 3", standard, "DivideByNAdj", 3.0, ";LA:DN 3");
    row("standard AttenuatorAdj 7.5", standard, "AttenuatorAdj", 7.5, ";LA:AT 07.50");
    row("micro AttenuatorAdj 33.3", micro, "AttenuatorAdj", 33.3, ";LA:AT:AP 33.30");
    row("SystemModeSel Burst", standard, "SystemModeSel", 2, ";LA:PM 2");
    row("SyncSettingsSel Diode+Q-SW", standard, "SyncSettingsSel", 3, ";LA:SY 3");
    row("DiodeTriggerSel External", standard, "DiodeTriggerSel", 1, ";LA:DT 1");
    row("QSWTriggerSel External", standard, "QSWTriggerSel", 1, ";LA:QT 1");
    row("EnhEnergyModeSel Enhanced", micro, "EnhEnergyModeSel", 1, ";LA:EM 1");
    row("QSwitchEnableBtn unchecked", standard, "QSwitchEnableBtn", {}, ";LA:QE 0");
    row("DivideByNEnable checked", standard, "DivideByNEnable", {}, ";LA:DE 1");
    row("Save To Bin 4", standard, "SaveBin4", {}, ";LA:SV 4");
    row("Clear User Count", standard, "ClearUserCountbtn", {}, ";LA:UC 0");
}

void OperatorCommandsTest::everyControlQueuesItsCommandInItsFormat()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(QString, control);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, line);
    test::RunningProgram program(laser);
    // The laser's own delay is the table's example; start from another so that setting it is a change.
    program.laser.setReplyOverride(";LA:QD?", "0.0000500");
    TMainForm &form = program.start();
    QObject *target = form.findChild<QObject *>(control);
    QVERIFY2(target, qPrintable(control));

    operate(target, value);
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), Lines{line});
}

void OperatorCommandsTest::editsDuringAStatusPollGoOutInOrderAfterIt()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    bool pollRunning = false;
    whileWaitingForTheLaser(program, &TMainForm::StatusTimerTimer, [&] {
        pollRunning = form.laserProgram().statusPoll().isUpdating();
        form.ui.RepRateAdj->setValue(20);
        form.ui.BurstCountAdj->setValue(25);
        form.ui.DiodeCurrentAdj->setValue(7.5);
    });
    QVERIFY(pollRunning);
    QVERIFY(program.tasksDone());

    const Lines lines = program.laser.transcript();
    const Lines edits = {";LA:RR 20.0", ";LA:BC 25", ";LA:DC 07.50"};
    QCOMPARE(commandsIn(lines), edits);
    QCOMPARE(lines.mid(lines.size() - edits.size()), edits);
}

void OperatorCommandsTest::qswDelayChangeDuringAStatusPollSnapsBackAndQueuesNothing()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    const double loaded = form.ui.QSWDelayAdj->Value();
    double shownAfterEdit = 0;
    whileWaitingForTheLaser(program, &TMainForm::StatusTimerTimer, [&] {
        form.ui.QSWDelayAdj->setValue(0.0003);
        shownAfterEdit = form.ui.QSWDelayAdj->Value();
    });
    QVERIFY(program.tasksDone());

    QCOMPARE(shownAfterEdit, loaded);
    QCOMPARE(form.ui.QSWDelayAdj->Value(), loaded);
    QCOMPARE(program.state().qswDelay, loaded);
    QCOMPARE(commandsIn(program.laser.transcript()), Lines());
}

void OperatorCommandsTest::externalDiodeTriggerDisablesThePulseMode()
{
    test::RunningProgram program;
    TMainForm &form = program.start();

    choose(form.ui.DiodeTriggerSel, 1);
    QVERIFY(!form.ui.SystemModeSel->isEnabled());
    choose(form.ui.DiodeTriggerSel, 0);
    QVERIFY(form.ui.SystemModeSel->isEnabled());
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), (Lines{";LA:DT 1", ";LA:DT 0"}));
}

void OperatorCommandsTest::handSetDiodeCurrentEndsHighPowerWithoutAnEnergyModeCommand()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    choose(form.ui.EnergyModeSel, 2);
    QVERIFY(program.tasksDone());
    program.laser.clearTranscript();

    form.ui.DiodeCurrentAdj->setValue(30);
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), Lines{";LA:DC 30.00"});
    QCOMPARE(form.ui.EnergyModeSel->currentIndex(), 0);
    QCOMPARE(program.state().energyMode, 0);
}

void OperatorCommandsTest::energyModeChoiceIsReadBackAfterItsCommand_data()
{
    QTest::addColumn<bool>("attenuator");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QString>("governed");
    QTest::addColumn<double>("readBack");
    // The laser sets the governed value to a share of its maximum: half at low power, all at high.
    QTest::newRow("Low Power sets the diode current")
            << false << 1 << Lines{";LA:EM 1", ";LA:DC?"} << "DiodeCurrentAdj" << 60.0;
    QTest::newRow("High Power sets the attenuator")
            << true << 2 << Lines{";LA:EM 2", ";LA:AT?"} << "AttenuatorAdj" << 100.0;
}

// The read-back waits until "EM" has gone out, so that it shows the value the new mode gave.
void OperatorCommandsTest::energyModeChoiceIsReadBackAfterItsCommand()
{
    QFETCH(bool, attenuator);
    QFETCH(int, mode);
    QFETCH(Lines, lines);
    QFETCH(QString, governed);
    QFETCH(double, readBack);
    sim::LaserConfig laser;
    laser.attenuator = attenuator;
    test::RunningProgram program(laser);
    TMainForm &form = program.start();

    choose(form.ui.EnergyModeSel, mode);
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), lines);
    QCOMPARE(form.findChild<TPlusSpinEdit *>(governed)->Value(), readBack);
    QCOMPARE(form.ui.EnergyModeSel->currentIndex(), mode);
    QCOMPARE(program.state().energyMode, mode);
    QVERIFY(!form.communication().commandsInhibited());
}

void OperatorCommandsTest::energyModeChosenWhileABatchIsSentIsReadBackAfterItsOwnCommand()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    form.ui.RepRateAdj->setValue(20);
    whileWaitingForTheLaser(program, &TMainForm::ProcessTasks, [&] { choose(form.ui.EnergyModeSel, 2); });
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{";LA:RR 20.0", ";LA:EM 2", ";LA:DC?"}));
    QCOMPARE(form.ui.DiodeCurrentAdj->Value(), 120.0);
}

void OperatorCommandsTest::recallOfBinThreeReloadsBeforeTheQueuedCommands()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    form.ui.DiodeCurrentAdj->setValue(30);
    form.ui.SaveBin[2]->trigger();
    QVERIFY(program.tasksDone());
    form.ui.DiodeCurrentAdj->setValue(60);
    QVERIFY(program.tasksDone());
    program.laser.clearTranscript();

    form.ui.RepRateAdj->setValue(20);
    form.ui.BurstCountAdj->setValue(25);
    form.ui.RestoreBin[2]->trigger();
    QVERIFY(program.tasksDone());

    const Lines queuedBefore = {";LA:RR 20.0", ";LA:BC 25"};
    QCOMPARE(program.laser.transcript(), Lines{";LA:RC 3"} + test::loadQueries({}) + queuedBefore);
    QCOMPARE(form.ui.DiodeCurrentAdj->Value(), 30.0);
    QVERIFY(form.laserProgram().tasks().pollingActive());
}

void OperatorCommandsTest::taskTimerSleepsUntilAHandlerAsks_data()
{
    QTest::addColumn<std::function<void(TMainForm &)>>("ask");
    QTest::addColumn<QByteArray>("firstLine");

    QTest::newRow("a queued command") << std::function<void(TMainForm &)>([](TMainForm &form) {
        form.ui.ClearUserCountbtn->click();
    }) << QByteArray(";LA:UC 0");
    QTest::newRow("a bin recall") << std::function<void(TMainForm &)>([](TMainForm &form) {
        form.ui.RestoreBin[1]->trigger();
    }) << QByteArray(";LA:RC 2");
    QTest::newRow("a refresh") << std::function<void(TMainForm &)>([](TMainForm &form) {
        form.ui.Up1->trigger();
    }) << test::loadQueries({}).value(0);
}

// Idle, the program has no timer ticking but the status poll's; what a handler asks for starts
// the 5 ms task timer, and once it is done the timer sleeps again.
void OperatorCommandsTest::taskTimerSleepsUntilAHandlerAsks()
{
    QFETCH(std::function<void(TMainForm &)>, ask);
    test::RunningProgram program;
    TMainForm &form = program.start();
    QVERIFY(!form.laserProgram().taskTimer().isActive());

    ask(form);
    QVERIFY(form.laserProgram().taskTimer().isActive());
    QCOMPARE(form.laserProgram().taskTimer().interval(), 5);
    QVERIFY(program.tasksDone());
    QTEST(program.laser.transcript().value(0), "firstLine");
    QTRY_VERIFY(!form.laserProgram().taskTimer().isActive());
}

void OperatorCommandsTest::onlyBinRecallsSendRc_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<Lines>("before");
    QTest::newRow("Default 0") << "DefaultBin0" << Lines{";LA:RC 0"};
    QTest::newRow("Restore From Bin 6") << "RestoreBin6" << Lines{";LA:RC 6"};
    QTest::newRow("Refresh") << "Up1" << Lines{};
}

void OperatorCommandsTest::onlyBinRecallsSendRc()
{
    QFETCH(QString, item);
    QFETCH(Lines, before);
    test::RunningProgram program;
    TMainForm &form = program.start();

    form.findChild<QAction *>(item)->trigger();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.laser.transcript(), before + test::loadQueries({}));
}

void OperatorCommandsTest::smallFamiliesOfferBinsOneToFour_data()
{
    QTest::addColumn<sim::Family>("family");
    QTest::addColumn<bool>("binsFiveAndSix");
    QTest::newRow("standard") << sim::Family::Standard << true;
    QTest::newRow("micro") << sim::Family::Micro << false;
    QTest::newRow("mini") << sim::Family::Mini << false;
}

void OperatorCommandsTest::smallFamiliesOfferBinsOneToFour()
{
    QFETCH(sim::Family, family);
    QFETCH(bool, binsFiveAndSix);
    test::RunningProgram program(test::laserOf(family));
    TMainForm &form = program.start();

    for (int bin = 0; bin < 6; ++bin) {
        const bool offered = bin < 4 || binsFiveAndSix;
        QCOMPARE(form.ui.SaveBin[size_t(bin)]->isVisible(), offered);
        QCOMPARE(form.ui.RestoreBin[size_t(bin)]->isVisible(), offered);
    }
}

void OperatorCommandsTest::terminalBatchIsRawAndTheNextBatchIsPrefixedAgain()
{
    test::RunningProgram program;
    TMainForm &form = program.start();

    typeAndEnter(form, QStringLiteral("SS"));
    QVERIFY(program.tasksDone());
    form.ui.RepRateAdj->setValue(20);
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{"SS", ";LA:RR 20.0"}));
    const QStringList shown = form.ResponseList->lines();
    QVERIFY2(shown.value(0).endsWith(QStringLiteral(") SS")), qPrintable(shown.value(0)));
    QVERIFY2(shown.value(1).endsWith(QStringLiteral(") ") + QString::number(program.laser.statusWord())),
             qPrintable(shown.value(1)));
    QCOMPARE(form.ui.SendEdit->currentText(), QStringLiteral("SS")); // Enter again sends it again
}

void OperatorCommandsTest::everyLineOfABatchIsFramedAsItsSourceAsks_data()
{
    QTest::addColumn<bool>("terminalFirst");
    QTest::addColumn<Lines>("wire");
    QTest::newRow("parameter change, then terminal line") << false << Lines{";LA:RR 20.0", "SS"};
    QTest::newRow("terminal line, then parameter change") << true << Lines{"SS", ";LA:RR 20.0"};
}

// A parameter change and a terminal line queued for the same tick: each line goes out as its
// own source asks, the command behind its address, the typed line as typed.
void OperatorCommandsTest::everyLineOfABatchIsFramedAsItsSourceAsks()
{
    QFETCH(bool, terminalFirst);
    test::RunningProgram program;
    TMainForm &form = program.start();

    const auto typeLine = [&form] {
        form.ui.SendEdit->setEditText(QStringLiteral("SS"));
        form.ui.SendBtn->click();
    };
    if (terminalFirst)
        typeLine();
    form.ui.RepRateAdj->setValue(20);
    if (!terminalFirst)
        typeLine();
    QVERIFY(program.tasksDone());

    QTEST(program.laser.transcript(), "wire");
}

// A line typed while a refresh loads is dropped, and leaves nothing behind: the next parameter
// change still goes out behind its address.
void OperatorCommandsTest::terminalLineDuringALoadLeavesTheNextCommandItsAddress()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    program.laser.clearTranscript();

    const QByteArray answering = test::queryLine("DC:MAX");
    program.laser.setReplyDelay(50ms);
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!program.laser.transcript().contains(answering))
            return;
        watch.stop();
        form.ui.SendEdit->setEditText(QStringLiteral("SS"));
        form.ui.SendBtn->click();
        program.laser.setReplyDelay(0ms);
    });
    watch.start();
    form.ui.Up1->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !watch.isActive(); }, 20000));
    QVERIFY(program.tasksDone());
    form.laserProgram().tasks().pausePolling();
    form.ui.RepRateAdj->setValue(20);
    QVERIFY(program.tasksDone());

    const Lines commands = commandsIn(program.laser.transcript());
    QVERIFY(!commands.contains("SS"));
    QCOMPARE(commands.last(), QByteArray(";LA:RR 20.0"));
}

void OperatorCommandsTest::terminalSetterTheLaserTookShowsInItsControl_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("control");
    QTest::addColumn<double>("shown");
    QTest::addColumn<QByteArray>("reply"); // empty: the simulated laser's own

    QTest::newRow("diode current") << QStringLiteral("DC 50") << QStringLiteral("DiodeCurrentAdj") << 50.0 << QByteArray();
    QTest::newRow("repetition rate with the laser's address")
        << QStringLiteral(";LA:RR 20") << QStringLiteral("RepRateAdj") << 20.0 << QByteArray();
    QTest::newRow("burst count in lower case") << QStringLiteral("bc 7") << QStringLiteral("BurstCountAdj") << 7.0 << QByteArray();
    QTest::newRow("a value beyond the limit, as the laser clamps it")
        << QStringLiteral("DC 500") << QStringLiteral("DiodeCurrentAdj") << 120.0 << QByteArray();
    QTest::newRow("check box") << QStringLiteral("QE 0") << QStringLiteral("QSwitchEnableBtn") << 0.0 << QByteArray();
    QTest::newRow("drop-down") << QStringLiteral("SY 2") << QStringLiteral("SyncSettingsSel") << 2.0 << QByteArray();
    // Every other spin edit and check box, whose program-written value would otherwise run its handler.
    QTest::newRow("pulse width") << QStringLiteral("DW 0.0002") << QStringLiteral("DiodePulseWidthAdj") << 0.0002
                                 << QByteArray();
    QTest::newRow("q-switch delay") << QStringLiteral("QD 0.0003") << QStringLiteral("QSWDelayAdj") << 0.0003
                                    << QByteArray();
    QTest::newRow("wait count") << QStringLiteral("QW 9") << QStringLiteral("QSWWaitCountAdj") << 9.0 << QByteArray();
    QTest::newRow("divide by n") << QStringLiteral("DN 4") << QStringLiteral("DivideByNAdj") << 4.0 << QByteArray();
    QTest::newRow("divide by n enable") << QStringLiteral("DE 1") << QStringLiteral("DivideByNEnable") << 1.0
                                        << QByteArray();
    QTest::newRow("no number") << QStringLiteral("DC x") << QStringLiteral("DiodeCurrentAdj") << 40.0 << QByteArray();
    QTest::newRow("refused by the laser")
        << QStringLiteral("DC 50") << QStringLiteral("DiodeCurrentAdj") << 40.0 << QByteArray("ERR 3");
    QTest::newRow("unknown to the laser")
        << QStringLiteral("DC 50") << QStringLiteral("DiodeCurrentAdj") << 40.0 << QByteArray("?");
}

// The operator's handler does not run for it: nothing goes back to the laser, which already has
// the value.
void OperatorCommandsTest::terminalSetterTheLaserTookShowsInItsControl()
{
    QFETCH(QString, line);
    QFETCH(QString, control);
    QFETCH(QByteArray, reply);
    test::RunningProgram program;
    TMainForm &form = program.start();
    QCOMPARE(form.ui.DiodeCurrentAdj->Value(), 40.0);
    if (!reply.isEmpty())
        program.laser.setReplyOverride(line.toLatin1(), reply);

    typeAndEnter(form, line);
    QVERIFY(program.tasksDone());

    auto *widget = form.findChild<QWidget *>(control);
    QVERIFY(widget);
    double shown = -1;
    if (auto *spin = qobject_cast<TPlusSpinEdit *>(widget))
        shown = spin->Value();
    else if (auto *box = qobject_cast<QAbstractButton *>(widget))
        shown = box->isChecked() ? 1 : 0;
    else if (auto *list = qobject_cast<QComboBox *>(widget))
        shown = list->currentIndex();
    QTEST(shown, "shown");
    if (control == QLatin1String("DiodeCurrentAdj"))
        QCOMPARE(program.state().diodeCurrent, shown);
    QCOMPARE(program.laser.transcript(), Lines{line.toLatin1()});
    QCOMPARE(program.form().laserProgram().tasks().queuedLines(), 0);
}

void OperatorCommandsTest::terminalHistoryKeepsDuplicatesAndEmptyEntries()
{
    test::RunningProgram program;
    TMainForm &form = program.start();

    typeAndEnter(form, QStringLiteral("SS"));
    typeAndEnter(form, QStringLiteral("SS"));
    typeAndEnter(form, QString());
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{"SS", "SS", ""}));
    QCOMPARE(historyOf(form.ui.SendEdit), (QStringList{"SS", "SS", ""}));
}

void OperatorCommandsTest::sentTextIsSelectedSoTypingReplacesIt()
{
    test::RunningProgram program;
    TMainForm &form = program.start();

    typeAndEnter(form, QStringLiteral("RR?"));
    QCOMPARE(form.ui.SendEdit->lineEdit()->selectedText(), QStringLiteral("RR?"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("SS?"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{"RR?", "SS?"}));
}

void OperatorCommandsTest::upAndDownWalkTheTerminalHistory_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("shown");
    const int up = Qt::Key_Up;
    const int down = Qt::Key_Down;
    QTest::newRow("Up recalls the newest") << QList<int>{up} << "BC?";
    QTest::newRow("Up twice the one before") << QList<int>{up, up} << "SS?";
    QTest::newRow("the oldest stays") << QList<int>{up, up, up, up} << "RR?";
    QTest::newRow("Down the newer again") << QList<int>{up, up, down} << "BC?";
    QTest::newRow("Down past the newest gives back the typed text") << QList<int>{up, down} << "DC";
    QTest::newRow("Down alone changes nothing") << QList<int>{down} << "DC";
}

void OperatorCommandsTest::upAndDownWalkTheTerminalHistory()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, shown);
    test::RunningProgram program;
    TMainForm &form = program.start();
    for (const char *text : {"RR?", "SS?", "BC?"})
        typeAndEnter(form, QString::fromLatin1(text));
    QWidget *field = QApplication::focusWidget();
    QTest::keyClicks(field, QStringLiteral("DC"));

    for (int key : keys)
        QTest::keyClick(field, Qt::Key(key));

    QCOMPARE(form.ui.SendEdit->currentText(), shown);
    QCOMPARE(historyOf(form.ui.SendEdit), (QStringList{"RR?", "SS?", "BC?"}));
}

void OperatorCommandsTest::ctrlBackspaceDeletesTheSelectedHistoryEntry_data()
{
    QTest::addColumn<int>("selected"); // -1: the operator picked none
    QTest::addColumn<QStringList>("history");
    QTest::newRow("second entry picked") << 1 << QStringList{"RR", "BC"};
    QTest::newRow("none picked") << -1 << QStringList{"RR", "SS", "BC"};
}

void OperatorCommandsTest::ctrlBackspaceDeletesTheSelectedHistoryEntry()
{
    QFETCH(int, selected);
    QFETCH(QStringList, history);
    test::RunningProgram program;
    TMainForm &form = program.start();
    for (const char *text : {"RR", "SS", "BC"})
        typeAndEnter(form, QString::fromLatin1(text));
    QVERIFY(program.tasksDone());

    if (selected >= 0)
        form.ui.SendEdit->setCurrentIndex(selected);
    QWidget *keys = clickIntoTerminal(form);
    QVERIFY(keys);
    QTest::keyClick(keys, Qt::Key_Backspace, Qt::ControlModifier);

    QCOMPARE(historyOf(form.ui.SendEdit), history);
    QCOMPARE(program.laser.transcript(), (Lines{"RR", "SS", "BC"}));
}

void OperatorCommandsTest::terminalRefusesALineWithControlCharacters_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::newRow("three commands on three lines") << QStringLiteral("SS\r\nEN 1\nFL 1");
    QTest::newRow("a carriage return") << QStringLiteral("FL 1\rFL 0");
    QTest::newRow("a tab") << QStringLiteral("RR\t20");
    QTest::newRow("an escape sequence") << QStringLiteral("\x1b[2JSS");
    QTest::newRow("a delete") << QStringLiteral("SS\x7f");
}

// Pasted text may hold line breaks; one entry is one line on the wire, or nothing.
void OperatorCommandsTest::terminalRefusesALineWithControlCharacters()
{
    QFETCH(QString, pasted);
    test::RunningProgram program;
    TMainForm &form = program.start();
    const qsizetype shownBefore = form.ResponseList->lines().size();

    QApplication::clipboard()->setText(pasted);
    QLineEdit *edit = form.ui.SendEdit->lineEdit();
    edit->clear();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), pasted);
    form.ui.SendBtn->click();
    QVERIFY(program.tasksDone());

    QVERIFY(program.laser.transcript().isEmpty());
    QVERIFY(historyOf(form.ui.SendEdit).isEmpty());
    const QStringList shown = form.ResponseList->lines();
    QCOMPARE(shown.mid(shownBefore), QStringList{QStringLiteral("Not sent: the line holds control characters")});
    QCOMPARE(form.ui.SendEdit->currentText(), pasted); // left to be mended
}

// On the way out the operator's queued edits are dropped: "FL 0" is the next line.
void OperatorCommandsTest::exitDropsQueuedCommandsAndStopsFiringNext()
{
    test::RunningProgram program;
    TMainForm &form = program.start();

    form.ui.RepRateAdj->setValue(20);
    form.ui.QSwitchEnableBtn->click();
    form.ui.Exit1->trigger();
    QTRY_VERIFY(form.hasEnded());

    QCOMPARE(program.laser.transcript(), (Lines{";LA:FL 0"}));
}

void OperatorCommandsTest::energyModeValueNotReadLeavesTheControlAsItWas()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    const double before = form.ui.DiodeCurrentAdj->Value();
    program.laser.setReplyOverride(";LA:DC?", "BUSY");

    choose(form.ui.EnergyModeSel, 1);
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{";LA:EM 1", ";LA:DC?"}));
    QCOMPARE(form.ui.DiodeCurrentAdj->Value(), before);
    QCOMPARE(program.state().diodeCurrent, before);
    QVERIFY(!form.communication().commandsInhibited());
}

void OperatorCommandsTest::longReplyIsCutInTheViewAndLoggedWhole()
{
    test::RunningProgram program;
    const QByteArray longReply = QByteArray(8000, 'A') + "END";
    program.laser.setReplyOverride("XX", longReply);
    TMainForm &form = program.start();
    form.ui.EnableLoggingMenu->trigger();

    typeAndEnter(form, QStringLiteral("XX"));
    QVERIFY(program.tasksDone());

    const QString shown = form.ResponseList->lines().last();
    QCOMPARE(shown.size(), TrafficView::ShownCharacters);
    QVERIFY(shown.contains(QStringLiteral(") AAAA")));
    QVERIFY(!shown.contains(QStringLiteral("END")));
    const QStringList logged = program.rig.fileLines(form.logFileName()).filter(QStringLiteral("Received("));
    QVERIFY(logged.last().endsWith(QStringLiteral("): ") + QString::fromLatin1(longReply)));
}

// However long the program runs, the view holds the latest lines only; a clear keeps that bound.
void OperatorCommandsTest::terminalViewKeepsItsLastLines()
{
    test::RunningProgram program;
    TMainForm &form = program.start();
    TrafficView &view = *form.ResponseList;
    for (int round = 0; round < 2; ++round) {
        view.clearTraffic();
        for (int line = 0; line < TrafficView::KeptLines + 3; ++line)
            view.appendTrafficLine(QStringLiteral("line %1").arg(line), TrafficDirection::Sent);
        const QStringList lines = view.lines();
        QCOMPARE(lines.size(), TrafficView::KeptLines);
        QCOMPARE(lines.first(), QStringLiteral("line 3"));
        QCOMPARE(lines.last(), QStringLiteral("line %1").arg(TrafficView::KeptLines + 2));
    }
}

QTEST_MAIN(OperatorCommandsTest)
#include "tst_operatorcommands.moc"
