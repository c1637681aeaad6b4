// The status poll end to end: what one update asks of the laser and in which order, where it stops,
// how it shows the replies, the faults it announces and the data rows it writes.

#include "labeledreadout.h"
#include "runningprogram.h"
#include "rzcomport.h"
#include "statusindicator.h"
#include "statusqueries.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <tuple>

using namespace tovra;
using test::laserOf;
using test::queryLine;
using test::statusQueries;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)
Q_DECLARE_METATYPE(tovra::Button)

namespace {

constexpr uint32_t DiodeTemperatureFault = 0x0080;
constexpr uint32_t ElectricalTemperatureFault = 0x0100;
constexpr uint32_t PowerFail = 0x0200;

const QString DiodeMessage = QStringLiteral("Temperature Fault - Diode");
const QString ElectricalTemperatureMessage = QStringLiteral("Temperature Fault - Electrical");
const QString PowerFailMessage = QStringLiteral("Electrical Fault");

QList<QByteArray> queryLines(const QList<QByteArray> &mnemonics)
{
    QList<QByteArray> lines;
    for (const QByteArray &mnemonic : mnemonics)
        lines.append(queryLine(mnemonic));
    return lines;
}

// The text of a read-out or a label of the main window, by object name.
QString shownText(TMainForm &form, const QString &objectName)
{
    QWidget *widget = form.findChild<QWidget *>(objectName);
    if (auto *readOut = qobject_cast<QLineEdit *>(widget))
        return readOut->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return QStringLiteral("<no %1>").arg(objectName);
}

// The data rows of the program's data file, without its two header lines.
QStringList dataRows(test::PolledProgram &program)
{
    return program.rig.fileLines(program.form.dataFileName()).mid(2);
}

// Lines of the communication log that are no traffic: the fault notes.
QStringList logNotes(test::PolledProgram &program)
{
    QStringList notes;
    for (const QString &line : program.rig.fileLines(program.form.logFileName()).mid(1)) {
        if (!line.startsWith(QLatin1String("Sent    (")) && !line.startsWith(QLatin1String("Received(")))
            notes.append(line);
    }
    return notes;
}

} // namespace

class StatusPollTest : public QObject
{
    Q_OBJECT
private slots:
    void updateAsksInTheOrderOfFamilyAndOptions_data();
    void updateAsksInTheOrderOfFamilyAndOptions();
    void closeRequestDuringAReplyEndsTheUpdateThere_data();
    void closeRequestDuringAReplyEndsTheUpdateThere();
    void setPointsAreReadOnEveryThirdUpdate();
    void updateEndedEarlyDoesNotCountTowardsTheSetPoints();
    void readOutsShowRepliesInTheirFormats_data();
    void readOutsShowRepliesInTheirFormats();
    void statusTilesShowSetBitsInRed_data();
    void statusTilesShowSetBitsInRed();
    void faultIsAnnouncedOncePerEpisode_data();
    void faultIsAnnouncedOncePerEpisode();
    void unreadableStatusWordChangesNoTileAndNoControl_data();
    void unreadableStatusWordChangesNoTileAndNoControl();
    void valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty_data();
    void valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty();
    void vanishedPortAsksToRestartAndAsksNothingMore_data();
    void vanishedPortAsksToRestartAndAsksNothingMore();
    void dataRowCarriesTheFieldsOfFamilyAndHeaters_data();
    void dataRowCarriesTheFieldsOfFamilyAndHeaters();
    void voltagesNotPolledKeepTheirReadOutsAndRepeatInTheDataRow();
};

void StatusPollTest::updateAsksInTheOrderOfFamilyAndOptions_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<bool>("voltages");
    QTest::addColumn<QList<QByteArray>>("queries");

    // Heaters 1 and 2 are only looked for on a laser without heater 0.
    for (const auto &[name, laser, voltages] : {
             std::tuple{"standard with three heaters", laserOf(sim::Family::Standard, {0, 1, 2}), true},
             std::tuple{"standard with heaters 1 and 2", laserOf(sim::Family::Standard, {1, 2}), true},
             std::tuple{"micro with heater 0", laserOf(sim::Family::Micro, {0}), true},
             std::tuple{"mini without heaters", laserOf(sim::Family::Mini), true},
             std::tuple{"voltage updates off", laserOf(sim::Family::Standard), false},
         })
        QTest::newRow(name) << laser << voltages << statusQueries(laser, voltages);
}

