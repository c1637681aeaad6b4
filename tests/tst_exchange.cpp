#include "communication.h"
#include "desktoplinkprompts.h"
#include "laserstate.h"
#include "recordfile.h"
#include "replytext.h"
#include "rzcomport.h"
#include "scripteddesktop.h"
#include "serialdevice.h"
#include "simport.h"
#include "stallingdevice.h"
#include "terminalview.h"
#include "trafficlog.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace tovra;
using test::StallingDevice;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(tovra::Button)
Q_DECLARE_METATYPE(std::optional<int32_t>)
Q_DECLARE_METATYPE(std::optional<uint64_t>)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

struct ShownLine
{
    QString text;
    TrafficDirection direction;
};

class RecordingView : public TerminalView
{
public:
    void appendTrafficLine(const QString &line, TrafficDirection direction) override { lines.append({line, direction}); }
    void clearTraffic() override { lines.clear(); }
    QList<ShownLine> lines;
};

const QString Stamp = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d");

// The communication log as the record files keep it: lines go to the file while it is on.
struct FileLog : TrafficLog
{
    void writeTrafficLine(const QString &line) override
    {
        if (on)
            file.writeLine(line);
    }

    RecordFile file;
    bool on = false;
};

// A port on a simulated laser with the exchange on top, as the program has them after start-up.
struct ExchangeRig
{
    explicit ExchangeRig(const sim::LaserConfig &config = {}, std::unique_ptr<SerialDevice> device = createSerialDevice())
        : laser(ports.add(1, config))
        , prompts(desktop)
        , port(prompts, nullptr, std::move(device))
        , comm(port, state, view, prompts)
    {
        test::setUpLaserPort(port);
        port.setOnTimeout([this] { comm.HandleTimeout(); });
        comm.setTimeoutActions({
            .stopPolling = [this] { statusTimer.stop(); },
            .resumePolling = [this] { statusTimer.start(); },
            .restartApp = [this] { ++restarts; },
            .exitApp = [this] { ++exits; },
        });
    }

    void startLog()
    {
        log.on = log.file.open(logDir.filePath(QStringLiteral("log.txt")), {});
        QVERIFY(log.on);
        comm.setTrafficLog(&log);
    }

    QStringList logLines()
    {
        QFile file(logDir.filePath(QStringLiteral("log.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
        lines.removeLast(); // after the last line end
        return lines;
    }

    test::SimPorts ports;
    sim::SimulatedLaser &laser;
    test::ScriptedDesktop desktop;
    DesktopLinkPrompts prompts;
    LaserState state;
    RecordingView view;
    TRZComPort port;
    Communication comm;
    QTimer statusTimer;
    QTemporaryDir logDir;
    FileLog log;
    int restarts = 0;
    int exits = 0;
};

// The real serial device, noting how long the line was quiet before each write: since the last
// read that took bytes.
class QuietLineDevice : public test::ForwardingDevice
{
public:
    int64_t read(char *buffer, int64_t size) override
    {
        const int64_t got = ForwardingDevice::read(buffer, size);
        if (got > 0)
            lastBytesAt = std::chrono::steady_clock::now();
        return got;
    }
    int64_t write(const char *data, int64_t size) override
    {
        if (lastBytesAt)
            quietBeforeWrites.append(std::chrono::steady_clock::now() - *lastBytesAt);
        return ForwardingDevice::write(data, size);
    }

    QList<std::chrono::steady_clock::duration> quietBeforeWrites;

private:
    std::optional<std::chrono::steady_clock::time_point> lastBytesAt;
};

bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}

} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT
private slots:
    void eachKindOfLineIsFramedForTheWire();
    void queryTrafficIsLoggedButNotShown();
    void commandTrafficIsShownAndLogged();
    void rawLineIsShownWithoutTrailingBlanks();
    void passwordIsNeitherShownNorLogged_data();
    void passwordIsNeitherShownNorLogged();
    void typedQueriesConvertOrGiveZero_data();
    void typedQueriesConvertOrGiveZero();
    void replyTextGivesOnlyValuesOfTheKindAsked_data();
    void replyTextGivesOnlyValuesOfTheKindAsked();
    void valueNotReadIsToldFromZero_data();
    void valueNotReadIsToldFromZero();
    void lineThatCannotBeWrittenIsNotRecordedAsSent();
    void eachLineWaitsOnePauseAfterTheReplyBefore();
    void stopThePortDidNotTakeIsTriedAgainAtEveryBoundary();
    void controlCharactersOfAReplyAreEscaped_data();
    void controlCharactersOfAReplyAreEscaped();
    void replyThatForgesALogRecordStaysOnItsLine();
    void inhibitedCommandsAreRefusedWhileQueriesGoOn();
    void exchangeStartedDuringAReplyWaitIsRefused();
    void timeoutQuestionDecidesHowToGoOn_data();
    void timeoutQuestionDecidesHowToGoOn();
    void nothingIsWrittenToAFileWithLoggingOff();
    void detachedExchangeTouchesNothing();
};

