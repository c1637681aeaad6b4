// The faults of the simulated laser that its own switches do not cover: replies twice or echoed,
// lines nobody asked for, an endless line, vanishing or going silent at a chosen line, and faults
// that come and go by chance from a seed.

#include "rawportclient.h"
#include "simulatedlaser.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tovra::test::LaserOnPort;
using tovra::test::RawPortClient;

namespace {

// The "!!" lines of a transcript file: the faults that started, in order, without time stamps.
QList<QByteArray> notesIn(const QString &transcriptPath)
{
    QFile file(transcriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> notes;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (const qsizetype at = line.indexOf(" !! "); at >= 0)
            notes.append(line.mid(at + 4));
    }
    return notes;
}

// The notes of a laser with random faults after `count` status queries.
QList<QByteArray> randomFaultNotes(uint32_t seed, int count)
{
    LaserOnPort port;
    if (!port.ready())
        return {};
    const QString path = port.dir.filePath(QStringLiteral("traffic.txt"));
    port.laser.setTranscriptFile(path);
    port.laser.setRandomFaults(seed);
    for (int n = 0; n < count; ++n)
        port.client->writeLine(";LA:SS?");
    if (!port.laser.waitForLines(count, 5s))
        return {};
    return notesIn(path);
}


} // namespace

class SimulatorFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void replyComesBackAsTheFaultShapesIt_data();
    void replyComesBackAsTheFaultShapesIt();
    void unaskedLinesArriveWithoutARequest();
    void endlessLineHoldsTheReplyUntilItEnds();
    void laserVanishesAtTheLinePickedOut_data();
    void laserVanishesAtTheLinePickedOut();
    void vanishedLaserComesBackAsAskedWithItsStateCarriedOn_data();
    void vanishedLaserComesBackAsAskedWithItsStateCarriedOn();
    void silenceEndsAndTheLaserAnswersAgain_data();
    void silenceEndsAndTheLaserAnswersAgain();
    void randomFaultsRepeatWithTheirSeed();
};

namespace {
enum ReplyFault { Twice = 1, Echo = 2 };
} // namespace

void SimulatorFaultsTest::replyComesBackAsTheFaultShapesIt_data()
{
    QTest::addColumn<int>("faults");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("query answered twice") << int(Twice) << QByteArray(";LA:EN?") << QByteArray("0\r0\r") << false;
    QTest::newRow("command answered twice, carried out once")
            << int(Twice) << QByteArray(";LA:EN 1") << QByteArray("OK\rOK\r") << true;
    QTest::newRow("echo before the reply") << int(Echo) << QByteArray(";LA:EN?") << QByteArray(";LA:EN?\r\n0\r")
                                           << false;
    QTest::newRow("echo, then the reply twice")
            << int(Echo | Twice) << QByteArray(";LA:EN?") << QByteArray(";LA:EN?\r\n0\r0\r") << false;
}

void SimulatorFaultsTest::replyComesBackAsTheFaultShapesIt()
{
    QFETCH(int, faults);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, enabled);

    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.setReplyTwice(faults & Twice);
    port.laser.setEcho(faults & Echo);

    port.client->writeLine(line);
    QCOMPARE(port.client->readFor(300ms), bytes);
    QCOMPARE(port.laser.enabled(), enabled);
}

void SimulatorFaultsTest::unaskedLinesArriveWithoutARequest()
{
    LaserOnPort port;
    QVERIFY(port.ready());

    port.laser.setUnaskedLines("ERR", 50ms);
    const QByteArray flood = port.client->readFor(400ms);
    QVERIFY2(flood.count("ERR\r") >= 3, flood.constData());
    QCOMPARE(flood.count("ERR\r") * 4, flood.size());
    QVERIFY(port.laser.transcript().isEmpty());

    port.laser.setUnaskedLines({}, 0ms);
    port.client->readFor(100ms);
    QCOMPARE(port.client->readFor(200ms), QByteArray());
    QCOMPARE(port.client->ask(";LA:EN?"), "0");
}

void SimulatorFaultsTest::endlessLineHoldsTheReplyUntilItEnds()
{
    LaserOnPort port;
    QVERIFY(port.ready());
    const auto start = Clock::now();
    port.laser.sendEndlessLine(400ms);

    port.client->writeLine(";LA:EN?");
    const QByteArray bytes = port.client->readReply(3s);

    QVERIFY(Clock::now() - start >= 400ms);
    QVERIFY(bytes.endsWith("0\r"));
    const QByteArray endless = bytes.chopped(2);
    // How many digits fit in 400 ms depends on the machine's load; any real reply is far shorter.
    QVERIFY2(endless.size() > 200, QByteArray::number(endless.size()).constData());
    QVERIFY(std::all_of(endless.cbegin(), endless.cend(), [](char c) { return c >= '0' && c <= '9'; }));
    QCOMPARE(port.client->readFor(200ms), QByteArray());
}

void SimulatorFaultsTest::laserVanishesAtTheLinePickedOut_data()
{
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("answered");

    QTest::newRow("third line") << 3 << QByteArray() << 2;
    QTest::newRow("first line holding a command") << 0 << QByteArray("FL 0") << 2;
    QTest::newRow("first line holding a mnemonic") << 0 << QByteArray("SS") << 1;
}