void StatusPollTest::updateAsksInTheOrderOfFamilyAndOptions()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(bool, voltages);
    QFETCH(QList<QByteArray>, queries);
    test::PolledProgram program(laser);
    program.form.ui.UpdateVoltagesEn->setChecked(voltages);

    program.poll();
    QCOMPARE(program.laser.transcript(), queryLines(queries));
}

void StatusPollTest::closeRequestDuringAReplyEndsTheUpdateThere_data()
{
    QTest::addColumn<QByteArray>("closedDuring");
    QTest::addColumn<QList<QByteArray>>("queries");

    const QList<QByteArray> all = statusQueries(laserOf(sim::Family::Standard, {0}));
    for (const char *query : {"SC", "UC", "AB:BSET", "AB:FSOU", "IM", "TB", "SS", "H0:TP"})
        QTest::newRow(query) << QByteArray(query) << all.mid(0, all.indexOf(query) + 1);
}

// The program then ends through the task timer: it stops the laser firing and exits.
void StatusPollTest::closeRequestDuringAReplyEndsTheUpdateThere()
{
    QFETCH(QByteArray, closedDuring);
    QFETCH(QList<QByteArray>, queries);
    test::PolledProgram program(laserOf(sim::Family::Standard, {0}), {QStringLiteral("-data")});

    program.pollRunningWhileAnswering(queryLine(closedDuring), [&] { program.form.Exit1Click(); });
    QTRY_VERIFY(program.form.hasEnded());
    QCOMPARE(program.laser.transcript(), queryLines(queries) + QList<QByteArray>{";LA:FL 0"});
    QCOMPARE(dataRows(program), QStringList());
}

void StatusPollTest::setPointsAreReadOnEveryThirdUpdate()
{
    test::PolledProgram program(laserOf(sim::Family::Standard, {0}));
    QList<int> updatesReadingSetPoints;
    for (int update = 1; update <= 9; ++update) {
        program.laser.clearTranscript();
        program.poll();
        if (program.laser.transcript().contains(queryLine("H0:SP")))
            updatesReadingSetPoints.append(update);
    }
    QCOMPARE(updatesReadingSetPoints, (QList<int>{3, 6, 9}));
    QCOMPARE(program.form.ui.Heater1Targetlbl->text(), QStringLiteral("Heater 0 Target:  25.00 C"));
}

void StatusPollTest::updateEndedEarlyDoesNotCountTowardsTheSetPoints()
{
    test::PolledProgram program(laserOf(sim::Family::Standard, {0}));
    program.poll();
    program.poll();
    program.laser.clearTranscript();
    // The exchange is told of a close request as the scheduler would tell it.
    bool closing = false;
    Communication &exchange = program.form.communication();
    exchange.setExitCheck([&closing] { return closing; });
    program.pollRunningWhileAnswering(queryLine("SS"), [&] { closing = true; });
    QVERIFY(!program.laser.transcript().contains(queryLine("H0:TP")));

    // The close request is taken back before the task timer acts on it, to see what the next
    // update asks.
    closing = false;
    program.laser.clearTranscript();
    program.poll();
    QVERIFY(program.laser.transcript().contains(queryLine("H0:SP")));
    exchange.setExitCheck([&program] { return program.form.laserProgram().tasks().exitRequested(); });
}

void StatusPollTest::readOutsShowRepliesInTheirFormats_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("readOut");
    QTest::addColumn<QString>("text");

    const sim::LaserConfig standard = laserOf(sim::Family::Standard, {0});
    const sim::LaserConfig micro = laserOf(sim::Family::Micro, {0});
    QTest::newRow("shot count") << standard << QByteArray("SC") << QByteArray("1234") << "ShotCountlbl"
                                << "Shot Count:       1234";
    QTest::newRow("shot count beyond 32 bits") << standard << QByteArray("SC") << QByteArray("5000000123")
                                               << "ShotCountlbl" << "Shot Count: 5000000123";
    QTest::newRow("user count fills ten places")
        << standard << QByteArray("UC") << QByteArray("4294967295") << "UserCountlbl" << "User Count: 4294967295";
    QTest::newRow("bank voltage") << standard << QByteArray("BV") << QByteArray("345.67") << "BankVoltagelbl"
                                  << "345.70 V";
    QTest::newRow("FET source voltage") << standard << QByteArray("AB:FSOU") << QByteArray("3.14159")
                                        << "FETVSourcelbl" << "3.14 V";
    QTest::newRow("FET temperature") << standard << QByteArray("FT") << QByteArray("5") << "FETTemplbl" << "5.00 C";
    QTest::newRow("measured current") << standard << QByteArray("IM") << QByteArray("7.5") << "DiodeCurrentlbl"
                                      << "7.50 A";
    QTest::newRow("target current is the set point")
        << standard << QByteArray("IM") << QByteArray("7.5") << "TargetCurrentlbl" << "40.00 A";
    QTest::newRow("diode temperature") << standard << QByteArray("TB") << QByteArray("123.456") << "ResTempBlbl"
                                       << "123.50 C";
    QTest::newRow("micro diode temperature")
        << micro << QByteArray("TR") << QByteArray("25.456") << "ResTempAlbl" << "25.46 C";
    QTest::newRow("heater 0 temperature")
        << micro << QByteArray("H0:TP") << QByteArray("30.5") << "Heater1Templbl" << "Heater 0 Temp:   30.50 C";
    QTest::newRow("status word") << standard << QByteArray("SS") << QByteArray("2049") << "SystemStatuslbl"
                                 << "Status: 2049";
}

