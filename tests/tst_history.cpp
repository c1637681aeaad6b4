// The history without a window: the status poll and the exchange on a simulated laser feed the
// recorder, the writer keeps what it hears, and the store, the data file reader and the export
// read it back. The file system's faults are real: a file-size limit, a folder that cannot be
// made, a damaged file, a second writer.

#include "communication.h"
#include "csvexport.h"
#include "datafilereader.h"
#include "desktoplinkprompts.h"
#include "filesizelimit.h"
#include "firecontrol.h"
#include "historyrecorder.h"
#include "historyrig.h"
#include "laserstate.h"
#include "recordfiles.h"
#include "rzcomport.h"
#include "scripteddesktop.h"
#include "simport.h"
#include "statuspoll.h"
#include "statusword.h"
#include "terminalview.h"
#include "trendsource.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace tovra;
using namespace tovra::test;

Q_DECLARE_METATYPE(tovra::Channel)

namespace {

class NoTerminal : public TerminalView
{
public:
    void appendTrafficLine(const QString &, TrafficDirection) override {}
    void clearTraffic() override {}
};

class NoView : public StatusPollView, public FireControlView, public RecordFilesView
{
public:
    void showReadOut(ReadOut, const QString &) override {}
    void showStatusTiles(uint32_t) override {}
    bool serviceWindowVisible() const override { return false; }
    bool chartsDiodeTemperature() const override { return false; }
    void addChartPoint(int, double) override {}
    void showStale(const QString &) override {}
    void showLive() override {}
    void openUnlockedServiceWindow() override {}
    void showFiringLook() override {}
    void showReadyLook() override {}
    void setFireEnabled(bool) override {}
    void setEnableBoxEnabled(bool) override {}
    bool enableChecked() const override { return false; }
    void setEnableChecked(bool) override {}
    void setRecordChecked(RecordKind, bool) override {}
    void showRecording(RecordKind, const QString &) override {}
};

// The poll and the exchange on a simulated standard laser with heater 0, heard by the recorder,
// which hands to a writer on a fresh folder.
struct RecordingRig
{
    RecordingRig()
        : laser(ports.add(1, laserConfig()))
        , prompts(desktop)
        , port(prompts)
        , comm(port, state, terminal, prompts)
        , fire(state, view, {[](const QString &) {}, [] {}, [] {}})
        , records(state, desktop, [] { return false; }, view)
        , poll(comm, port, state, desktop, view, fire, records, {[] { return false; }, [] { return false; }})
        , writer(folder.settings())
        , recorder(state, writer)
    {
        setUpLaserPort(port);
        state.isStandardModel = true;
        state.hasHeater0 = true;
        poll.setVoltagesPolled(true);
        state.modelName = QStringLiteral("Tovra");
        state.serialNumber = 4711;
        state.firmwareVersion = QStringLiteral("2.10");
        poll.setListener(&recorder);
        comm.setListener(&recorder);
        // As the program wires it: a reply that does not come asks about the lost link.
        port.setAllowEvents(true);
        port.setOnTimeout([this] { comm.HandleTimeout(); });
        desktop.defaultButton = Button::Ignore;
    }

    static sim::LaserConfig laserConfig()
    {
        sim::LaserConfig config = laserOfFamily(sim::Family::Standard);
        config.heater0 = true;
        config.pacing = false;
        return config;
    }

    HistoryFolder folder;
    SimPorts ports;
    sim::SimulatedLaser &laser;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts;
    LaserState state;
    NoTerminal terminal;
    NoView view;
    TRZComPort port;
    Communication comm;
    FireControl fire;
    RecordFiles records;
    StatusPoll poll;
    HistoryWriter writer;
    HistoryRecorder recorder;
};

QStringList eventTexts(const QList<HistoryEvent> &events)
{
    QStringList texts;
    for (const HistoryEvent &event : events)
        texts << eventKey(event.kind) + QLatin1Char(' ') + event.text;
    return texts;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

constexpr qint64 DayMs = 24LL * 3600 * 1000;

} // namespace

class HistoryTest : public QObject
{
    Q_OBJECT
private slots:
    void historyRowHoldsWhatTheLaserSentAndNoValueItDidNot_data();
    void historyRowHoldsWhatTheLaserSentAndNoValueItDidNot();
    void commandsFaultsAndALostLinkAreEvents();
    void demoModeRecordsNothing();
    void rowsOlderThanTheRetentionAreRemovedAtStart();
    void damagedDatabaseIsMovedAsideAndANewOneStarted();
    void fullDiskPausesTheHistoryWhichResumesWithNothingLost();
    void folderThatCannotBeMadePausesTheHistoryUntilItCan();
    void secondWriterRecordsNothingAndSaysSo();
    void clockSteppingBackKeepsTheOrderOfReading();
    void longRangeIsReducedFromTheMinuteLevels();
    void dataFileReaderSkipsAndCountsDamage_data();
    void dataFileReaderSkipsAndCountsDamage();
    void dataFileGoingPastMidnightMovesOnADay();
    void csvHoldsTheRangeWithUtcAndLocalTimes();
    void failedExportLeavesTheEarlierFileAsItWas();
};

void HistoryTest::historyRowHoldsWhatTheLaserSentAndNoValueItDidNot_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Channel>("channel");
    QTest::addColumn<bool>("read");

