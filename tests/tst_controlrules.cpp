#include "commandqueue.h"
#include "displayformat.h"
#include "laserstate.h"
#include "recordformat.h"
#include "scriptline.h"
#include "startswitches.h"

#include <QTest>

using namespace tovra;

class ControlRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void switchesCountOnlyAsWholeArgumentsAfterDashOrSlash_data();
    void switchesCountOnlyAsWholeArgumentsAfterDashOrSlash();
    void numbersAreWrittenInGeneralFormat_data();
    void numbersAreWrittenInGeneralFormat();
    void dataRowFieldsFollowFamilyAndHeaters_data();
    void dataRowFieldsFollowFamilyAndHeaters();
    void fileNamesCarryUserAndStartStamp();
    void everyPathKnowsAStopAndAFiringLineWhateverItsForm_data();
    void everyPathKnowsAStopAndAFiringLineWhateverItsForm();
    void fullQueueKeepsTheLatestCommands_data();
    void fullQueueKeepsTheLatestCommands();
    void readOutsShowFourSignificantDigitsWithTwoDecimals_data();
    void readOutsShowFourSignificantDigitsWithTwoDecimals();
    void commandArgumentsFollowTheirPatterns_data();
    void commandArgumentsFollowTheirPatterns();
    void countersAreRightAlignedInTenCharacters();
    void countsAreGroupedInThrees_data();
    void countsAreGroupedInThrees();
    void recordTimesAndDatesAreEightBitTextInEveryLocale_data();
    void recordTimesAndDatesAreEightBitTextInEveryLocale();
};

void ControlRulesTest::switchesCountOnlyAsWholeArgumentsAfterDashOrSlash_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("data");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<bool>("pickPort");

    QTest::newRow("none") << QStringList{} << false << false << false << false;
    QTest::newRow("/LOG") << QStringList{"/LOG"} << true << false << false << false;
    QTest::newRow("-Log") << QStringList{"-Log"} << true << false << false << false;
    QTest::newRow("--log") << QStringList{"--log"} << false << false << false << false;
    QTest::newRow("log without lead") << QStringList{"log"} << false << false << false << false;
    QTest::newRow("-logx") << QStringList{"-logx"} << false << false << false << false;
    QTest::newRow("/data and -DEMO") << QStringList{"/data", "-DEMO"} << false << true << true << false;
    QTest::newRow("/PickPort") << QStringList{"/PickPort"} << false << false << false << true;
}

void ControlRulesTest::switchesCountOnlyAsWholeArgumentsAfterDashOrSlash()
{
    QFETCH(QStringList, arguments);
    const StartSwitches switches = StartSwitches::fromArguments(arguments);
    QTEST(switches.log, "log");
    QTEST(switches.data, "data");
    QTEST(switches.demo, "demo");
    QTEST(switches.pickPort, "pickPort");
}