void StatusPollTest::readOutsShowRepliesInTheirFormats()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);
    QFETCH(QString, readOut);
    test::PolledProgram program(laser);
    program.laser.setReplyOverride(queryLine(query), reply);

    program.poll();
    QTEST(shownText(program.form, readOut), "text");
}

void StatusPollTest::statusTilesShowSetBitsInRed_data()
{
    QTest::addColumn<int32_t>("word");
    QTest::newRow("nothing") << int32_t(0);
    QTest::newRow("every tile") << int32_t(0x3FFF);
    QTest::newRow("odd bits") << int32_t(0x2AAA);
    QTest::newRow("even bits") << int32_t(0x1555);
    QTest::newRow("bits without a tile") << int32_t(0xFFFFC000);
}

void StatusPollTest::statusTilesShowSetBitsInRed()
{
    QFETCH(int32_t, word);
    test::PolledProgram program;
    program.reportStatus(word);

    program.poll();
    QCOMPARE(program.form.ui.SystemStatuslbl->text(), QStringLiteral("Status: ") + QString::number(word));
    for (int bit = 0; bit < 14; ++bit) {
        const QColor expected = (uint32_t(word) >> bit) & 1 ? QColor(255, 0, 0) : QColor(255, 255, 255);
        QCOMPARE(program.form.ui.StatusInd[size_t(bit)]->fillColour(), expected);
    }
}

void StatusPollTest::faultIsAnnouncedOncePerEpisode_data()
{
    QTest::addColumn<QList<uint32_t>>("faultsPerUpdate");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("notes");

    const QString temperatureNote = QStringLiteral("Temperature Fault");
    const QString electricalNote = QStringLiteral("Electrical Fault");
    QTest::newRow("lasting fault")
        << QList<uint32_t>{DiodeTemperatureFault, DiodeTemperatureFault, DiodeTemperatureFault}
        << QStringList{DiodeMessage} << QStringList{temperatureNote};
    QTest::newRow("fault that clears and returns")
        << QList<uint32_t>{DiodeTemperatureFault, 0, DiodeTemperatureFault} << QStringList{DiodeMessage, DiodeMessage}
        << QStringList{temperatureNote, temperatureNote};
    QTest::newRow("move from diode to electronics temperature")
        << QList<uint32_t>{DiodeTemperatureFault, ElectricalTemperatureFault} << QStringList{DiodeMessage}
        << QStringList{temperatureNote};
    QTest::newRow("both temperature bits name the diode")
        << QList<uint32_t>{DiodeTemperatureFault | ElectricalTemperatureFault} << QStringList{DiodeMessage}
        << QStringList{temperatureNote};
    QTest::newRow("electronics temperature")
        << QList<uint32_t>{ElectricalTemperatureFault} << QStringList{ElectricalTemperatureMessage}
        << QStringList{temperatureNote};
    QTest::newRow("power fail that clears and returns")
        << QList<uint32_t>{PowerFail, PowerFail, 0, PowerFail} << QStringList{PowerFailMessage, PowerFailMessage}
        << QStringList{electricalNote, electricalNote};
    QTest::newRow("temperature fault and power fail together")
        << QList<uint32_t>{DiodeTemperatureFault | PowerFail} << QStringList{DiodeMessage, PowerFailMessage}
        << QStringList{temperatureNote, electricalNote};
}