    QTest::newRow("bank voltage read") << QByteArray(";LA:BV?") << QByteArray("345.7") << Channel::BankVoltage << true;
    QTest::newRow("bank voltage busy") << QByteArray(";LA:BV?") << QByteArray("BUSY") << Channel::BankVoltage << false;
    QTest::newRow("FET temperature read") << QByteArray(";LA:FT?") << QByteArray("41.25") << Channel::FetTemperature << true;
    QTest::newRow("FET temperature empty") << QByteArray(";LA:FT?") << QByteArray("") << Channel::FetTemperature << false;
    QTest::newRow("diode temperature read") << QByteArray(";LA:TB?") << QByteArray("25.5") << Channel::DiodeTemp << true;
    QTest::newRow("heater read") << QByteArray(";LA:H0:TP?") << QByteArray("30.125") << Channel::Heater0Temp << true;
}

void HistoryTest::historyRowHoldsWhatTheLaserSentAndNoValueItDidNot()
{
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);
    QFETCH(Channel, channel);
    QFETCH(bool, read);

    RecordingRig rig;
    rig.laser.setReplyOverride(query, reply);
    rig.poll.update();
    rig.poll.settleNow(); // the data row and the listener wait for the look for a late reply
    rig.writer.flush();

    const QList<HistorySample> samples = rig.folder.samples();
    QCOMPARE(samples.size(), 1);
    if (read)
        QCOMPARE(samples[0].value(channel), reply.toDouble());
    else
        QVERIFY(!samples[0].has(channel));
    QVERIFY(samples[0].statusWord.has_value());
    // Set points are not due on the first update: none is invented from the laser state.
    QVERIFY(!samples[0].has(Channel::Heater0Target));
    // The shot rate needs two updates.
    QVERIFY(!samples[0].has(Channel::ShotRate));
}