void ExchangeTest::eachKindOfLineIsFramedForTheWire()
{
    ExchangeRig rig;
    rig.comm.SendAndReceive(QStringLiteral("RR"));
    rig.comm.SendCommand(QStringLiteral("QE 1"));
    rig.comm.SendRawLine(QStringLiteral(";LC:XL 0"));
    QCOMPARE(rig.laser.transcript(), (QList<QByteArray>{";LA:RR?", ";LA:QE 1", ";LC:XL 0"}));
}

void ExchangeTest::queryTrafficIsLoggedButNotShown()
{
    ExchangeRig rig;
    rig.laser.setReplyOverride(";LA:RR?", "10.0");
    rig.startLog();
    QCOMPARE(rig.comm.SendAndReceive(QStringLiteral("RR")), QStringLiteral("10.0"));
    QVERIFY(rig.view.lines.isEmpty());
    const QStringList log = rig.logLines();
    QCOMPARE(log.size(), 2);
    QVERIFY2(matches(QStringLiteral("Sent    \\(") + Stamp + QStringLiteral("\\): ;LA:RR\\?"), log[0]), qPrintable(log[0]));
    QVERIFY2(matches(QStringLiteral("Received\\(") + Stamp + QStringLiteral("\\): 10\\.0"), log[1]), qPrintable(log[1]));
}

void ExchangeTest::commandTrafficIsShownAndLogged()
{
    ExchangeRig rig;
    rig.laser.setReplyOverride(";LA:QE 1", "OK  ");
    rig.startLog();
    QCOMPARE(rig.comm.SendCommand(QStringLiteral("QE 1")), QStringLiteral("OK"));

    QCOMPARE(rig.view.lines.size(), 2);
    QVERIFY(matches(QStringLiteral("\\(") + Stamp + QStringLiteral("\\) ;LA:QE 1"), rig.view.lines[0].text));
    QCOMPARE(rig.view.lines[0].direction, TrafficDirection::Sent);
    QVERIFY(matches(QStringLiteral("\\(") + Stamp + QStringLiteral("\\) OK"), rig.view.lines[1].text));
    QCOMPARE(rig.view.lines[1].direction, TrafficDirection::Received);

    const QStringList log = rig.logLines();
    QCOMPARE(log.size(), 2);
    QVERIFY(matches(QStringLiteral("Sent    \\(") + Stamp + QStringLiteral("\\): ;LA:QE 1"), log[0]));
    QVERIFY(matches(QStringLiteral("Received\\(") + Stamp + QStringLiteral("\\): OK"), log[1]));
}

void ExchangeTest::rawLineIsShownWithoutTrailingBlanks()
{
    ExchangeRig rig;
    rig.startLog();
    rig.comm.SendRawLine(QStringLiteral("  SS  "));
    QCOMPARE(rig.laser.transcript(), QList<QByteArray>{"  SS  "});
    QVERIFY(matches(QStringLiteral("\\(") + Stamp + QStringLiteral("\\)   SS"), rig.view.lines.value(0).text));
    QVERIFY(matches(QStringLiteral("Sent    \\(") + Stamp + QStringLiteral("\\):   SS  "), rig.logLines().value(0)));
}

