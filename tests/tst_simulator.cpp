// The simulated laser seen from the program's end of the line, through a bare pty client: what it
// answers, how its state behaves, and its first faults: silence, late, garbage, non-numeric, split
// and trailing bytes, overrides, vanishing (tst_simulatorfaults has the others).

#include "rawportclient.h"
#include "simulatedlaser.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tovra::sim::Family;
using tovra::sim::LaserConfig;
using tovra::sim::SimulatedLaser;
using tovra::test::LaserOnPort;
using tovra::test::RawPortClient;

namespace {

constexpr uint32_t enabledBit = 1u << 0;
constexpr uint32_t firingBit = 1u << 1;
constexpr uint32_t diodeTempFaultBit = 1u << 7;
constexpr uint32_t okToEnableBit = 1u << 10;
constexpr uint32_t okToFireBit = 1u << 11;


LaserConfig configOf(Family family)
{
    LaserConfig config;
    config.family = family;
    if (family == Family::Micro) {
        config.model = "MicroTovra";
        config.serialNumber = 2210;
        config.firmware = "3.04";
    } else if (family == Family::Mini) {
        config.model = "MiniTovra";
    }
    return config;
}

uint32_t statusWordOf(RawPortClient &client)
{
    return client.ask(";LA:SS?").toUInt();
}
} // namespace

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void identityAnswersPerFamily_data();
    void identityAnswersPerFamily();
    void familyAnswersItsOwnMnemonics_data();
    void familyAnswersItsOwnMnemonics();
    void settingTakesEffectWithinItsLimits_data();
    void settingTakesEffectWithinItsLimits();
    void calibrationNeedsServiceModeAndMovesTheLimit();
    void binsKeepSettingsUntilRecalled();
    void countersRunOnlyWhileFiring();
    void shotModesEndByThemselves_data();
    void shotModesEndByThemselves();
    void countsAboveTwoToThe32AreAnsweredWhole();
    void statusWordFollowsEnableFireAndFaults();
    void energyModeSetsItsBitAndItsPreset_data();
    void energyModeSetsItsBitAndItsPreset();
    void miniPasswordLockGuardsTheEnable();
    void heaterTemperatureSettlesTowardItsSetpoint();
    void linesAreCutAtTheirEndsHoweverTheyArrive();
    void reopeningThePortKeepsTheLaserAnswering();
    void replyWaitsForTheLineTime();
    void silentLaserHearsButDoesNotAnswer();
    void lateReplyWaitsForItsDelay();
    void delayForOneLineLeavesTheOthersPrompt();
    void garbageReplyStillCarriesTheCommandOut();
    void nonNumericReplyReplacesNumbersOnly();
    void splitReplyArrivesInPieces();
    void trailingBytesFollowTheCarriageReturn();
    void overrideAnswersTheExactLine();
    void vanishingHangsUpAndRemovesThePort();
    void transcriptFileStampsEveryLine();
};

void SimulatorTest::identityAnswersPerFamily_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("identityOverride");
    QTest::addColumn<QByteArray>("identity");
    const auto row = [](const char *name, Family family, const char *model,
                        const char *identityOverride, const char *identity) {
        QTest::newRow(name) << int(family) << QByteArray(model) << QByteArray(identityOverride)
                            << QByteArray(identity);
    };

    row("standard has firmware and FPGA", Family::Standard, "Tovra", "",
        "RZ,Tovra,1042,1.2.7-1.25.0.3");
    row("micro has firmware alone", Family::Micro, "MicroTovra", "", "RZ,MicroTovra,2210,3.04");
    row("mini", Family::Mini, "miniTovra", "", "RZ,miniTovra,1042,1.2.7");
    row("name the program rejects", Family::Standard, "tovra", "", "RZ,tovra,1042,1.2.7-1.25.0.3");
    row("short identity", Family::Standard, "Tovra", "RZ,Tov", "RZ,Tov");
}

void SimulatorTest::identityAnswersPerFamily()
{
    QFETCH(int, family);
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, identityOverride);
    QFETCH(QByteArray, identity);

    LaserConfig config = configOf(Family(family));
    config.model = model;
    config.identityOverride = identityOverride;
    LaserOnPort port(config);
    QVERIFY(port.ready());

    QCOMPARE(port.client->ask(";LA:ID?"), identity);
}