void HistoryTest::commandsFaultsAndALostLinkAreEvents()
{
    RecordingRig rig;
    rig.recorder.settingsLoaded();
    rig.comm.SendCommand(QStringLiteral("RR 20.0"));
    rig.comm.SendCommand(QStringLiteral("EN 1"));
    rig.comm.SendCommand(QStringLiteral("FL 1"));
    rig.laser.raiseStatusBits(StatusBit::DiodeTempFault);
    rig.poll.update();
    rig.poll.settleNow(); // the update is heard before the stop
    rig.comm.SendCommand(QStringLiteral("FL 0"));
    // Every query of the silent update runs out its time; how long that is is not the point.
    const uint32_t responseTime = rig.port.ResponseTime();
    rig.port.setResponseTime(50);
    rig.laser.setSilent(true);
    rig.poll.update();
    rig.laser.setSilent(false);
    rig.port.setResponseTime(responseTime);
    rig.poll.update();
    rig.poll.settleNow(); // the data row and the listener wait for the look for a late reply
    rig.writer.flush();

    const QStringList texts = eventTexts(rig.folder.events());
    QCOMPARE(texts.mid(0, 5), (QStringList{QStringLiteral("settings_loaded Settings loaded: Tovra, serial number 4711, firmware 2.10"),
                                           QStringLiteral("setter RR 20.0"), QStringLiteral("enable Enable (EN 1)"),
                                           QStringLiteral("fire Fire (FL 1)"),
                                           QStringLiteral("fault Temperature Fault - Diode")}));
    QVERIFY2(texts.contains(QStringLiteral("stop Stop (FL 0)")), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY2(texts.contains(QStringLiteral("link_lost Link lost")), qPrintable(texts.join(QLatin1Char('|'))));
    QCOMPARE(texts.last(), QStringLiteral("link_found Link found"));
    QCOMPARE(texts.count(QStringLiteral("link_lost Link lost")), 1);
}

void HistoryTest::demoModeRecordsNothing()
{
    RecordingRig rig;
    rig.recorder.setDemoMode(true);
    rig.recorder.statusUpdated({{&LaserState::bankVoltage}, 12u, 0u});
    rig.recorder.commandSent(QStringLiteral("FL 1"));
    rig.writer.flush();
    QVERIFY(!QFile::exists(rig.folder.path()));
}

void HistoryTest::rowsOlderThanTheRetentionAreRemovedAtStart()
{
    HistoryFolder folder;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const LaserIdentity laser{QStringLiteral("Tovra"), 1, QString()};
    {
        HistoryStore store;
        QVERIFY(store.open(folder.path(), HistoryStore::Mode::ReadWrite));
        const qint64 id = *store.laserId(laser);
        QVERIFY(store.append(id, {sampleAt(now - 91 * DayMs, 1), sampleAt(now - 89 * DayMs, 2)},
                             {{now - 91 * DayMs, EventKind::Fire, QStringLiteral("old")}}));
    }
    {
        HistoryWriter writer(folder.settings());
        writer.append(laser, sampleAt(now, 3));
        writer.flush();
    }
    QList<double> kept;
    for (const HistorySample &sample : folder.samples())
        kept << sample.value(Channel::BankVoltage);
    QCOMPARE(kept, (QList<double>{2, 3}));
    QVERIFY(folder.events().isEmpty());
}

void HistoryTest::damagedDatabaseIsMovedAsideAndANewOneStarted()
{
    HistoryFolder folder;
    writeFile(folder.path(), QByteArray("SQLite format 3").append(4096, '\x5a'));
    HistoryWriter writer(folder.settings());
    QSignalSpy states(&writer, &HistoryWriter::stateChanged);
    writer.append({QStringLiteral("Tovra"), 1, QString()}, sampleAt(1000, 5));
    writer.flush();

    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Recording, 10000);
    QVERIFY2(writer.note().contains(QStringLiteral("damaged")), qPrintable(writer.note()));
    const QStringList aside = QDir(folder.dir.path()).entryList().filter(QStringLiteral("history.sqlite.corrupt-"));
    QCOMPARE(aside.size(), 1);
    QVERIFY(writer.note().contains(aside.first()));
    QCOMPARE(folder.samples().size(), 1);
}

void HistoryTest::fullDiskPausesTheHistoryWhichResumesWithNothingLost()
{
    HistoryFolder folder;
    HistoryWriter writer(folder.settings());
    const LaserIdentity laser{QStringLiteral("Tovra"), 1, QString()};
    writer.append(laser, sampleAt(1000, 1));
    writer.flush();
    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Recording, 10000);
    {
        // No file of this process may grow past its first page now, as on a full disk.
        FileSizeLimit full(4096);
        for (int i = 2; i <= 200; ++i)
            writer.append(laser, sampleAt(1000 * i, i));
        writer.flush();
        QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Paused, 10000);
        QVERIFY2(writer.note().startsWith(QStringLiteral("History paused")), qPrintable(writer.note()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Recording, 10000);
    const QList<HistorySample> samples = folder.samples();
    QCOMPARE(samples.size(), 200);
    QCOMPARE(samples.last().value(Channel::BankVoltage), 200.0);
}

void HistoryTest::folderThatCannotBeMadePausesTheHistoryUntilItCan()
{
    HistoryFolder folder;
    writeFile(folder.path(QStringLiteral("tovra")), "a file where the folder should be");
    HistorySettings settings = folder.settings(QStringLiteral("tovra/history.sqlite"));
    HistoryWriter writer(settings);
    writer.append({QStringLiteral("Tovra"), 1, QString()}, sampleAt(1000, 7));
    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Paused, 10000);
    QVERIFY2(writer.note().contains(QStringLiteral("cannot be made")), qPrintable(writer.note()));

    QVERIFY(QFile::remove(folder.path(QStringLiteral("tovra"))));
    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), HistoryState::Recording, 10000);
    QCOMPARE(folder.samples(QStringLiteral("tovra/history.sqlite")).size(), 1);
}

void HistoryTest::secondWriterRecordsNothingAndSaysSo()
{
    HistoryFolder folder;
    const LaserIdentity laser{QStringLiteral("Tovra"), 1, QString()};
    HistoryWriter first(folder.settings());
    first.append(laser, sampleAt(1000, 1));
    first.flush();
    HistoryWriter second(folder.settings());
    second.append(laser, sampleAt(2000, 2));
    second.flush();
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), HistoryState::ReadOnly, 10000);
    QVERIFY(second.note().contains(QStringLiteral("another running instance")));
    first.append(laser, sampleAt(3000, 3));
    first.flush();
    QCOMPARE(folder.samples().size(), 2);
}