void ExchangeTest::passwordIsNeitherShownNorLogged_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<QByteArray>>("wire");
    QTest::newRow("sent as a command") << "command" << QList<QByteArray>{";LA:PW sesame"};
    QTest::newRow("typed in the terminal") << "raw" << QList<QByteArray>{"pw sesame"};
    QTest::newRow("kept back while the link is lost") << "not sent" << QList<QByteArray>{};
}

// The laser gets the real line; the terminal view and the log never hold the password.
void ExchangeTest::passwordIsNeitherShownNorLogged()
{
    QFETCH(QString, path);
    ExchangeRig rig;
    rig.startLog();
    if (path == QLatin1String("command"))
        rig.comm.SendCommand(QStringLiteral("PW sesame"));
    else if (path == QLatin1String("raw"))
        rig.comm.SendRawLine(QStringLiteral("pw sesame"));
    else
        rig.comm.noteNotSent(QStringLiteral("PW sesame"), QStringLiteral("Not sent, link lost"));

    QTEST(rig.laser.transcript(), "wire");
    QStringList shown;
    for (const ShownLine &line : std::as_const(rig.view.lines))
        shown.append(line.text);
    const QStringList log = rig.logLines();
    QVERIFY(!shown.isEmpty() && !log.isEmpty());
    QCOMPARE(shown.filter(QStringLiteral("sesame")), QStringList{});
    QCOMPARE(log.filter(QStringLiteral("sesame")), QStringList{});
    QVERIFY(!shown.filter(QStringLiteral("PW ****"), Qt::CaseInsensitive).isEmpty());
    QVERIFY(!log.filter(QStringLiteral("PW ****"), Qt::CaseInsensitive).isEmpty());
}

void ExchangeTest::typedQueriesConvertOrGiveZero_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<qint64>("asInt");
    QTest::addColumn<double>("asFloat");
    QTest::addColumn<uint64_t>("asCount");
    QTest::addColumn<bool>("conversionError");

    QTest::newRow("only a carriage return") << QByteArray() << qint64(0) << 0.0 << uint64_t(0) << false;
    QTest::newRow("question mark") << QByteArray("?") << qint64(0) << 0.0 << uint64_t(0) << true;
    QTest::newRow("leading blank") << QByteArray(" 12") << qint64(12) << 12.0 << uint64_t(12) << false;
    QTest::newRow("decimal") << QByteArray("12.5") << qint64(0) << 12.5 << uint64_t(0) << true;
    QTest::newRow("exponent") << QByteArray("1.5e3") << qint64(0) << 1500.0 << uint64_t(0) << true;
    // No decimal the laser reports comes near 2^31; no count is below zero, and a count is
    // kept whole beyond 32 bits.
    QTest::newRow("count above 2^32") << QByteArray("4294967298") << qint64(0) << 0.0 << uint64_t(4294967298)
                                      << true;
    QTest::newRow("negative") << QByteArray("-7") << qint64(-7) << -7.0 << uint64_t(0) << true;
    QTest::newRow("word") << QByteArray("nan") << qint64(0) << 0.0 << uint64_t(0) << true;
}

void ExchangeTest::typedQueriesConvertOrGiveZero()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, conversionError);
    ExchangeRig rig;
    rig.laser.setReplyOverride(";LA:XX?", reply);
    rig.startLog();

    QTEST(qint64(rig.comm.QueryInt(QStringLiteral("XX"))), "asInt");
    QTEST(rig.comm.QueryFloat(QStringLiteral("XX")), "asFloat");
    QTEST(rig.comm.QueryCount(QStringLiteral("XX")), "asCount");

    // Each conversion that fails leaves one "Exception Error (" line with nothing after the time.
    const QStringList errors = rig.logLines().filter(QStringLiteral("Exception Error ("));
    for (const QString &line : errors)
        QVERIFY2(matches(QStringLiteral("Exception Error \\(") + Stamp, line), qPrintable(line));
    if (!conversionError)
        QVERIFY(errors.isEmpty());
    else
        QVERIFY(!errors.isEmpty());
}

