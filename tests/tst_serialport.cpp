#include "posixserialdevice.h"
#include "rawpty.h"
#include "rzcomport.h"
#include "desktoplinkprompts.h"
#include "scripteddesktop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace tovra::test {

namespace {

constexpr int testPort = 5;
const QString timeoutText = QStringLiteral("Timeout waiting for response.");
const QString inUseText = QStringLiteral("Port is in use -- operation aborted");

void prepare(TRZComPort &port, const QByteArray &marker, uint32_t responseTime, bool allowEvents)
{
    port.setPort(testPort);
    port.setEndOfResponse(marker);
    port.setResponseTime(responseTime);
    port.setAllowEvents(allowEvents);
}

// A port on a pty of its own, with the operator's boxes scripted.
struct PortOnPty
{
    PortOnPty(const QByteArray &marker, uint32_t responseTime, bool allowEvents)
    {
        prepare(port, marker, responseTime, allowEvents);
    }

    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts{desktop};
    TRZComPort port{prompts};
};

// Sends bytes to an open port and waits until the port has them all in its input queue.
void deliver(RawPty &pty, TRZComPort &port, const QByteArray &bytes)
{
    const int before = port.InCount();
    pty.send(bytes);
    QTRY_COMPARE(port.InCount(), before + int(bytes.size()));
}

void writeLineSetting(TRZComPort &port, const QString &setting, bool changed)
{
    if (setting == QLatin1String("Baud"))
        port.setBaud(changed ? 57600 : port.Baud());
    else if (setting == QLatin1String("Parity"))
        port.setParity(changed ? TParity::parEven : port.Parity());
    else if (setting == QLatin1String("Handshaking"))
        port.setHandshaking(changed ? THandshake::hsAssertAll : port.Handshaking());
    else if (setting == QLatin1String("Port"))
        port.setPort(changed ? testPort + 1 : port.Port());
    else
        QFAIL("unknown line setting");
}

// Whether the tty refuses opens from programs that do not lock it: a plain open fails with EBUSY,
// except for root, who can ask the tty instead.
bool isMarkedExclusive(const QString &node)
{
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == EBUSY;
    int exclusive = 0;
    const bool marked = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    ::close(fd);
    return marked;
}

} // namespace

class SerialPortTest : public QObject
{
    Q_OBJECT
private slots:
    void markerTextIsParsedIntoBytes_data();
    void markerTextIsParsedIntoBytes();
    void portNumbersMapToDeviceNodes_data();
    void portNumbersMapToDeviceNodes();
    void markerSplitOverTwoArrivalsIsFound_data();
    void markerSplitOverTwoArrivalsIsFound();
    void carriageReturnAndLineFeedInOneArrivalAreBothReturned();
    void emptyMarkerReturnsWhatIsWaitingAtOnce_data();
    void emptyMarkerReturnsWhatIsWaitingAtOnce();
    void zeroResponseTimeTakesOnlyWhatIsThere_data();
    void zeroResponseTimeTakesOnlyWhatIsThere();
    void timeOutOffersAbortAndRetry_data();
    void timeOutOffersAbortAndRetry();
    void timeoutHandlerRunsBeforeTheBoxOnlyWithEvents_data();
    void timeoutHandlerRunsBeforeTheBoxOnlyWithEvents();
    void timeoutHandlerThatClosesThePortEndsTheRead();
    void secondReadIsRefusedWhileOneWaits_data();
    void secondReadIsRefusedWhileOneWaits();
    void eventsRunAMomentAfterTheWriteWhileTheLineIsOnTheWire();
    void missingPortWithoutErrorBoxesFailsQuietly();
    void openFailureNamesTheReason_data();
    void openFailureNamesTheReason();
    void retryInTheOpenBoxTriesAgain_data();
    void retryInTheOpenBoxTriesAgain();
    void deviceIsOpenedExclusively_data();
    void deviceIsOpenedExclusively();
    void writeOnClosedPortOpensItFirst();
    void changedLineSettingReopensThePort_data();
    void changedLineSettingReopensThePort();
    void changedLineSettingLeavesAClosedPortClosed();
    void hangUpEndsWaitingReadAndClosesThePort_data();
    void hangUpEndsWaitingReadAndClosesThePort();
};