void SimulatorTest::familyAnswersItsOwnMnemonics_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    const auto row = [](const char *name, Family family, const char *line, const char *reply) {
        QTest::newRow(name) << int(family) << QByteArray(line) << QByteArray(reply);
    };

    row("standard resonator A", Family::Standard, ";LA:TA?", "25.00");
    row("micro has no TA", Family::Micro, ";LA:TA?", "?");
    row("micro resonator", Family::Micro, ";LA:TR?", "25.30");
    row("standard has no TR", Family::Standard, ";LA:TR?", "?");
    row("micro has no Q-switch", Family::Micro, ";LA:QD?", "?");
    row("mini has no sync", Family::Mini, ";LA:SY?", "?");
    row("standard has no CFG", Family::Standard, ";LA:CFG?", "?");
    row("micro CFG", Family::Micro, ";LA:CFG?", "0");
    row("standard without attenuator", Family::Standard, ";LA:AT?", "?");
    row("micro without attenuator", Family::Micro, ";LA:AT:EN?", "0");
    row("only mini knows PW", Family::Micro, ";LA:PW?", "?");
    row("unlocked mini", Family::Mini, ";LA:PW?", "1");
    row("standard current limit", Family::Standard, ";LA:DC:MAX?", "120.00");
    row("micro current limit", Family::Micro, ";LA:DC:MAX?", "10.00");
    row("pulse width minimum", Family::Standard, ";LA:DW:MIN?", "0.0000010");
    row("unknown mnemonic", Family::Mini, ";LA:XYZ?", "?");
    row("unknown command", Family::Standard, ";LA:XYZ 1", "?");
    row("empty line", Family::Standard, "", "?");
    row("typed bare mnemonic asks", Family::Standard, "rr", "10.0");
    row("controller access code", Family::Standard, ";LC:SEC 4093716", "OK");
}

void SimulatorTest::familyAnswersItsOwnMnemonics()
{
    QFETCH(int, family);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);

    LaserOnPort port(configOf(Family(family)));
    QVERIFY(port.ready());

    QCOMPARE(port.client->ask(line), reply);
}

void SimulatorTest::settingTakesEffectWithinItsLimits_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("value");
    const auto row = [](const char *name, const char *command, const char *reply, const char *query,
                        const char *value) {
        QTest::newRow(name) << QByteArray(command) << QByteArray(reply) << QByteArray(query)
                            << QByteArray(value);
    };

    row("in range", "RR 20.0", "OK", "RR", "20.0");
    row("above the maximum", "RR 500", "OK", "RR", "100.0");
    row("below the minimum", "RR 0", "OK", "RR", "0.1");
    row("count rounded", "BC 12.6", "OK", "BC", "13");
    row("seven decimals", "QD 0.0002", "OK", "QD", "0.0002000");
    row("not a number", "DC fast", "ERR", "DC", "40.00");
}

void SimulatorTest::settingTakesEffectWithinItsLimits()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, value);

    LaserOnPort port;
    QVERIFY(port.ready());

    QCOMPARE(port.client->ask(";LA:" + command), reply);
    QCOMPARE(port.client->ask(";LA:" + query + "?"), value);
}

void SimulatorTest::calibrationNeedsServiceModeAndMovesTheLimit()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;
    QCOMPARE(client.ask(";LA:RR 80"), "OK");

    QCOMPARE(client.ask(";LA:SEC?"), "0");
    QCOMPARE(client.ask(";LA:RR:CAL:MAX 50"), "ERR");
    QCOMPARE(client.ask(";LA:RR:MAX?"), "100.0");

    QCOMPARE(client.ask(";LA:SEC 53871"), "OK");
    QCOMPARE(client.ask(";LA:SEC?"), "1");
    QCOMPARE(client.ask(";LA:RR:CAL:MAX 50"), "OK");
    QCOMPARE(client.ask(";LA:RR:MAX?"), "50.0");
    QCOMPARE(client.ask(";LA:RR?"), "50.0");
}

void SimulatorTest::binsKeepSettingsUntilRecalled()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    QCOMPARE(client.ask(";LA:RR 20"), "OK");
    QCOMPARE(client.ask(";LA:SV 3"), "OK");
    QCOMPARE(client.ask(";LA:RR 30"), "OK");
    QCOMPARE(client.ask(";LA:RC 3"), "OK");
    QCOMPARE(client.ask(";LA:RR?"), "20.0");
    QCOMPARE(client.ask(";LA:RC 0"), "OK");
    QCOMPARE(client.ask(";LA:RR?"), "10.0");
    QCOMPARE(client.ask(";LA:SV 7"), "ERR");

    LaserOnPort micro(configOf(Family::Micro));
    QVERIFY(micro.ready());
    QCOMPARE(micro.client->ask(";LA:SV 4"), "OK");
    QCOMPARE(micro.client->ask(";LA:SV 5"), "ERR");
}