void ExchangeTest::replyTextGivesOnlyValuesOfTheKindAsked_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<std::optional<int32_t>>("asInt");
    QTest::addColumn<std::optional<uint64_t>>("asCount");
    QTest::addColumn<std::optional<double>>("asDecimal");

    const std::optional<int32_t> noInt;
    const std::optional<uint64_t> noCount;
    const std::optional<double> noDecimal;
    QTest::newRow("empty") << QString() << noInt << noCount << noDecimal;
    QTest::newRow("blanks and controls only") << QStringLiteral(" \r\n\t ") << noInt << noCount << noDecimal;
    QTest::newRow("zero") << QStringLiteral("0") << std::optional<int32_t>(0) << std::optional<uint64_t>(0u)
                          << std::optional<double>(0.0);
    QTest::newRow("framed by blanks") << QStringLiteral("  42 \r") << std::optional<int32_t>(42)
                                      << std::optional<uint64_t>(42u) << std::optional<double>(42.0);
    QTest::newRow("decimal") << QStringLiteral("28.50") << noInt << noCount << std::optional<double>(28.5);
    QTest::newRow("largest integer") << QStringLiteral("2147483647") << std::optional<int32_t>(2147483647)
                                     << std::optional<uint64_t>(2147483647u) << std::optional<double>(2147483647.0);
    QTest::newRow("negative status word") << QStringLiteral("-16384") << std::optional<int32_t>(-16384) << noCount
                                          << std::optional<double>(-16384.0);
    QTest::newRow("shot counter beyond 32 bits") << QStringLiteral("5000000123") << noInt
                                                 << std::optional<uint64_t>(5000000123u) << noDecimal;
    QTest::newRow("largest count") << QStringLiteral("18446744073709551615") << noInt
                                   << std::optional<uint64_t>(18446744073709551615u) << noDecimal;
    QTest::newRow("count beyond 64 bits") << QStringLiteral("18446744073709551616") << noInt << noCount << noDecimal;
    QTest::newRow("negative count") << QStringLiteral("-5") << std::optional<int32_t>(-5) << noCount
                                    << std::optional<double>(-5.0);
    QTest::newRow("fourteen digits") << QStringLiteral("-12345678901234") << noInt << noCount << noDecimal;
    QTest::newRow("beyond any limit") << QStringLiteral("1e300") << noInt << noCount << noDecimal;
    QTest::newRow("infinity") << QStringLiteral("inf") << noInt << noCount << noDecimal;
    QTest::newRow("unknown query") << QStringLiteral("?") << noInt << noCount << noDecimal;
    QTest::newRow("two values") << QStringLiteral("12\r34") << noInt << noCount << noDecimal;
    QTest::newRow("decimal comma") << QStringLiteral("28,5") << noInt << noCount << noDecimal;
}

void ExchangeTest::replyTextGivesOnlyValuesOfTheKindAsked()
{
    QFETCH(QString, reply);
    QTEST(replyAsInt(reply), "asInt");
    QTEST(replyAsCount(reply), "asCount");
    QTEST(replyAsDecimal(reply), "asDecimal");
}

void ExchangeTest::valueNotReadIsToldFromZero_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("read");

    QTest::newRow("zero is a value") << QByteArray("0") << false << true;
    QTest::newRow("no reply in time") << QByteArray() << true << false;
    QTest::newRow("empty reply") << QByteArray() << false << false;
    QTest::newRow("word") << QByteArray("BUSY") << false << false;
    QTest::newRow("implausible number") << QByteArray("-12345678901234") << false << false;
}

void ExchangeTest::valueNotReadIsToldFromZero()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, silent);
    QFETCH(bool, read);
    ExchangeRig rig;
    rig.port.setResponseTime(100);
    rig.laser.setReplyOverride(";LA:XX?", reply);
    rig.laser.setSilent(silent);

    const std::optional<int32_t> asInt = rig.comm.TryQueryInt(QStringLiteral("XX"));
    const std::optional<uint64_t> asCount = rig.comm.TryQueryCount(QStringLiteral("XX"));
    const std::optional<double> asDecimal = rig.comm.TryQueryFloat(QStringLiteral("XX"));
    QCOMPARE(asInt.has_value(), read);
    QCOMPARE(asCount.has_value(), read);
    QCOMPARE(asDecimal.has_value(), read);
    // Code that needs a number still gets 0 either way.
    QCOMPARE(rig.comm.QueryInt(QStringLiteral("XX")), 0);
    QCOMPARE(rig.comm.QueryCount(QStringLiteral("XX")), uint64_t(0));
    QCOMPARE(rig.comm.QueryFloat(QStringLiteral("XX")), 0.0);
}