void SerialPortTest::markerTextIsParsedIntoBytes_data()
{
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("a carriage return is itself") << QByteArray("\r") << QByteArray("\r");
    QTest::newRow("codes give their characters") << QByteArray("#13#10") << QByteArray("\r\n");
    QTest::newRow("literal text before a code") << QByteArray("OK#13") << QByteArray("OK\r");
    QTest::newRow("text after a code keeps it all") << QByteArray("#13x") << QByteArray("#13x");
    QTest::newRow("a hash at the end adds nothing") << QByteArray("A#") << QByteArray("A");
    QTest::newRow("a code before the final hash") << QByteArray("#13#") << QByteArray("\r");
    QTest::newRow("an empty code keeps it all") << QByteArray("##13") << QByteArray("##13");
    QTest::newRow("a code above 255 keeps it all") << QByteArray("#256") << QByteArray("#256");
    QTest::newRow("leading zeros are digits") << QByteArray("#0013") << QByteArray("\r");
    QTest::newRow("a sign is not a digit") << QByteArray("#+13") << QByteArray("#+13");
    QTest::newRow("no marker") << QByteArray() << QByteArray();
}

void SerialPortTest::markerTextIsParsedIntoBytes()
{
    QFETCH(QByteArray, marker);
    QFETCH(QByteArray, bytes);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);

    port.setEndOfResponse(marker);

    QCOMPARE(port.EndOfResponse(), marker);
    QCOMPARE(port.EndOfResponseRaw(), bytes);
}

void SerialPortTest::portNumbersMapToDeviceNodes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");

    QTest::newRow("first RS-232 port") << QString() << 1 << "/dev/ttyS0";
    QTest::newRow("last RS-232 port") << QString() << 32 << "/dev/ttyS31";
    QTest::newRow("first USB serial adapter") << QString() << 33 << "/dev/ttyUSB0";
    QTest::newRow("last USB serial adapter") << QString() << 66 << "/dev/ttyUSB33";
    QTest::newRow("first USB modem") << QString() << 67 << "/dev/ttyACM0";
    QTest::newRow("last USB modem") << QString() << 100 << "/dev/ttyACM33";
    QTest::newRow("below the range") << QString() << 0 << QString();
    QTest::newRow("above the range") << QString() << 101 << QString();
    QTest::newRow("pattern") << "/tmp/lab/com%d" << 7 << "/tmp/lab/com7";
    QTest::newRow("pattern reaches any number") << "/tmp/lab/com%d" << 250 << "/tmp/lab/com250";
    QTest::newRow("every %d is replaced") << "/tmp/a%d/b%d" << 3 << "/tmp/a3/b3";
    QTest::newRow("other % sequences stay") << "/tmp/%s%n%%/p%d" << 12 << "/tmp/%s%n%%/p12";
}

void SerialPortTest::portNumbersMapToDeviceNodes()
{
    QFETCH(QString, pattern);
    QFETCH(int, number);
    QFETCH(QString, path);
    PortFolder folder;
    folder.setPattern(pattern);

    QCOMPARE(devicePathForPort(number), path);
}

void SerialPortTest::markerSplitOverTwoArrivalsIsFound_data()
{
    QTest::addColumn<bool>("allowEvents");
    QTest::newRow("blocking wait") << false;
    QTest::newRow("with GUI events") << true;
}

void SerialPortTest::markerSplitOverTwoArrivalsIsFound()
{
    QFETCH(bool, allowEvents);
    PortOnPty rig("#13#10", 5000, allowEvents);
    QVERIFY(rig.port.Open());

    rig.pty.send("AB\r");
    rig.pty.sendLater(50ms, "\n");
    QByteArray text;
    rig.port.Read(text);

    QCOMPARE(text, QByteArray("AB\r\n"));
    QVERIFY(!rig.port.TimedOut());
    QVERIFY(rig.desktop.shown.isEmpty());
}