void SimulatorFaultsTest::laserVanishesAtTheLinePickedOut()
{
    QFETCH(int, lineNumber);
    QFETCH(QByteArray, text);
    QFETCH(int, answered);

    LaserOnPort port;
    QVERIFY(port.ready());
    port.laser.vanishAt(lineNumber > 0 ? tovra::sim::LineTrigger::nthLine(lineNumber)
                                       : tovra::sim::LineTrigger::lineHolding(text));

    const QByteArray lines[] = {";LA:EN?", ";LA:SS?", ";LA:FL 0", ";LA:EN?"};
    for (int n = 0; n < answered; ++n)
        QVERIFY(!port.client->ask(lines[n]).startsWith("<unterminated"));
    port.client->writeLine(lines[answered]);

    QVERIFY(port.client->hangsUp(2s));
    QCOMPARE(port.laser.transcript().size(), answered + 1);
    QVERIFY(!QFileInfo(port.linkPath()).isSymLink());
    QVERIFY(!RawPortClient(port.linkPath()).isOpen());
}

void SimulatorFaultsTest::silenceEndsAndTheLaserAnswersAgain_data()
{
    QTest::addColumn<bool>("fromNow");
    QTest::addColumn<int>("answeredFirst");

    QTest::newRow("for a while from now") << true << 0;
    QTest::newRow("from the second line on") << false << 1;
}

void SimulatorFaultsTest::silenceEndsAndTheLaserAnswersAgain()
{
    QFETCH(bool, fromNow);
    QFETCH(int, answeredFirst);

    LaserOnPort port;
    QVERIFY(port.ready());
    if (fromNow)
        port.laser.silenceFor(500ms);
    else
        port.laser.silenceAt(tovra::sim::LineTrigger::nthLine(2), 500ms);

    for (int n = 0; n < answeredFirst; ++n)
        QCOMPARE(port.client->ask(";LA:EN?"), "0");
    port.client->writeLine(";LA:EN?");
    QCOMPARE(port.client->readFor(200ms), QByteArray());

    // The silence began at the latest when the laser read that line (on a busy machine that can
    // be well after the write).
    std::this_thread::sleep_until(port.laser.timedTranscript().constLast().at + 500ms);
    QCOMPARE(port.client->ask(";LA:EN?"), "0");
    QCOMPARE(port.laser.transcript().size(), answeredFirst + 2);
}

void SimulatorFaultsTest::randomFaultsRepeatWithTheirSeed()
{
    const QList<QByteArray> first = randomFaultNotes(7, 300);
    QVERIFY(first.size() >= 5);
    QCOMPARE(randomFaultNotes(7, 300), first);
    QVERIFY(randomFaultNotes(8, 300) != first);
}

void SimulatorFaultsTest::vanishedLaserComesBackAsAskedWithItsStateCarriedOn_data()
{
    QTest::addColumn<QString>("backAt");
    QTest::addColumn<int>("serialNumber"); // 0: the same
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("identity");
    QTest::newRow("the same laser where it was") << QString() << 0 << QByteArray()
                                                 << QByteArray("RZ,Tovra,1042,1.2.7-1.25.0.3");
    QTest::newRow("another serial number at another path")
        << QStringLiteral("com5") << 2077 << QByteArray() << QByteArray("RZ,Tovra,2077,1.2.7-1.25.0.3");
    QTest::newRow("another model") << QString() << 0 << QByteArray("uTovra")
                                   << QByteArray("RZ,uTovra,1042,1.2.7-1.25.0.3");
}

void SimulatorFaultsTest::vanishedLaserComesBackAsAskedWithItsStateCarriedOn()
{
    QFETCH(QString, backAt);
    QFETCH(int, serialNumber);
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, identity);
    LaserOnPort port;
    QVERIFY(port.ready());
    QCOMPARE(port.client->ask(";LA:RR 20.0"), QByteArray("OK"));
    tovra::sim::ComeBack back;
    back.after = 100ms;
    back.linkPath = backAt.isEmpty() ? QString() : port.dir.filePath(backAt);
    if (serialNumber != 0)
        back.serialNumber = serialNumber;
    back.model = model;
    port.laser.setComeBack(back);

    port.laser.vanish();
    QVERIFY(port.client->hangsUp(2s));
    QVERIFY(port.laser.waitForComeBacks(1, 5s));

    const QString path = backAt.isEmpty() ? port.linkPath() : port.dir.filePath(backAt);
    QCOMPARE(port.laser.linkPath(), path);
    RawPortClient again(path);
    QVERIFY(again.isOpen());
    QCOMPARE(again.ask(";LA:ID?"), identity);
    QCOMPARE(again.ask(";LA:RR?"), QByteArray("20.0"));
    // Back once; the next vanishing is for good.
    port.laser.vanish();
    QVERIFY(again.hangsUp(2s));
    QVERIFY(!port.laser.waitForComeBacks(2, 300ms));
}

QTEST_GUILESS_MAIN(SimulatorFaultsTest)

#include "tst_simulatorfaults.moc"