// The output stalls while a stop is due: the stop stays first in line, each exchange tries it
// again before its own line, and the owner is told while it has not been delivered.
void ExchangeTest::stopThePortDidNotTakeIsTriedAgainAtEveryBoundary()
{
    bool stalled = false;
    ExchangeRig rig({}, std::make_unique<StallingDevice>(stalled));
    QList<bool> undelivered;
    rig.comm.setStopDeliveryWatch([&undelivered](bool notYet) { undelivered.append(notYet); });
    rig.startLog();
    rig.comm.SendCommand(QStringLiteral("EN 1"));
    rig.comm.SendCommand(QStringLiteral("FL 1"));
    QVERIFY(rig.laser.firing());
    rig.laser.clearTranscript();

    stalled = true;
    rig.comm.requestStop(OutgoingLine::command(QStringLiteral("FL 0")));
    rig.comm.sendPendingStops();
    QVERIFY(rig.comm.stopPending());
    QVERIFY(rig.comm.stopUndelivered());
    QVERIFY(!rig.comm.TryQueryInt(QStringLiteral("SS"))); // its boundary tried the stop first, in vain
    QCOMPARE(undelivered, QList<bool>{true});

    stalled = false;
    QVERIFY(rig.comm.TryQueryInt(QStringLiteral("SS")));
    QCOMPARE(rig.laser.transcript(), (QList<QByteArray>{";LA:FL 0", ";LA:SS?"}));
    QVERIFY(!rig.comm.stopPending());
    QCOMPARE(undelivered, (QList<bool>{true, false}));
    QVERIFY(!rig.laser.firing());
    const QStringList log = rig.logLines();
    QCOMPARE(log.filter(QStringLiteral("Write Error(")).filter(QStringLiteral(";LA:FL 0")).size(), 2);
    QCOMPARE(log.filter(QStringLiteral("Sent    (")).filter(QStringLiteral(";LA:FL 0")).size(), 1);
}

void ExchangeTest::lineThatCannotBeWrittenIsNotRecordedAsSent()
{
    ExchangeRig rig;
    rig.startLog();
    QCOMPARE(rig.comm.SendCommand(QStringLiteral("QE 1")), QStringLiteral("OK"));
    rig.laser.vanish();
    rig.view.lines.clear();
    const qsizetype linesBefore = rig.logLines().size();

    QCOMPARE(rig.comm.SendCommand(QStringLiteral("FL 0")), QString());
    rig.comm.SendRawLine(QStringLiteral(";LC:XL 0"));
    QVERIFY(!rig.comm.TryQueryInt(QStringLiteral("SS")));

    const QStringList log = rig.logLines().mid(linesBefore);
    QVERIFY2(log.filter(QStringLiteral("Sent    (")).isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
    QVERIFY(log.filter(QStringLiteral("Received(")).isEmpty());
    QCOMPARE(log.size(), 3);
    QVERIFY2(matches(QStringLiteral("Write Error\\(") + Stamp + QStringLiteral("\\): ;LA:FL 0"), log[0]), qPrintable(log[0]));
    QVERIFY(log[1].endsWith(QStringLiteral("): ;LC:XL 0")));
    QVERIFY(log[2].endsWith(QStringLiteral("): ;LA:SS?")));
    QVERIFY(rig.view.lines.isEmpty());
}

// The pause before a line counts from the reply before it, so the caller's work in between takes
// place inside it; the line is quiet for the whole pause all the same.
void ExchangeTest::eachLineWaitsOnePauseAfterTheReplyBefore()
{
    auto device = std::make_unique<QuietLineDevice>();
    QuietLineDevice &line = *device;
    ExchangeRig rig({}, std::move(device));
    rig.port.setAllowEvents(true);
    rig.startLog();
    for (int round = 0; round < 3; ++round) {
        QVERIFY(!rig.comm.SendAndReceive(QStringLiteral("SS")).isEmpty());
        QVERIFY(!rig.comm.SendCommand(QStringLiteral("QE 1")).isEmpty());
        QThread::usleep(300); // the caller's own work between two exchanges
        QVERIFY(!rig.comm.SendAndReceive(QStringLiteral("RR")).isEmpty());
    }
    QCOMPARE(line.quietBeforeWrites.size(), 8);
    for (const std::chrono::steady_clock::duration quiet : line.quietBeforeWrites)
        QVERIFY2(quiet >= 1ms, qPrintable(QString::number(std::chrono::duration<double, std::milli>(quiet).count())));
}

void ExchangeTest::controlCharactersOfAReplyAreEscaped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");

    QTest::newRow("plain") << QStringLiteral("OK 12.5") << QStringLiteral("OK 12.5");
    QTest::newRow("line feed") << QStringLiteral("0\nSent") << QStringLiteral("0\\nSent");
    QTest::newRow("carriage return and tab") << QStringLiteral("a\rb\tc") << QStringLiteral("a\\rb\\tc");
    QTest::newRow("bell") << QStringLiteral("ring\x07") << QStringLiteral("ring\\x07");
    QTest::newRow("nul and escape") << QString(QChar(0)) + QStringLiteral("\x1b[2J")
                                    << QStringLiteral("\\x00\\x1b[2J");
    QTest::newRow("delete and a C1 control") << QStringLiteral("\x7f") + QChar(0x85)
                                             << QStringLiteral("\\x7f\\x85");
    QTest::newRow("latin-1 letters and a backslash stay") << QStringLiteral("\u00e9\\n")
                                                          << QStringLiteral("\u00e9\\n");
}