void HistoryTest::clockSteppingBackKeepsTheOrderOfReading()
{
    HistoryFolder folder;
    {
        HistoryWriter writer(folder.settings());
        const LaserIdentity laser{QStringLiteral("Tovra"), 1, QString()};
        for (const auto &[ms, value] : {std::pair{50'000, 1.0}, {51'000, 2.0}, {20'000, 3.0}, {21'000, 4.0}})
            writer.append(laser, sampleAt(ms, value));
    }
    QList<double> order;
    for (const HistorySample &sample : folder.samples())
        order << sample.value(Channel::BankVoltage);
    QCOMPARE(order, (QList<double>{1, 2, 3, 4}));
}

void HistoryTest::longRangeIsReducedFromTheMinuteLevels()
{
    HistoryFolder folder;
    HistoryStore store;
    QVERIFY2(store.open(folder.path(), HistoryStore::Mode::ReadWrite), qPrintable(store.lastError()));
    const qint64 id = *store.laserId({QStringLiteral("Tovra"), 1, QString()});
    QList<HistorySample> samples;
    for (int s = 0; s < 3 * 3600; ++s) {
        HistorySample sample = sampleAt(qint64(s) * 1000, s % 600);
        if (s % 7 == 0)
            sample.set(Channel::FetTemperature, 30 + s % 5);
        samples << sample;
    }
    QVERIFY(store.append(id, samples, {}));

    const QList<ReducedBucket> fromLevels = store.reduce(id, 0, 3 * 3600'000, 10 * 60'000);
    const QList<ReducedBucket> fromRows = store.reduce(id, 0, 3 * 3600'000, 59'999);
    QCOMPARE(fromLevels.size(), 18);
    QCOMPARE(fromRows.size(), 180);
    // A width between whole minutes is rounded up: never more buckets than the width asks for.
    QCOMPARE(store.reduce(id, 0, 3 * 3600'000, 90'000).size(), 90);
    for (const ReducedBucket &bucket : fromLevels) {
        QCOMPARE(bucket.minimum[std::size_t(Channel::BankVoltage)], 0.0);
        QCOMPARE(bucket.maximum[std::size_t(Channel::BankVoltage)], 599.0);
        QCOMPARE(bucket.minimum[std::size_t(Channel::FetTemperature)], 30.0);
        QVERIFY(HistorySample::isAbsent(bucket.minimum[std::size_t(Channel::DiodeCurrent)]));
    }
}

void HistoryTest::dataFileReaderSkipsAndCountsDamage_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("read");
    QTest::addColumn<QString>("note");

    QTest::newRow("whole") << QByteArray("10:00:01 AM,345.7,12,30.5,20,25,26, 40\r\n10:00:02 AM,345.8,12,30.5,20,25,26, 40\r\n")
                           << 2 << QStringLiteral("2 rows");
    QTest::newRow("truncated last row") << QByteArray("10:00:01 AM,345.7,12,30.5,20,25,26, 40\r\n10:00:02 AM,345.8,12,3")
                                        << 1 << QStringLiteral("1 row; 1 truncated row skipped");
    QTest::newRow("unread values") << QByteArray("10:00:01 AM,,12,,20,25,26, 40\r\n") << 1
                                   << QStringLiteral("1 row; 2 unread values left out");
    QTest::newRow("garbage") << QByteArray("\x01\xff garbage\r\n10:00:01 AM,345.7,12,x,20,25,26,40\r\n10:00:02 AM,1,2,3,4,5,6,7\r\n")
                             << 1 << QStringLiteral("1 row; 2 garbage lines skipped");
}

void HistoryTest::dataFileReaderSkipsAndCountsDamage()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, read);
    QFETCH(QString, note);

    HistoryFolder folder;
    writeFile(folder.path(QStringLiteral("data.txt")),
              "Tovra Data File 12/10/26,10:00:00 AM\r\n"
              "Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp,Diode Temp, Heater 0 Temp\r\n" + rows);
    const DataFileContents contents = readDataFile(folder.path(QStringLiteral("data.txt")));
    QCOMPARE(contents.error, QString());
    QCOMPARE(contents.samples.size(), read);
    QCOMPARE(contents.note(), note);
    for (const HistorySample &sample : contents.samples) {
        // Absent stays absent: never a zero.
        for (double value : sample.values)
            QVERIFY(HistorySample::isAbsent(value) || value != 0);
    }
}