void SerialPortTest::carriageReturnAndLineFeedInOneArrivalAreBothReturned()
{
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    prepare(port, "#13", 1000, false);
    QVERIFY(port.Open());
    deliver(pty, port, "12\r\n");

    QByteArray text;
    port.Read(text);

    QCOMPARE(text, QByteArray("12\r\n"));
    QVERIFY(!port.TimedOut());
    QCOMPARE(port.InCount(), 0);
}

void SerialPortTest::emptyMarkerReturnsWhatIsWaitingAtOnce_data()
{
    QTest::addColumn<QByteArray>("waiting");
    QTest::newRow("nothing waiting") << QByteArray();
    QTest::newRow("bytes without any line end") << QByteArray("abc");
}

void SerialPortTest::emptyMarkerReturnsWhatIsWaitingAtOnce()
{
    QFETCH(QByteArray, waiting);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    prepare(port, QByteArray(), 60'000, false);
    QVERIFY(port.Open());
    deliver(pty, port, waiting);

    QElapsedTimer clock;
    clock.start();
    QByteArray text;
    port.Read(text);

    QCOMPARE(text, waiting);
    QVERIFY(!port.TimedOut());
    QVERIFY(clock.elapsed() < 30'000); // far from the response time: it never waited for it
    QVERIFY(desktop.shown.isEmpty());
}

void SerialPortTest::zeroResponseTimeTakesOnlyWhatIsThere_data()
{
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<bool>("timedOut");
    QTest::newRow("marker already there") << QByteArray("OK\r") << false;
    QTest::newRow("marker missing") << QByteArray("OK") << true;
}

void SerialPortTest::zeroResponseTimeTakesOnlyWhatIsThere()
{
    QFETCH(QByteArray, waiting);
    QFETCH(bool, timedOut);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    prepare(port, "#13", 0, false);
    port.setShowErrors(false);
    QVERIFY(port.Open());
    deliver(pty, port, waiting);

    QByteArray text;
    port.Read(text);

    QCOMPARE(text, waiting);
    QCOMPARE(port.TimedOut(), timedOut);
}

void SerialPortTest::timeOutOffersAbortAndRetry_data()
{
    QTest::addColumn<bool>("showErrors");
    QTest::addColumn<QByteArray>("partial");
    QTest::addColumn<int>("retries");
    QTest::addColumn<QByteArray>("sentWhileAsked");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<bool>("timedOut");

    QTest::newRow("abort keeps the partial text")
        << true << QByteArray("12") << 0 << QByteArray() << QByteArray("12") << 1 << true;
    QTest::newRow("retry collects the rest")
        << true << QByteArray("12") << 1 << QByteArray("\r") << QByteArray("12\r") << 1 << false;
    QTest::newRow("retry waits again, then abort")
        << true << QByteArray() << 1 << QByteArray() << QByteArray() << 2 << true;
    QTest::newRow("no box without error boxes")
        << false << QByteArray("12") << 0 << QByteArray() << QByteArray("12") << 0 << true;
}

void SerialPortTest::timeOutOffersAbortAndRetry()
{
    QFETCH(bool, showErrors);
    QFETCH(QByteArray, partial);
    QFETCH(int, retries);
    QFETCH(QByteArray, sentWhileAsked);
    QFETCH(QByteArray, text);
    QFETCH(int, boxes);
    QFETCH(bool, timedOut);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.warningAnswers = QList<Button>(retries, Button::Retry);
    desktop.defaultButton = Button::Abort;
    desktop.whileWarningOpen = [&pty, sentWhileAsked](const QString &) mutable {
        pty.send(sentWhileAsked);
        sentWhileAsked.clear();
    };
    TRZComPort port(prompts);
    prepare(port, "#13", 100, false);
    port.setShowErrors(showErrors);
    QVERIFY(port.Open());
    deliver(pty, port, partial);

    QByteArray received;
    port.Read(received);

    QCOMPARE(received, text);
    QCOMPARE(port.TimedOut(), timedOut);
    QCOMPARE(desktop.texts(), QStringList(boxes, timeoutText));
    QVERIFY(!port.InUse());
}

void SerialPortTest::timeoutHandlerRunsBeforeTheBoxOnlyWithEvents_data()
{
    QTest::addColumn<bool>("allowEvents");
    QTest::addColumn<QStringList>("sequence");
    QTest::newRow("with GUI events") << true << QStringList{"handler", "box"};
    QTest::newRow("blocking wait") << false << QStringList{"box"};
}

void SerialPortTest::timeoutHandlerRunsBeforeTheBoxOnlyWithEvents()
{
    QFETCH(bool, allowEvents);
    QFETCH(QStringList, sequence);
    PortFolder folder;
    folder.plug(testPort);
    QStringList happened;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.defaultButton = Button::Abort;
    desktop.whileWarningOpen = [&happened](const QString &) { happened.append("box"); };
    TRZComPort port(prompts);
    prepare(port, "#13", 50, allowEvents);
    port.setOnTimeout([&] {
        QVERIFY(port.InUse());
        happened.append("handler");
    });

    QByteArray text;
    port.Read(text);

    QCOMPARE(happened, sequence);
    QVERIFY(port.TimedOut());
}

void SerialPortTest::timeoutHandlerThatClosesThePortEndsTheRead()
{
    PortFolder folder;
    folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.defaultButton = Button::Retry;
    TRZComPort port(prompts);
    prepare(port, "#13", 50, true);
    port.setOnTimeout([&port] { port.Close(); });

    QByteArray text;
    port.Read(text);

    QVERIFY(port.TimedOut());
    QVERIFY(!port.Opened());
    QVERIFY(!port.InUse());
    QVERIFY(desktop.shown.isEmpty());
}

void SerialPortTest::secondReadIsRefusedWhileOneWaits_data()
{
    QTest::addColumn<bool>("showErrors");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("with error boxes") << true << QStringList{inUseText, inUseText};
    QTest::newRow("without error boxes") << false << QStringList();
}

void SerialPortTest::secondReadIsRefusedWhileOneWaits()
{
    QFETCH(bool, showErrors);
    QFETCH(QStringList, messages);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    prepare(port, "#13", 5000, true);
    port.setShowErrors(showErrors);
    QVERIFY(port.Open());
    deliver(pty, port, "4");

    bool inUseDuringWait = false;
    QByteArray nested = "untouched";
    QByteArray nestedRaw = "untouched";
    QTimer::singleShot(20ms, [&] {
        inUseDuringWait = port.InUse();
        port.Read(nested);
        port.ReadRaw(nestedRaw);
        pty.send("2\r");
    });
    QByteArray text;
    port.Read(text);

    QVERIFY(inUseDuringWait);
    QCOMPARE(nested, QByteArray());
    QCOMPARE(nestedRaw, QByteArray());
    QCOMPARE(text, QByteArray("42\r"));
    QCOMPARE(desktop.textsOf("message"), messages);
    QVERIFY(!port.InUse());
}

// The GUI's events run while the reply is awaited: a moment after the write, so that whatever takes
// the line has the processor first, and while the line is still on the wire, before any reply can
// begin. Ten bytes at 1200 baud take 83 ms.
void SerialPortTest::eventsRunAMomentAfterTheWriteWhileTheLineIsOnTheWire()
{
    PortOnPty rig("#13", 5000, true);
    rig.port.setBaud(1200);
    QVERIFY(rig.port.Open());

    QElapsedTimer clock;
    std::optional<qint64> eventRanAtUs;
    QTimer::singleShot(0, [&] { eventRanAtUs = clock.nsecsElapsed() / 1000; });
    rig.pty.sendLater(400ms, "ok\r");
    clock.start();
    QVERIFY(rig.port.Write("0123456789"));
    QByteArray text;
    rig.port.Read(text);

    QCOMPARE(text, QByteArray("ok\r"));
    QVERIFY(eventRanAtUs); // inside the read: only its event processing runs the timer
    QVERIFY2(*eventRanAtUs >= 1000 && *eventRanAtUs < 83'000, qPrintable(QString::number(*eventRanAtUs)));
}

void SerialPortTest::missingPortWithoutErrorBoxesFailsQuietly()
{
    PortFolder folder;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    prepare(port, "#13", 50, false);
    port.setShowErrors(false);

    QVERIFY(!port.Open());
    QVERIFY(!port.Write("ID?\r\n"));
    QByteArray text = "stale";
    port.Read(text);

    QCOMPARE(text, QByteArray());
    QVERIFY(!port.Opened());
    QVERIFY(desktop.shown.isEmpty());
}

void SerialPortTest::openFailureNamesTheReason_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("fragments");
    QTest::newRow("absent") << "absent" << QStringList{"no device at "};
    QTest::newRow("busy") << "busy" << QStringList{"is busy"};
    QTest::newRow("permission") << "permission"
                                << QStringList{"permission denied", "dialout", "log in again"};
    // The system refuses the open as it refuses a user outside the group: runs also as root.
    QTest::newRow("permission, refused by the system") << "refused"
                                                       << QStringList{"permission denied", "dialout", "log in again"};
}

void SerialPortTest::openFailureNamesTheReason()
{
    QFETCH(QString, failure);
    QFETCH(QStringList, fragments);
    PortFolder folder;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.defaultButton = Button::Abort;
    TRZComPort holder(prompts);
    holder.setPort(testPort);
    if (failure != QLatin1String("absent")) {
        RawPty &pty = folder.plug(testPort);
        if (failure == QLatin1String("busy")) {
            QVERIFY(holder.Open());
        } else if (failure == QLatin1String("refused")) {
            // The node is there and open to all; only the open call says no.
        } else {
            if (::geteuid() == 0)
                QSKIP("root opens any device node");
            QVERIFY(QFile::setPermissions(pty.devicePath(), QFileDevice::Permissions()));
        }
    }
    auto device = failure == QLatin1String("refused")
        ? std::make_unique<PosixSerialDevice>([](const char *, int) {
              errno = EACCES;
              return -1;
          })
        : std::make_unique<PosixSerialDevice>();
    TRZComPort port(prompts, nullptr, std::move(device));
    port.setPort(testPort);

    QVERIFY(!port.Open());

    const QStringList boxes = desktop.textsOf("warning");
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().startsWith("Error opening COM5: "), qPrintable(boxes.first()));
    for (const QString &fragment : fragments)
        QVERIFY2(boxes.first().contains(fragment), qPrintable(boxes.first()));
}

void SerialPortTest::retryInTheOpenBoxTriesAgain_data()
{
    QTest::addColumn<bool>("plugInWhileAsked");
    QTest::addColumn<int>("boxes");
    QTest::newRow("device plugged in meanwhile") << true << 1;
    QTest::newRow("device still missing") << false << 2;
}

void SerialPortTest::retryInTheOpenBoxTriesAgain()
{
    QFETCH(bool, plugInWhileAsked);
    QFETCH(int, boxes);
    PortFolder folder;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.warningAnswers = {Button::Retry};
    desktop.defaultButton = Button::Abort;
    desktop.whileWarningOpen = [&](const QString &) {
        if (plugInWhileAsked)
            folder.plug(testPort);
    };
    TRZComPort port(prompts);
    port.setPort(testPort);

    QCOMPARE(port.Open(), plugInWhileAsked);

    QCOMPARE(port.Opened(), plugInWhileAsked);
    QCOMPARE(desktop.textsOf("warning").size(), boxes);
}

void SerialPortTest::deviceIsOpenedExclusively_data()
{
    QTest::addColumn<bool>("throughDeviceNode");
    QTest::newRow("through the same link") << false;
    QTest::newRow("through the device node") << true;
}

void SerialPortTest::deviceIsOpenedExclusively()
{
    QFETCH(bool, throughDeviceNode);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort holder(prompts);
    holder.setPort(testPort);
    QVERIFY(holder.Open());
    QVERIFY(holder.Open()); // reopening its own port is no conflict
    if (throughDeviceNode)
        folder.setPattern(pty.devicePath());
    TRZComPort other(prompts);
    other.setPort(testPort);
    other.setShowErrors(false);

    QVERIFY(!other.Open());
    QVERIFY(isMarkedExclusive(pty.devicePath())); // the failed open left the holder's mark
    holder.Close();
    QVERIFY(!isMarkedExclusive(pty.devicePath()));
    QVERIFY(other.Open());
    QVERIFY(desktop.shown.isEmpty());
}

void SerialPortTest::writeOnClosedPortOpensItFirst()
{
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    port.setPort(testPort);

    QVERIFY(port.Write(";LA:ID?\r\n"));

    QVERIFY(port.Opened());
    QCOMPARE(pty.receive(9), QByteArray(";LA:ID?\r\n"));
}

void SerialPortTest::changedLineSettingReopensThePort_data()
{
    QTest::addColumn<QString>("setting");
    QTest::newRow("Baud") << "Baud";
    QTest::newRow("Parity") << "Parity";
    QTest::newRow("Handshaking") << "Handshaking";
    QTest::newRow("Port") << "Port";
}

// Moving port 5's link to the second pty makes a reopen visible: afterwards the port writes there.
void SerialPortTest::changedLineSettingReopensThePort()
{
    QFETCH(QString, setting);
    PortFolder folder;
    RawPty &first = folder.plug(testPort);
    RawPty &second = folder.plug(testPort + 1);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    port.setPort(testPort);
    QVERIFY(port.Open());
    folder.relink(testPort, second);

    writeLineSetting(port, setting, false);
    QVERIFY(port.Write("same\r"));
    QCOMPARE(first.receive(5), QByteArray("same\r"));

    writeLineSetting(port, setting, true);
    QVERIFY(port.Opened());
    QVERIFY(port.Write("new\r"));
    QCOMPARE(second.receive(4), QByteArray("new\r"));
}

void SerialPortTest::changedLineSettingLeavesAClosedPortClosed()
{
    PortFolder folder;
    folder.plug(testPort);
    folder.plug(testPort + 1);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    port.setPort(testPort);

    for (const QString setting : {"Baud", "Parity", "Handshaking", "Port"})
        writeLineSetting(port, setting, true);

    QVERIFY(!port.Opened());
    QCOMPARE(port.Baud(), 57600);
    QCOMPARE(port.Port(), testPort + 1);
}

void SerialPortTest::hangUpEndsWaitingReadAndClosesThePort_data()
{
    QTest::addColumn<bool>("allowEvents");
    QTest::newRow("blocking wait") << false;
    QTest::newRow("with GUI events") << true;
}

void SerialPortTest::hangUpEndsWaitingReadAndClosesThePort()
{
    QFETCH(bool, allowEvents);
    PortFolder folder;
    RawPty &pty = folder.plug(testPort);
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    desktop.defaultButton = Button::Retry;
    TRZComPort port(prompts);
    prepare(port, "#13", 60'000, allowEvents);
    bool timeoutHandlerCalled = false;
    port.setOnTimeout([&] { timeoutHandlerCalled = true; });
    QVERIFY(port.Open());

    pty.hangUpLater(50ms);
    QElapsedTimer clock;
    clock.start();
    QByteArray text;
    port.Read(text);

    QVERIFY(clock.elapsed() < 30'000); // far from the response time: the hang-up ended it
    QVERIFY(port.TimedOut());
    QVERIFY(!port.Opened());
    QVERIFY(!timeoutHandlerCalled);
    QVERIFY(desktop.shown.isEmpty());
    port.setShowErrors(false);
    QVERIFY(!port.Open());
}

} // namespace tovra::test

QTEST_MAIN(tovra::test::SerialPortTest)
#include "tst_serialport.moc"