void SimulatorTest::countersRunOnlyWhileFiring()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;
    QCOMPARE(client.ask(";LA:RR 100"), "OK");
    QCOMPARE(client.ask(";LA:EN 1"), "OK");
    QCOMPARE(client.ask(";LA:FL 1"), "OK");

    QTRY_VERIFY(port.laser.shotCount() >= 10);
    QCOMPARE(client.ask(";LA:FL 0"), "OK");
    const QByteArray shots = client.ask(";LA:SC?");
    QCOMPARE(client.ask(";LA:UC?"), shots);
    QTest::qWait(50);
    QCOMPARE(client.ask(";LA:SC?"), shots);

    QCOMPARE(client.ask(";LA:UC 0"), "OK");
    QCOMPARE(client.ask(";LA:UC?"), "0");
    QCOMPARE(client.ask(";LA:SC?"), shots);
    QCOMPARE(client.ask(";LA:SC:CL"), "OK");
    QCOMPARE(client.ask(";LA:SC?"), "0");
}

void SimulatorTest::shotModesEndByThemselves_data()
{
    QTest::addColumn<QByteArray>("pulseMode");
    QTest::addColumn<QByteArray>("shots");

    QTest::newRow("single shot") << QByteArray("1") << QByteArray("1");
    QTest::newRow("burst of five") << QByteArray("2") << QByteArray("5");
}

void SimulatorTest::shotModesEndByThemselves()
{
    QFETCH(QByteArray, pulseMode);
    QFETCH(QByteArray, shots);

    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;
    for (const char *command : {";LA:RR 100", ";LA:BC 5", ";LA:EN 1"})
        QCOMPARE(client.ask(command), "OK");
    QCOMPARE(client.ask(";LA:PM " + pulseMode), "OK");
    QCOMPARE(client.ask(";LA:FL 1"), "OK");

    QTRY_VERIFY(!port.laser.firing());
    QCOMPARE(client.ask(";LA:SC?"), shots);
    QCOMPARE(statusWordOf(client) & firingBit, 0u);
}

void SimulatorTest::countsAboveTwoToThe32AreAnsweredWhole()
{
    LaserConfig config;
    config.shotCount = (uint64_t(1) << 32) + 5;
    LaserOnPort port(config);
    QVERIFY(port.ready());

    QCOMPARE(port.client->ask(";LA:SC?"), "4294967301");
}

void SimulatorTest::statusWordFollowsEnableFireAndFaults()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    uint32_t word = statusWordOf(client);
    QCOMPARE(word, port.laser.statusWord());
    QCOMPARE(word & (enabledBit | okToEnableBit | okToFireBit), okToEnableBit);

    QCOMPARE(client.ask(";LA:EN 1"), "OK");
    QCOMPARE(client.ask(";LA:FL 1"), "OK");
    word = statusWordOf(client);
    QCOMPARE(word & (enabledBit | firingBit | okToFireBit), enabledBit | firingBit | okToFireBit);

    port.laser.raiseStatusBits(diodeTempFaultBit);
    word = statusWordOf(client);
    QCOMPARE(word & (diodeTempFaultBit | okToEnableBit | okToFireBit), diodeTempFaultBit);
    QCOMPARE(client.ask(";LA:FL 1"), "ERR");

    port.laser.clearStatusBits(diodeTempFaultBit);
    port.laser.dropEnable();
    word = statusWordOf(client);
    QCOMPARE(word & (enabledBit | firingBit | diodeTempFaultBit | okToEnableBit), okToEnableBit);
    QCOMPARE(client.ask(";LA:EN?"), "0");
}

void SimulatorTest::energyModeSetsItsBitAndItsPreset_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("bit");
    QTest::addColumn<QByteArray>("current");
    const auto row = [](const char *name, Family family, const char *mode, int bit,
                        const char *current) {
        QTest::newRow(name) << int(family) << QByteArray(mode) << bit << QByteArray(current);
    };

    row("standard low power", Family::Standard, "1", 12, "60.00");
    row("standard high power", Family::Standard, "2", 13, "120.00");
    row("micro normal", Family::Micro, "0", 12, "5.00");
    row("micro enhanced", Family::Micro, "1", 13, "10.00");
}