void ControlRulesTest::numbersAreWrittenInGeneralFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("integer") << 24.0 << "24";
    QTest::newRow("fraction") << 12.5 << "12.5";
    QTest::newRow("negative") << -3.25 << "-3.25";
    QTest::newRow("fifteen digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("smallest fixed") << 0.00001 << "0.00001";
    QTest::newRow("below fixed range") << 0.0000015 << "1.5E-6";
    QTest::newRow("fifteen integer digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("sixteen integer digits") << 1e15 << "1E15";
    QTest::newRow("large with fraction") << 2.5e20 << "2.5E20";
}

void ControlRulesTest::numbersAreWrittenInGeneralFormat()
{
    QFETCH(double, value);
    QTEST(formatGeneral(value), "text");
}

void ControlRulesTest::dataRowFieldsFollowFamilyAndHeaters_data()
{
    QTest::addColumn<bool>("small");
    QTest::addColumn<int>("heaters"); // bit n: heater n fitted
    QTest::addColumn<QString>("fields");

    // Values: bank 1, FET 2, FET temp 3, current 4, TR 5, TA 6, TB 7, heaters 10, 11, 12.
    QTest::newRow("micro or mini with heater 0") << true << 1 << "1,2,3,4,5,10";
    QTest::newRow("micro or mini with heater 2 only") << true << 4 << "1,2,3,4,5,10";
    QTest::newRow("micro or mini without heaters") << true << 0 << "1,2,3,4,5";
    QTest::newRow("full-size with heater 0") << false << 1 << "1,2,3,4,6,7,10";
    QTest::newRow("full-size with heaters 0 and 2") << false << 5 << "1,2,3,4,6,7,10";
    QTest::newRow("full-size with heaters 1 and 2") << false << 6 << "1,2,3,4,6,7,11,12";
    QTest::newRow("full-size with heater 2 only") << false << 4 << "1,2,3,4,6,7,11,12";
    QTest::newRow("full-size with heater 1 only") << false << 2 << "1,2,3,4,6,7,11";
    QTest::newRow("full-size without heaters") << false << 0 << "1,2,3,4,6,7";
}

void ControlRulesTest::dataRowFieldsFollowFamilyAndHeaters()
{
    QFETCH(bool, small);
    QFETCH(int, heaters);
    LaserState state;
    state.isMiniModel = small;
    state.hasHeater0 = heaters & 1;
    state.hasHeater1 = heaters & 2;
    state.hasHeater2 = heaters & 4;
    state.bankVoltage = 1;
    state.fetVoltage = 2;
    state.fetTemperature = 3;
    state.diodeCurrentMeasured = 4;
    state.resonatorTemp = 5;
    state.resonatorTempA = 6;
    state.resonatorTempB = 7;
    state.heater0Temp = 10;
    state.heater1Temp = 11;
    state.heater2Temp = 12;
    QTEST(dataRowValues(state).join(QLatin1Char(',')), "fields");
}

void ControlRulesTest::fileNamesCarryUserAndStartStamp()
{
    RunStamp run;
    run.startStamp = QStringLiteral("12-10-26_05-17-00");
    QCOMPARE(logFileNameFor(run), QStringLiteral("TovraLogFile__12-10-26_05-17-00.txt"));
    run.userName = QStringLiteral("ops");
    QCOMPARE(dataFileNameFor(run), QStringLiteral("TovraDataFile_ops_12-10-26_05-17-00.txt"));
}

Q_DECLARE_METATYPE(tovra::LineKind)

void ControlRulesTest::everyPathKnowsAStopAndAFiringLineWhateverItsForm_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<LineKind>("kind");
    const LineKind stop = LineKind::Stop;
    const LineKind firing = LineKind::FiringOrEnabling;
    const LineKind other = LineKind::Other;
    QTest::newRow("FL 1") << "FL 1" << firing;
    QTest::newRow("fl 1") << "fl 1" << firing;
    QTest::newRow("Fl 1") << "Fl 1" << firing;
    QTest::newRow(" FL 1") << " FL 1" << firing;
    QTest::newRow(";LA:FL 1") << ";LA:FL 1" << firing;
    QTest::newRow(";LC:FL 1") << ";LC:FL 1" << firing;
    QTest::newRow(";lc:fl 1") << ";lc:fl 1" << firing;
    QTest::newRow("FL 01") << "FL 01" << firing;
    QTest::newRow("FL  1 (two blanks)") << "FL  1" << firing;
    QTest::newRow("FL 1 with trailing blanks") << "FL 1  " << firing;
    QTest::newRow("EN 1") << "EN 1" << firing;
    QTest::newRow("en 1") << "en 1" << firing;
    QTest::newRow(";LA:EN 1") << ";LA:EN 1" << firing;
    QTest::newRow("unreadable argument counts as firing") << "FL x" << firing;
    QTest::newRow("FL 0") << "FL 0" << stop;
    QTest::newRow("fl 0") << "fl 0" << stop;
    QTest::newRow(" FL 0") << " FL 0" << stop;
    QTest::newRow(";LC:FL 0") << ";LC:FL 0" << stop;
    QTest::newRow(";LA:fl 0") << ";LA:fl 0" << stop;
    QTest::newRow("FL 00") << "FL 00" << stop;
    QTest::newRow("FL 0.0") << "FL 0.0" << stop;
    QTest::newRow("EN 0") << "EN 0" << stop;
    QTest::newRow("en 0") << "en 0" << stop;
    QTest::newRow(";LC:EN 0") << ";LC:EN 0" << stop;
    QTest::newRow("FL? (a query)") << "FL?" << other;
    QTest::newRow("fl? (a query)") << "fl?" << other;
    QTest::newRow("EN bare (a query)") << "EN" << other;
    QTest::newRow("RR 1") << "RR 1" << other;
    QTest::newRow("FLX 1") << "FLX 1" << other;
    QTest::newRow(";LC:SL 406") << ";LC:SL 406" << other;
}