void HistoryTest::dataFileGoingPastMidnightMovesOnADay()
{
    HistoryFolder folder;
    // The first line's date in this machine's short format, as the program writes it.
    const QByteArray date = QLocale::system().toString(QDate(2026, 12, 10), QLocale::ShortFormat).toLatin1();
    writeFile(folder.path(QStringLiteral("data.txt")), "Tovra Data File " + date + ",11:59:58 PM\r\n"
                                                       "Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp\r\n"
                                                       "11:59:59 PM,1,2,3,4,5\r\n"
                                                       "12:00:00 AM,1,2,3,4,5\r\n");
    const DataFileContents contents = readDataFile(folder.path(QStringLiteral("data.txt")));
    QCOMPARE(contents.samples.size(), 2);
    QCOMPARE(contents.samples[1].utcMs - contents.samples[0].utcMs, 1000);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(contents.samples[1].utcMs).date(), QDate(2026, 12, 11));

    writeFile(folder.path(QStringLiteral("other.txt")), "Tovra Communication Log File 12/10/26,10:00:00 AM\r\n");
    QVERIFY(readDataFile(folder.path(QStringLiteral("other.txt"))).error.contains(QStringLiteral("not a data file")));
}

void HistoryTest::csvHoldsTheRangeWithUtcAndLocalTimes()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const qint64 t0 = QDateTime(QDate(2026, 1, 15), QTime(11, 0), Qt::UTC).toMSecsSinceEpoch() + 250;
    HistorySample first = sampleAt(t0, 345.7);
    first.set(Channel::DiodeCurrent, 12.5);
    HistorySample second = sampleAt(t0 + 1000, 345.75); // diode current not read
    // The clocks go forward at 01:00 UTC on the last Sunday of March.
    const qint64 spring = QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    SampleTrend trend({QStringLiteral("Tovra, \"big\""), 4711, QStringLiteral("2.10")},
                      {sampleAt(t0 - 1000, 1), first, second, sampleAt(t0 + 2000, 9), sampleAt(spring - 500, 340),
                       sampleAt(spring + 500, 341)});
    HistoryFolder folder;
    const QString file = folder.path(QStringLiteral("export.csv"));
    QCOMPARE(exportCsv(trend, {file, t0, t0 + 2000, {Channel::BankVoltage, Channel::DiodeCurrent}, QStringLiteral("1.2.2.5")}),
             QString());

    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{
                        QStringLiteral("# Tovra Laser Control history"),
                        QStringLiteral("# Model: \"Tovra, \"\"big\"\"\""),
                        QStringLiteral("# Serial number: 4711"),
                        QStringLiteral("# Firmware: 2.10"),
                        QStringLiteral("# Program version: 1.2.2.5"),
                        QStringLiteral("UTC time,Local time,Bank voltage (V),Diode current (A)"),
                        QStringLiteral("2026-01-15T11:00:00.250Z,2026-01-15T12:00:00.250+01:00,345.7,12.5"),
                        QStringLiteral("2026-01-15T11:00:01.250Z,2026-01-15T12:00:01.250+01:00,345.75,"),
                    }));

    csv.close();
    QVERIFY(exportCsv(trend, {file, spring - 1000, spring + 1000, {Channel::BankVoltage}, QString()}).isEmpty());
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(6),
             (QStringList{QStringLiteral("2026-03-29T00:59:59.500Z,2026-03-29T01:59:59.500+01:00,340"),
                          QStringLiteral("2026-03-29T01:00:00.500Z,2026-03-29T03:00:00.500+02:00,341")}));
}

void HistoryTest::failedExportLeavesTheEarlierFileAsItWas()
{
    HistoryFolder folder;
    const QString file = folder.path(QStringLiteral("export.csv"));
    writeFile(file, "earlier export\n");
    QList<HistorySample> many;
    for (int i = 0; i < 100'000; ++i)
        many << sampleAt(i * 1000LL, i);
    SampleTrend trend({QStringLiteral("Tovra"), 1, QString()}, many);
    {
        FileSizeLimit full(8192);
        QVERIFY(!exportCsv(trend, {file, 0, 100'000'000, {Channel::BankVoltage}, QString()}).isEmpty());
    }
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), QByteArray("earlier export\n"));
    QCOMPARE(QDir(folder.dir.path()).entryList(QDir::Files).size(), 1);
}

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