void SimulatorTest::energyModeSetsItsBitAndItsPreset()
{
    QFETCH(int, family);
    QFETCH(QByteArray, mode);
    QFETCH(int, bit);
    QFETCH(QByteArray, current);

    LaserConfig config = configOf(Family(family));
    config.cfg = 1;
    LaserOnPort port(config);
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    QCOMPARE(client.ask(";LA:EM " + mode), "OK");
    QCOMPARE(client.ask(";LA:EM?"), mode);
    QCOMPARE(client.ask(";LA:DC?"), current);
    QVERIFY(statusWordOf(client) & (1u << bit));
}

void SimulatorTest::miniPasswordLockGuardsTheEnable()
{
    LaserConfig config = configOf(Family::Mini);
    config.passwordLocked = true;
    config.password = "secret";
    LaserOnPort port(config);
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    QCOMPARE(client.ask(";LA:PW?"), "0");
    QCOMPARE(statusWordOf(client) & okToEnableBit, 0u);
    QCOMPARE(client.ask(";LA:EN 1"), "ERR");
    QVERIFY(!client.ask(";LA:PW wrong").contains("Unsecured"));
    QVERIFY(!client.ask(";LA:PW ").contains("Unsecured"));

    QVERIFY(client.ask(";LA:PW secret").contains("Unsecured"));
    QCOMPARE(client.ask(";LA:PW?"), "1");
    QCOMPARE(client.ask(";LA:EN 1"), "OK");
}

void SimulatorTest::heaterTemperatureSettlesTowardItsSetpoint()
{
    LaserConfig config;
    config.heater0 = true;
    config.serviceOpen = true;
    LaserOnPort port(config);
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    QCOMPARE(client.ask(";LA:H0?"), "1");
    QCOMPARE(client.ask(";LA:H1?"), "0");
    QCOMPARE(client.ask(";LA:H1:TP?"), "?");
    QCOMPARE(client.ask(";LA:H0:CAL:SP 40.0"), "OK");
    QCOMPARE(client.ask(";LA:H0:SP?"), "40.0");

    const double start = client.ask(";LA:H0:TP?").toDouble();
    QTRY_VERIFY(client.ask(";LA:H0:TP?").toDouble() > start + 1.0);
    QVERIFY(client.ask(";LA:H0:TP?").toDouble() < 40.0);
}

void SimulatorTest::linesAreCutAtTheirEndsHoweverTheyArrive()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    RawPortClient &client = *port.client;

    client.writeBytes(";LA:RR?\r");
    client.writeBytes("\n;LA:SY?\r\n;LA:B");
    client.writeBytes("C?\r\n");

    QCOMPARE(client.readReply(), "10.0\r");
    QCOMPARE(client.readReply(), "0\r");
    QCOMPARE(client.readReply(), "10\r");
    const QList<QByteArray> expected {";LA:RR?", ";LA:SY?", ";LA:BC?"};
    QCOMPARE(port.laser.transcript(), expected);
}

void SimulatorTest::reopeningThePortKeepsTheLaserAnswering()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    QCOMPARE(port.client->ask(";LA:EN?"), "0");

    port.client = std::make_unique<RawPortClient>(port.linkPath());
    QVERIFY(port.client->isOpen());
    QCOMPARE(port.client->ask(";LA:EN?"), "0");
}

void SimulatorTest::replyWaitsForTheLineTime()
{
    LaserConfig config;
    config.identityOverride = QByteArray(300, 'x');
    LaserOnPort port(config);
    QVERIFY(port.ready());

    const QByteArray request = ";LA:ID?";
    port.client->writeLine(request);
    const QByteArray reply = port.client->readReply();
    const auto arrived = Clock::now();

    QCOMPARE(reply.size(), 301);
    const auto lineTime = std::chrono::microseconds((request.size() + 2 + reply.size()) * 11
                                                    * 1'000'000 / 57600);
    QVERIFY(arrived - port.laser.timedTranscript().constLast().at >= lineTime);
}

void SimulatorTest::silentLaserHearsButDoesNotAnswer()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setSilent(true);

    port.client->writeLine(";LA:ID?");
    QVERIFY(port.laser.waitForLines(1, 2s));
    QCOMPARE(port.client->readSome(200ms), QByteArray());

    port.laser.setSilent(false);
    QCOMPARE(port.client->ask(";LA:EN?"), "0");
}