void ExchangeTest::controlCharactersOfAReplyAreEscaped()
{
    QFETCH(QString, text);
    QTEST(escapeControlCharacters(text), "escaped");
}

void ExchangeTest::replyThatForgesALogRecordStaysOnItsLine()
{
    ExchangeRig rig;
    const QByteArray forged = "\x07" "0\nSent    (12:00:00.000): ;LA:FL 1";
    rig.laser.setReplyOverride(";LA:QE 1", forged);
    rig.laser.setReplyOverride(";LA:RR?", forged);
    rig.startLog();

    rig.comm.SendCommand(QStringLiteral("QE 1"));
    rig.comm.SendAndReceive(QStringLiteral("RR"));

    const QString escaped = QStringLiteral("\\x070\\nSent    (12:00:00.000): ;LA:FL 1");
    const QStringList log = rig.logLines();
    // The query's reply holds two lines, so it is not taken, and the log says so.
    QCOMPARE(log.size(), 5);
    QVERIFY2(log[1].endsWith(QStringLiteral("): ") + escaped), qPrintable(log[1]));
    QVERIFY(log[3].endsWith(QStringLiteral("): ") + escaped));
    QVERIFY2(log[4].startsWith(QStringLiteral("Stray Bytes(")), qPrintable(log[4]));
    QCOMPARE(log.filter(QStringLiteral("FL 1")).size(), 2);
    QCOMPARE(rig.view.lines.size(), 2);
    QVERIFY(rig.view.lines[1].text.endsWith(QStringLiteral(") ") + escaped));
}

void ExchangeTest::inhibitedCommandsAreRefusedWhileQueriesGoOn()
{
    ExchangeRig rig;
    rig.startLog();
    rig.comm.setCommandsInhibited(true);
    QCOMPARE(rig.comm.SendCommand(QStringLiteral("QE 1")), QString());
    rig.comm.SendRawLine(QStringLiteral(";LC:XL 0"));
    rig.laser.setReplyOverride(";LA:RR?", "20.0");
    QCOMPARE(rig.comm.QueryFloat(QStringLiteral("RR")), 20.0);

    QCOMPARE(rig.laser.transcript(), QList<QByteArray>{";LA:RR?"});
    const QStringList log = rig.logLines();
    QVERIFY2(matches(QStringLiteral("Command Disabled:    \\(") + Stamp + QStringLiteral("\\): QE 1"), log.value(0)),
             qPrintable(log.value(0)));
    QCOMPARE(log.size(), 3); // the refusal, then the query's two lines; the raw line leaves none
}