void ControlRulesTest::everyPathKnowsAStopAndAFiringLineWhateverItsForm()
{
    QFETCH(QString, line);
    QTEST(classifyLine(line), "kind");
}

void ControlRulesTest::fullQueueKeepsTheLatestCommands_data()
{
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QString>("incoming");
    QTest::addColumn<QString>("dropped");

    QStringList distinct;
    for (int i = 0; i < CommandQueue::Slots; ++i)
        distinct << QStringLiteral("X%1 1").arg(i);

    QStringList withRepRate = distinct;
    withRepRate[40] = QStringLiteral("RR 10.0");
    QTest::newRow("superseded setting makes room") << withRepRate << "RR 12.0" << "RR 10.0";

    QStringList withRepeats = distinct;
    withRepeats[10] = QStringLiteral("DC 01.00");
    withRepeats[60] = QStringLiteral("DC 02.00");
    QTest::newRow("older of a repeated setting makes room") << withRepeats << "FL 0" << "DC 01.00";

    QTest::newRow("oldest makes room otherwise") << distinct << "FL 0" << "X0 1";
}

void ControlRulesTest::fullQueueKeepsTheLatestCommands()
{
    QFETCH(QStringList, queued);
    QFETCH(QString, incoming);
    QFETCH(QString, dropped);
    CommandQueue queue;
    for (const QString &command : queued)
        queue.append(OutgoingLine::command(command));
    queue.append(OutgoingLine::command(incoming));

    QCOMPARE(queue.waitingCount(), CommandQueue::Slots);
    QStringList batch;
    for (const OutgoingLine &line : queue.takeBatch())
        batch << line.text;
    QStringList expected = queued;
    expected.removeOne(dropped);
    expected << incoming;
    QCOMPARE(batch, expected);
    QCOMPARE(queue.waitingCount(), 0);
    QVERIFY(!queue.hasWaiting());
}

void ControlRulesTest::readOutsShowFourSignificantDigitsWithTwoDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("345.67") << 345.67 << "345.70";
    QTest::newRow("3.14159") << 3.14159 << "3.14";
    QTest::newRow("5") << 5.0 << "5.00";
    QTest::newRow("25.456") << 25.456 << "25.46";
    QTest::newRow("123.456") << 123.456 << "123.50";
    QTest::newRow("negative") << -12.345 << "-12.35";
    QTest::newRow("four integer digits") << 9999.4 << "9999.00";
    QTest::newRow("five integer digits") << 12345.6 << "1.235E+04";
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("tiny negative") << -0.001 << "0.00";
}

void ControlRulesTest::readOutsShowFourSignificantDigitsWithTwoDecimals()
{
    QFETCH(double, value);
    QTEST(twoDecimalText(value), "text");
}