void StatusPollTest::faultIsAnnouncedOncePerEpisode()
{
    QFETCH(QList<uint32_t>, faultsPerUpdate);
    QFETCH(QStringList, notes);
    test::PolledProgram program({}, {QStringLiteral("/log")});

    for (uint32_t faults : faultsPerUpdate) {
        program.laser.clearStatusBits(DiodeTemperatureFault | ElectricalTemperatureFault | PowerFail);
        program.laser.raiseStatusBits(faults);
        program.poll();
    }
    QTEST(program.rig.desktop.texts(), "messages");
    QCOMPARE(logNotes(program), notes);
}

void StatusPollTest::unreadableStatusWordChangesNoTileAndNoControl_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("word") << QByteArray("BUSY");
    QTest::newRow("unprintable") << QByteArray("\x01\xfe\x7f");
    QTest::newRow("beyond 32 bits") << QByteArray("4294967297");
}

// The laser fires on; a status word of 0 would show it stopped and drop the enable box.
void StatusPollTest::unreadableStatusWordChangesNoTileAndNoControl()
{
    QFETCH(QByteArray, reply);
    test::PolledProgram program;
    QVERIFY(program.startFiring());
    const int32_t word = program.state().statusWord;
    QList<QColor> tiles;
    for (StatusIndicator *tile : program.form.ui.StatusInd)
        tiles.append(tile->fillColour());
    program.laser.setReplyOverride(queryLine("SS"), reply);
    program.laser.clearTranscript();

    program.poll();
    QVERIFY(program.tasksDone());
    QCOMPARE(program.form.ui.SystemStatuslbl->text(), QStringLiteral("Status: unknown"));
    QCOMPARE(program.state().statusWord, word);
    QVERIFY(program.state().firing);
    for (size_t bit = 0; bit < program.form.ui.StatusInd.size(); ++bit)
        QCOMPARE(program.form.ui.StatusInd[bit]->fillColour(), tiles[qsizetype(bit)]);
    QVERIFY(program.form.ui.LaserEnableBtn->isChecked());
    QCOMPARE(program.form.ui.FireStopbtn->text(), QStringLiteral("Stop"));
    QVERIFY(program.form.ui.FireStopbtn->isEnabled());
    QVERIFY(!program.laser.transcript().contains(";LA:EN 0"));

    // The next word that is read rules again.
    program.laser.clearReplyOverrides();
    program.poll();
    QCOMPARE(program.form.ui.SystemStatuslbl->text(),
             QStringLiteral("Status: ") + QString::number(program.laser.statusWord()));
}

void StatusPollTest::valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("readOut");
    QTest::addColumn<int>("column"); // in the data row, 0 being the time; -1: not recorded

    QTest::newRow("shot count answering a word") << QByteArray("SC") << QByteArray("BUSY") << "ShotCountlbl" << -1;
    QTest::newRow("negative user count") << QByteArray("UC") << QByteArray("-5") << "UserCountlbl" << -1;
    QTest::newRow("bank voltage answering nothing") << QByteArray("BV") << QByteArray() << "BankVoltagelbl" << 1;
    QTest::newRow("FET temperature of fourteen digits")
        << QByteArray("FT") << QByteArray("-12345678901234") << "FETTemplbl" << 3;
    QTest::newRow("measured current beyond any limit") << QByteArray("IM") << QByteArray("1e300") << "DiodeCurrentlbl"
                                                       << 4;
    QTest::newRow("diode temperature unknown") << QByteArray("TB") << QByteArray("?") << "ResTempBlbl" << 6;
    QTest::newRow("heater temperature unprintable")
        << QByteArray("H0:TP") << QByteArray("\xfe\xff") << "Heater1Templbl" << 7;
}

void StatusPollTest::valueNotReadKeepsItsReadOutAndLeavesItsColumnEmpty()
{
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);
    QFETCH(QString, readOut);
    QFETCH(int, column);
    test::PolledProgram program(laserOf(sim::Family::Standard, {0}), {QStringLiteral("/data")});
    program.laser.setReplyOverride(queryLine(query), "7");
    program.poll();
    const QString shownBefore = shownText(program.form, readOut);

    program.laser.setReplyOverride(queryLine(query), reply);
    program.poll();
    QCOMPARE(shownText(program.form, readOut), shownBefore);
    const QStringList rows = dataRows(program);
    QCOMPARE(rows.size(), 2);
    const QStringList before = rows[0].split(QLatin1Char(','));
    const QStringList after = rows[1].split(QLatin1Char(','));
    QCOMPARE(before.size(), 8);
    QCOMPARE(after.size(), before.size());
    for (int field = 1; field < after.size(); ++field)
        QCOMPARE(after[field].isEmpty(), field == column);
}