void ExchangeTest::exchangeStartedDuringAReplyWaitIsRefused()
{
    ExchangeRig rig;
    rig.startLog();
    rig.port.setAllowEvents(true);
    rig.laser.setReplyOverride(";LA:RR?", "30.0");
    rig.laser.setReplyDelay(150ms);

    QString nestedQuery = QStringLiteral("untouched");
    QString nestedCommand = QStringLiteral("untouched");
    QTimer::singleShot(30, [&] {
        nestedQuery = rig.comm.SendAndReceive(QStringLiteral("SS"));
        nestedCommand = rig.comm.SendCommand(QStringLiteral("QE 1"));
        rig.comm.SendRawLine(QStringLiteral("SS"));
    });
    QCOMPARE(rig.comm.SendAndReceive(QStringLiteral("RR")), QStringLiteral("30.0"));

    QCOMPARE(nestedQuery, QString());
    QCOMPARE(nestedCommand, QString());
    QCOMPARE(rig.laser.transcript(), QList<QByteArray>{";LA:RR?"});
    QCOMPARE(rig.logLines().filter(QStringLiteral("Comport in use:    (")).size(), 1);
    QVERIFY(rig.logLines().filter(QStringLiteral("Comport in use:    (")).first().endsWith(QStringLiteral("): QE 1")));
}

void ExchangeTest::timeoutQuestionDecidesHowToGoOn_data()
{
    QTest::addColumn<Button>("answer");
    QTest::addColumn<int>("restarts");
    QTest::addColumn<int>("exits");
    QTest::addColumn<bool>("pollingOn");

    QTest::newRow("Yes restarts") << Button::Yes << 1 << 0 << false;
    QTest::newRow("No exits") << Button::No << 0 << 1 << false;
    QTest::newRow("Ignore polls again") << Button::Ignore << 0 << 0 << true;
    QTest::newRow("closed box leaves polling off") << Button::None << 0 << 0 << false;
}

void ExchangeTest::timeoutQuestionDecidesHowToGoOn()
{
    QFETCH(Button, answer);
    ExchangeRig rig;
    rig.startLog();
    rig.port.setAllowEvents(true);
    rig.port.setResponseTime(100);
    rig.laser.setSilent(true);
    rig.statusTimer.start(1000);
    rig.desktop.warningAnswers = {answer};

    QCOMPARE(rig.comm.QueryInt(QStringLiteral("SS")), 0);

    QCOMPARE(rig.desktop.textsOf(QStringLiteral("warning")), QStringList{QStringLiteral("Communications lost. Restart?")});
    QTEST(rig.restarts, "restarts");
    QTEST(rig.exits, "exits");
    QTEST(rig.statusTimer.isActive(), "pollingOn");
    const QStringList timeouts = rig.logLines().filter(QStringLiteral("Timeout Error("));
    QCOMPARE(timeouts.size(), 1);
    QVERIFY(matches(QStringLiteral("Timeout Error\\(") + Stamp + QStringLiteral("\\)"), timeouts.first()));
    QVERIFY(rig.logLines().filter(QStringLiteral("Exception Error")).isEmpty());
}

void ExchangeTest::nothingIsWrittenToAFileWithLoggingOff()
{
    ExchangeRig rig;
    rig.startLog();
    rig.log.on = false;
    rig.comm.SendCommand(QStringLiteral("QE 1"));
    rig.comm.QueryInt(QStringLiteral("SS"));
    QVERIFY(rig.logLines().isEmpty());
    QCOMPARE(rig.view.lines.size(), 2);
}

void ExchangeTest::detachedExchangeTouchesNothing()
{
    ExchangeRig rig;
    rig.startLog();
    rig.comm.detach();
    QCOMPARE(rig.comm.SendAndReceive(QStringLiteral("RR")), QString());
    QCOMPARE(rig.comm.SendCommand(QStringLiteral("FL 0")), QString());
    rig.comm.SendRawLine(QStringLiteral(";LC:XL 0"));
    QVERIFY(!rig.port.Opened());
    QVERIFY(rig.laser.transcript().isEmpty());
    QVERIFY(rig.view.lines.isEmpty());
    QVERIFY(rig.logLines().isEmpty());
}

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