void ControlRulesTest::commandArgumentsFollowTheirPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.0 of 10") << "0.0" << 10.0 << "10.0";
    QTest::newRow("0.0 of 12.34") << "0.0" << 12.34 << "12.3";
    QTest::newRow("0.0 of 20") << "0.0" << 20.0 << "20.0";
    QTest::newRow("00.00 of 5.5") << "00.00" << 5.5 << "05.50";
    QTest::newRow("00.00 of 7.5") << "00.00" << 7.5 << "07.50";
    QTest::newRow("00.00 of 125.3") << "00.00" << 125.3 << "125.30";
    QTest::newRow("0.0000000 of 0.000001") << "0.0000000" << 0.000001 << "0.0000010";
    QTest::newRow("0.0000000 of 0.00012") << "0.0000000" << 0.00012 << "0.0001200";
    QTest::newRow("0.0000000 of 150") << "0.0000000" << 150.0 << "150.0000000";
    QTest::newRow("integer of 12") << "integer" << 12.0 << "12";
    QTest::newRow("integer ties to even 2.5") << "integer" << 2.5 << "2";
    QTest::newRow("integer ties to even 3.5") << "integer" << 3.5 << "4";
}

void ControlRulesTest::commandArgumentsFollowTheirPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QString text;
    if (pattern == QLatin1String("0.0"))
        text = oneDecimalArgument(value);
    else if (pattern == QLatin1String("00.00"))
        text = twoDecimalArgument(value);
    else if (pattern == QLatin1String("0.0000000"))
        text = sevenDecimalArgument(value);
    else
        text = integerArgument(value);
    QTEST(text, "text");
}

void ControlRulesTest::countersAreRightAlignedInTenCharacters()
{
    QCOMPARE(counterText(42), QStringLiteral("        42"));
    QCOMPARE(counterText(4294967295u), QStringLiteral("4294967295"));
    QCOMPARE(counterText(5000000123u), QStringLiteral("5000000123"));
    QCOMPARE(counterText(123456789012u), QStringLiteral("123456789012"));
}

void ControlRulesTest::countsAreGroupedInThrees_data()
{
    QTest::addColumn<quint64>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << quint64(0) << QStringLiteral("0");
    QTest::newRow("three digits") << quint64(999) << QStringLiteral("999");
    QTest::newRow("four digits") << quint64(1000) << QStringLiteral("1,000");
    QTest::newRow("beyond 32 bits") << quint64(5000000123) << QStringLiteral("5,000,000,123");
    QTest::newRow("largest") << quint64(18446744073709551615u) << QStringLiteral("18,446,744,073,709,551,615");
}

void ControlRulesTest::countsAreGroupedInThrees()
{
    QFETCH(quint64, count);
    QTEST(groupedCountText(count), "text");
}

// Locales whose digits are not Latin, and two whose are, for comparison.
void ControlRulesTest::recordTimesAndDatesAreEightBitTextInEveryLocale_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *name : {"ar_EG", "fa_IR", "mr_IN", "en_US", "de_DE"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void ControlRulesTest::recordTimesAndDatesAreEightBitTextInEveryLocale()
{
    QFETCH(QString, locale);
    const QLocale users(locale);
    if (users.language() == QLocale::C)
        QSKIP("this Qt has no data for the locale");
    const QDateTime when(QDate(2026, 12, 10), QTime(13, 5, 9));

    const QString time = longTimeText(when.time(), users);
    const QString header = fileHeaderLine(QStringLiteral("Tovra Data File "), when, users);

    for (const QString &text : {time, header}) {
        QVERIFY2(QString::fromLatin1(text.toLatin1()) == text, qPrintable(text));
        QVERIFY2(!text.contains(QLatin1Char('?')), qPrintable(text));
    }
    QVERIFY2(time.contains(QStringLiteral("05")) && time.contains(QStringLiteral("09")), qPrintable(time));
    QVERIFY2(header.contains(QStringLiteral("10")) && header.contains(QStringLiteral("12")), qPrintable(header));
    QVERIFY2(header.endsWith(QLatin1Char(',') + time), qPrintable(header));
}

QTEST_GUILESS_MAIN(ControlRulesTest)
#include "tst_controlrules.moc"