void SimulatorTest::lateReplyWaitsForItsDelay()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setReplyDelay(300ms);

    port.client->writeLine(";LA:EN?");
    QCOMPARE(port.client->readSome(100ms), QByteArray());
    QCOMPARE(port.client->readReply(), "0\r");
    QVERIFY(Clock::now() - port.laser.timedTranscript().constLast().at >= 300ms);
}

void SimulatorTest::delayForOneLineLeavesTheOthersPrompt()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setReplyDelay(";LA:EN?", 300ms);

    auto asked = Clock::now();
    QVERIFY(!port.client->ask(";LA:BC?").startsWith("<unterminated"));
    QVERIFY(Clock::now() - asked < 300ms);

    port.client->writeLine(";LA:EN?");
    QCOMPARE(port.client->readSome(100ms), QByteArray());
    QCOMPARE(port.client->readReply(), "0\r");
    QVERIFY(Clock::now() - port.laser.timedTranscript().constLast().at >= 300ms);

    port.laser.setReplyDelay(";LA:EN?", 0ms);
    asked = Clock::now();
    QCOMPARE(port.client->ask(";LA:EN?"), "0");
    QVERIFY(Clock::now() - asked < 300ms);
}

void SimulatorTest::garbageReplyStillCarriesTheCommandOut()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setGarbage(true);

    const QByteArray reply = port.client->ask(";LA:EN 1");
    QVERIFY(!reply.contains('?'));
    QVERIFY(std::any_of(reply.cbegin(), reply.cend(),
                        [](char c) { return uchar(c) < 0x20 || uchar(c) >= 0x7f; }));
    QVERIFY(port.laser.enabled());
}

void SimulatorTest::nonNumericReplyReplacesNumbersOnly()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setNonNumeric(true);

    bool isNumber = true;
    const QByteArray reply = port.client->ask(";LA:RR?");
    reply.toDouble(&isNumber);
    QVERIFY(!isNumber);
    QVERIFY(!reply.contains('?'));
    QCOMPARE(port.client->ask(";LA:ID?"), "RZ,Tovra,1042,1.2.7-1.25.0.3");
}

void SimulatorTest::splitReplyArrivesInPieces()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setSplitReplies(true, 100ms);

    port.client->writeLine(";LA:DW?");
    const QByteArray first = port.client->readSome(2s);
    QVERIFY(!first.isEmpty());
    QVERIFY(!first.contains('\r'));
    QCOMPARE(first + port.client->readReply(), "0.0001000\r");
}

void SimulatorTest::trailingBytesFollowTheCarriageReturn()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setTrailingBytes("\n>");

    QCOMPARE(port.client->ask(";LA:EN?"), "0");
    QCOMPARE(port.client->readSome(2s), "\n>");
}

void SimulatorTest::overrideAnswersTheExactLine()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setReplyOverride(";LA:ID?", "RZ,Laser,7,1.0-1.0.0.0");

    QCOMPARE(port.client->ask(";LA:ID?"), "RZ,Laser,7,1.0-1.0.0.0");
    QCOMPARE(port.client->ask("ID?"), "RZ,Tovra,1042,1.2.7-1.25.0.3");
    port.laser.clearReplyOverrides();
    QCOMPARE(port.client->ask(";LA:ID?"), "RZ,Tovra,1042,1.2.7-1.25.0.3");
}

void SimulatorTest::vanishingHangsUpAndRemovesThePort()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    QCOMPARE(port.client->ask(";LA:EN?"), "0");

    port.laser.vanish();

    QVERIFY(port.client->hangsUp(2s));
    QVERIFY(!QFileInfo(port.linkPath()).isSymLink());
    QVERIFY(!RawPortClient(port.linkPath()).isOpen());
}

void SimulatorTest::transcriptFileStampsEveryLine()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    const QString path = port.dir.filePath(QStringLiteral("traffic.txt"));
    QVERIFY(port.laser.setTranscriptFile(path));

    QCOMPARE(port.client->ask(";LA:EN?"), "0");

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
    QVERIFY(stamp.match(lines[0]).hasMatch());
    QVERIFY(lines[0].endsWith(QLatin1String(" <- ;LA:EN?")));
    QVERIFY(stamp.match(lines[1]).hasMatch());
    QVERIFY(lines[1].endsWith(QLatin1String(" -> 0\\r")));
}

QTEST_GUILESS_MAIN(SimulatorTest)

#include "tst_simulator.moc"