void StatusPollTest::vanishedPortAsksToRestartAndAsksNothingMore_data()
{
    QTest::addColumn<Button>("answer");
    QTest::addColumn<int>("newInstances");
    QTest::newRow("Yes restarts") << Button::Yes << 1;
    QTest::newRow("No exits") << Button::No << 0;
}

void StatusPollTest::vanishedPortAsksToRestartAndAsksNothingMore()
{
    QFETCH(Button, answer);
    test::PolledProgram program({}, {QStringLiteral("/data")});
    program.rig.desktop.warningAnswers = {answer};
    program.laser.vanish();

    program.poll();
    QVERIFY(program.form.hasEnded());
    QTEST(program.rig.desktop.newInstances, "newInstances");
    QCOMPARE(program.rig.desktop.texts(), QStringList{QStringLiteral("Port no longer available, restart?")});
    QVERIFY(program.laser.transcript().isEmpty());
    QVERIFY(!program.form.laserProgram().port().Opened());
    QCOMPARE(dataRows(program), QStringList());
}

void StatusPollTest::dataRowCarriesTheFieldsOfFamilyAndHeaters_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<QList<int>>("heaters");
    QTest::addColumn<QString>("fields");

    // Not enabled, the laser reports bank and FET voltages and the measured current as 0.
    QTest::newRow("micro with heater 0 writes seven fields")
        << laserOf(sim::Family::Micro, {0}) << QList<int>{0} << "0,0,28.5,0,25.3,30.5";
    QTest::newRow("mini without heaters") << laserOf(sim::Family::Mini) << QList<int>{} << "0,0,28.5,0,25.3";
    QTest::newRow("standard with heaters 1 and 2 writes nine fields")
        << laserOf(sim::Family::Standard, {1, 2}) << QList<int>{1, 2} << "0,0,28.5,0,25,24.5,31.25,32.75";
    QTest::newRow("standard with heaters 0 and 2 carries heater 0 only")
        << laserOf(sim::Family::Standard, {0, 2}) << QList<int>{0, 2} << "0,0,28.5,0,25,24.5,30.5";
    QTest::newRow("standard without heaters") << laserOf(sim::Family::Standard) << QList<int>{} << "0,0,28.5,0,25,24.5";
}

void StatusPollTest::dataRowCarriesTheFieldsOfFamilyAndHeaters()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(QList<int>, heaters);
    test::PolledProgram program(laser, {QStringLiteral("/data")});
    // The load looks for heaters 1 and 2 only without heater 0; flags left by an earlier load can
    // still come together with it.
    program.state().hasHeater0 = heaters.contains(0);
    program.state().hasHeater1 = heaters.contains(1);
    program.state().hasHeater2 = heaters.contains(2);
    program.laser.setReplyOverride(queryLine("H0:TP"), "30.5");
    program.laser.setReplyOverride(queryLine("H1:TP"), "31.25");
    program.laser.setReplyOverride(queryLine("H2:TP"), "32.75");

    program.poll();
    const QStringList rows = dataRows(program);
    QCOMPARE(rows.size(), 1);
    QVERIFY(!rows.first().section(QLatin1Char(','), 0, 0).isEmpty());
    QTEST(rows.first().section(QLatin1Char(','), 1), "fields");
}

void StatusPollTest::voltagesNotPolledKeepTheirReadOutsAndRepeatInTheDataRow()
{
    test::PolledProgram program({}, {QStringLiteral("/data")});
    program.laser.setReplyOverride(queryLine("BV"), "12.34");
    program.laser.setReplyOverride(queryLine("FV"), "5.5");
    program.poll();

    program.form.ui.UpdateVoltagesEn->setChecked(false);
    program.laser.setReplyOverride(queryLine("BV"), "99");
    program.laser.setReplyOverride(queryLine("FV"), "99");
    program.poll();

    QCOMPARE(program.form.ui.BankVoltagelbl->text(), QStringLiteral("12.34 V"));
    QCOMPARE(program.form.ui.FETVoltagelbl->text(), QStringLiteral("5.50 V"));
    const QStringList rows = dataRows(program);
    QCOMPARE(rows.size(), 2);
    for (const QString &row : rows)
        QCOMPARE(row.section(QLatin1Char(','), 1, 2), QStringLiteral("12.34,5.5"));
}

QTEST_MAIN(StatusPollTest)
#include "tst_statuspoll.moc"
