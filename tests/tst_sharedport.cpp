#include "testshard.h"
#include "scriptline.h"
#include "taskrunner.h"
#include "sharedport.h"
#include "sharedprogram.h"

#include "laserstate.h"
#include "mainformlayout.h"
#include "plusspinedit.h"
#include "remotefiringbanner.h"
#include "trafficview.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovra;
using test::SharedProgram;

namespace {

// The user "nobody": another user for files and folders, made by root without an account.
constexpr uid_t NobodyId = 65534;

// The laser's own lines in the transcript: what the program sends for itself always carries
// the ";LA:" or ";LC:" address, the scripts' lines here never do.
QList<QByteArray> scriptLinesHeard(const QList<QByteArray> &transcript)
{
    QList<QByteArray> lines;
    for (const QByteArray &line : transcript) {
        if (!line.startsWith(";LA:") && !line.startsWith(";LC:"))
            lines.append(line);
    }
    return lines;
}

} // namespace

// Scripts reach the laser through the shared port while the window keeps the serial port.
class SharedPortTest : public QObject
{
    Q_OBJECT
private slots:
    void startSwitchSharesThePortAndCaptionSaysWhere();
    void scriptGetsTheLasersRepliesInOrder();
    void windowFollowsTheScriptsSetters_data();
    void windowFollowsTheScriptsSetters();
    void firingLinesNeedTheOperatorsPermission_data();
    void firingLinesNeedTheOperatorsPermission();
    void remoteFiringPassesOnlyWhileAllowed();
    void switchingOffHangsTheScriptUpAndRemovesTheLink();
    void exitRemovesTheLinkAndStopsFiringLast();
    void floodLosesNothingAndThePollKeepsItsCadence();
    void badInputReachesTheLaserOnlyAsCompleteLines();
    void scriptsMayOpenAndCloseThePortOverAndOver();
    void onlyAStaleLinkOfOursIsReplaced_data();
    void onlyAStaleLinkOfOursIsReplaced();
    void folderNotOfTheUserAloneIsRefusedByName_data();
    void folderNotOfTheUserAloneIsRefusedByName();
    void runtimeFolderOfAnotherUserRefusesSharingWithAMessage();
    void overlongLineIsAnsweredLineTooLongInItsTurn();
    void everyOpenAtTheLasersLineSettingsWorks();
    void bannerAndLogTellThatScriptsMayFire();
    void passwordsAreNeitherShownNorLoggedWhoeverSentThem();
    void oneLinkServesOneProgram();
    void atMostSixteenLinesWaitAndNoneIsLost();
    void demoModeOffersNoSharing();
};

void SharedPortTest::startSwitchSharesThePortAndCaptionSaysWhere()
{
    SharedProgram program;
    QVERIFY(program.form->ui.SharePortMenu->isChecked());
    QVERIFY(program.form->ui.AllowRemoteFiringMenu->isEnabled());
    QVERIFY(!program.form->ui.AllowRemoteFiringMenu->isChecked());
    QVERIFY(QFileInfo(program.linkPath()).isSymLink());
    QVERIFY(QFileInfo(program.linkPath()).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));
    QCOMPARE(QFileInfo(QFileInfo(program.linkPath()).path()).permissions() & 0x0077, QFileDevice::Permissions());
    QCOMPARE(QFileInfo(program.linkPath()).permissions() & 0x0077, QFileDevice::Permissions());
    QVERIFY(program.form->windowTitle().endsWith(QStringLiteral("  Shared: ") + program.linkPath()));
    QVERIFY(program.form->windowTitle().startsWith(QLatin1String("Marovane Model Tovra")));

    // A refresh sets the caption anew; it still says where the port is shared.
    program.form->ui.Up1->trigger();
    QTRY_VERIFY(!program.form->laserProgram().tasks().loadPending() && !program.form->laserProgram().tasks().running());
    QVERIFY(program.form->windowTitle().endsWith(QStringLiteral("  Shared: ") + program.linkPath()));
    QCOMPARE(program.form->windowTitle().count(QLatin1String("Shared: ")), 1);
}

void SharedPortTest::scriptGetsTheLasersRepliesInOrder()
{
    SharedProgram program;
    // All lines at once: each waits for the reply of the one before it.
    const QStringList replies = program.runScript(QStringLiteral(R"(
port = open_port()
lines = ['RR?', 'RR 20', 'RR?', ';LA:BC 5', 'BC?', 'SS?']
port.write(b''.join(line.encode() + b'\r\n' for line in lines))
for line in lines:
    print(read_reply(port))
)"));
    QCOMPARE(replies.mid(0, 5), QStringList({"10.0", "OK", "20.0", "OK", "5"}));
    QCOMPARE(replies.size(), 6);
    bool isNumber = false;
    replies.at(5).toInt(&isNumber);
    QVERIFY(isNumber);
    QCOMPARE(program.laser.transcript(),
             QList<QByteArray>({"RR?", "RR 20", "RR?", ";LA:BC 5", "BC?", "SS?"}));
    // The terminal view shows the script's traffic as it shows the operator's.
    const QStringList shown = program.form->ResponseList->lines();
    QVERIFY(shown.filter(QRegularExpression(QStringLiteral("^\\(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\) \\[script\\] RR 20$"))).size() == 1);
}

void SharedPortTest::windowFollowsTheScriptsSetters_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("shown");

    QTest::newRow("repetition rate") << "RR 20" << "RepRateAdj" << QByteArray("Value") << QVariant(20.0);
    QTest::newRow("burst count, addressed") << ";LA:BC 5" << "BurstCountAdj" << QByteArray("Value") << QVariant(5.0);
    QTest::newRow("pulse mode") << "PM 2" << "SystemModeSel" << QByteArray("currentIndex") << QVariant(2);
    QTest::newRow("sync output") << "sy 3" << "SyncSettingsSel" << QByteArray("currentIndex") << QVariant(3);
    QTest::newRow("diode current") << "DC 12.5" << "DiodeCurrentAdj" << QByteArray("Value") << QVariant(12.5);
    QTest::newRow("pulse width") << "DW 0.0002" << "DiodePulseWidthAdj" << QByteArray("Value") << QVariant(0.0002);
    QTest::newRow("q-switch delay") << "QD 0.0002" << "QSWDelayAdj" << QByteArray("Value") << QVariant(0.0002);
    QTest::newRow("q-switch off") << "QE 0" << "QSwitchEnableBtn" << QByteArray("checked") << QVariant(false);
    QTest::newRow("q-switch trigger") << "QT 1" << "QSWTriggerSel" << QByteArray("currentIndex") << QVariant(1);
    QTest::newRow("wait count") << "QW 7" << "QSWWaitCountAdj" << QByteArray("Value") << QVariant(7.0);
    QTest::newRow("divide by n on") << "DE 1" << "DivideByNEnable" << QByteArray("checked") << QVariant(true);
    QTest::newRow("divide by n") << "DN 4" << "DivideByNAdj" << QByteArray("Value") << QVariant(4.0);
    QTest::newRow("external diode trigger locks the pulse mode")
        << "DT 1" << "SystemModeSel" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("energy mode") << "EM 2" << "EnergyModeSel" << QByteArray("currentIndex") << QVariant(2);
    QTest::newRow("energy mode reads back the current it sets")
        << "EM 2" << "DiodeCurrentAdj" << QByteArray("Value") << QVariant(120.0);
    QTest::newRow("a setting the laser refuses changes nothing")
        << "RR fast" << "RepRateAdj" << QByteArray("Value") << QVariant(10.0);
}

void SharedPortTest::windowFollowsTheScriptsSetters()
{
    QFETCH(QString, line);
    QFETCH(QString, control);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, shown);
    SharedProgram program;

    const QStringList replies = program.runScript(QStringLiteral("print(ask(open_port(), sys.argv[2]))"),
                                                  60000, {line});
    QCOMPARE(replies.size(), 1);
    QTRY_VERIFY(!program.form->laserProgram().tasks().running() && program.form->laserProgram().tasks().queuedLines() == 0);
    QTest::qWait(100);
    QObject *widget = program.form->findChild<QObject *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->property(property.constData()), shown);
    // Nothing is sent back: after the script's line the laser hears at most the read-back query.
    const QList<QByteArray> heard = program.laser.transcript();
    QCOMPARE(heard.first(), line.toLatin1());
    for (const QByteArray &later : heard.mid(1))
        QVERIFY2(later.endsWith('?'), later.constData());
}

void SharedPortTest::firingLinesNeedTheOperatorsPermission_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("needsPermission");

    QTest::newRow("fire") << "FL 1" << true;
    QTest::newRow("enable") << "EN 1" << true;
    QTest::newRow("addressed") << ";LA:FL 1" << true;
    QTest::newRow("any address") << ";LB:EN 1" << true;
    QTest::newRow("lower case") << "fl 1" << true;
    QTest::newRow("blanks around") << "  FL   1  " << true;
    QTest::newRow("one as a decimal") << "FL 1.0" << true;
    QTest::newRow("other number") << "EN 2" << true;
    QTest::newRow("not a number") << "FL on" << true;
    QTest::newRow("empty argument") << "FL " << true;
    QTest::newRow("control characters inside") << QStringLiteral("F\x01L 1\x7f") << true;
    QTest::newRow("stop") << "FL 0" << false;
    QTest::newRow("disable") << "EN 0" << false;
    QTest::newRow("stop as a decimal") << "FL 0.0" << false;
    QTest::newRow("query") << "FL?" << false;
    QTest::newRow("bare mnemonic reads as a query") << "EN" << false;
    QTest::newRow("other command") << "RR 1" << false;
    QTest::newRow("longer mnemonic") << "FLX 1" << false;
}

void SharedPortTest::firingLinesNeedTheOperatorsPermission()
{
    QFETCH(QString, line);
    QFETCH(bool, needsPermission);
    QCOMPARE(mayStartFiring(line), needsPermission);
}

void SharedPortTest::remoteFiringPassesOnlyWhileAllowed()
{
    SharedProgram program;
    const QString body = QStringLiteral(R"(
port = open_port()
for line in ['EN 1', 'FL 1', 'FL?', 'FL 0', 'EN 0']:
    print(ask(port, line))
)");
    QCOMPARE(program.runScript(body), QStringList({"Remote firing not allowed", "Remote firing not allowed", "0", "OK", "OK"}));
    QCOMPARE(program.laser.transcript(), QList<QByteArray>({"FL?", "FL 0", "EN 0"}));

    program.laser.clearTranscript();
    program.form->ui.AllowRemoteFiringMenu->trigger();
    QCOMPARE(program.runScript(body), QStringList({"OK", "OK", "1", "OK", "OK"}));
    QCOMPARE(program.laser.transcript(), QList<QByteArray>({"EN 1", "FL 1", "FL?", "FL 0", "EN 0"}));

    // The permission ends with the sharing and does not come back with it.
    program.form->ui.SharePortMenu->trigger();
    program.form->ui.SharePortMenu->trigger();
    QVERIFY(program.form->ui.SharePortMenu->isChecked());
    QVERIFY(!program.form->ui.AllowRemoteFiringMenu->isChecked());
    QCOMPARE(program.runScript(QStringLiteral("print(ask(open_port(), 'FL 1'))")), QStringList({"Remote firing not allowed"}));
}

void SharedPortTest::switchingOffHangsTheScriptUpAndRemovesTheLink()
{
    SharedProgram program;
    QProcess script;
    program.startScript(script, QStringLiteral(R"(
port = open_port(timeout=1.0)
print(ask(port, 'RR?'), flush=True)
try:
    while True:
        port.read(1)
except serial.SerialException:
    print('hang-up', flush=True)
)"));
    QTRY_VERIFY_WITH_TIMEOUT(script.canReadLine(), 20000);
    QCOMPARE(script.readLine().trimmed(), QByteArray("10.0"));

    program.form->ui.SharePortMenu->trigger();
    QVERIFY(!program.form->ui.SharePortMenu->isChecked());
    QVERIFY(!program.form->ui.AllowRemoteFiringMenu->isEnabled());
    QVERIFY(!QFileInfo::exists(program.linkPath()) && !QFileInfo(program.linkPath()).isSymLink());
    QVERIFY(!program.form->windowTitle().contains(QLatin1String("Shared")));
    QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 20000);
    QCOMPARE(script.readAllStandardOutput().trimmed(), QByteArray("hang-up"));
}

void SharedPortTest::exitRemovesTheLinkAndStopsFiringLast()
{
    SharedProgram program;
    program.form->Exit1Click();
    QTRY_VERIFY(program.form->hasEnded());
    QVERIFY(!QFileInfo(program.linkPath()).isSymLink());
    QCOMPARE(program.laser.transcript().last(), QByteArray(";LA:FL 0"));
}

// A script writes as fast as it can from one thread and reads from another; each count it sets
// must come back from the query after it, and the status poll goes on once a second.
void SharedPortTest::floodLosesNothingAndThePollKeepsItsCadence()
{
    sim::LaserConfig laser;
    laser.pacing = true;
    SharedProgram program(laser, {QStringLiteral("-share")}, true);
    // A poll every 400 ms instead of every second: the flood need last only as many polls.
    constexpr std::chrono::milliseconds pollInterval(400);
    program.form->laserProgram().tasks().setPollingInterval(pollInterval);
    const int count = 250;
    const QStringList output = program.runScript(QStringLiteral(R"(
port = open_port(timeout=10.0)
count = int(sys.argv[2])
def write_all():
    for n in range(1, count + 1):
        port.write(b'BC %d\r\nBC?\r\n' % n)
writer = threading.Thread(target=write_all)
start = time.monotonic()
writer.start()
lost = 0
for n in range(1, count + 1):
    if read_reply(port) != 'OK' or read_reply(port) != str(n):
        lost += 1
writer.join()
print('lost', lost)
print('seconds', time.monotonic() - start)
)"),
                                                 120000, {QString::number(count)});
    QCOMPARE(output.size(), 2);
    QCOMPARE(output.at(0), QStringLiteral("lost 0"));
    const double seconds = output.at(1).section(QLatin1Char(' '), 1).toDouble();
    const double interval = std::chrono::duration<double>(pollInterval).count();
    QVERIFY2(seconds > 3 * interval, qPrintable(output.at(1)));

    const QList<QByteArray> heard = program.laser.transcript();
    QList<QByteArray> expected;
    for (int n = 1; n <= count; ++n)
        expected << "BC " + QByteArray::number(n) << "BC?";
    QCOMPARE(scriptLinesHeard(heard), expected);
    // A poll takes a little time of its own after each interval, more on a busy machine; without
    // the script giving way to it, hardly any poll would come at all.
    const int polls = int(heard.count(";LA:SS?"));
    QVERIFY2(polls >= int(seconds / (1.5 * interval)), qPrintable(QStringLiteral("%1 polls in %2 s").arg(polls).arg(seconds)));
}

void SharedPortTest::badInputReachesTheLaserOnlyAsCompleteLines()
{
    SharedProgram program;
    const QStringList output = program.runScript(QStringLiteral(R"(
port = open_port()
random.seed(7)
# An endless line, binary garbage cut into lines, NUL bytes, then a marker to read up to.
port.write(bytes(random.choice(range(32, 256)) for _ in range(5000)) + b'\r\n')
port.write(bytes(random.randrange(256) for _ in range(3000)) + b'\r\n')
port.write(b'\x00\x00\r\n\x00RR?\x00\r\n')
port.write(b'BC 777\r\nBC?\r\n')
replies = 0
while read_reply(port) != '777':
    replies += 1
    if replies > 3000:
        break
print('marker')
port.write(b'RR 55')
port.close()
)"));
    QCOMPARE(output, QStringList({"marker"}));
    QTRY_VERIFY(!program.form->laserProgram().tasks().running());

    const QList<QByteArray> heard = program.laser.transcript();
    for (const QByteArray &line : heard) {
        QVERIFY(line.size() <= SharedPort::MaxLineLength);
        QVERIFY(!line.contains('\r') && !line.contains('\n'));
        QVERIFY(line != "RR 55");
    }
    QVERIFY(heard.contains(QByteArray("\0\0", 2)));
    QVERIFY(program.form->ResponseList->lines().filter(QLatin1String("longer than 256 characters not sent")).size() >= 1);

    // The window still works: the operator's change goes out.
    program.laser.clearTranscript();
    program.form->ui.RepRateAdj->setValue(30);
    QTRY_COMPARE(program.laser.transcript(), QList<QByteArray>({";LA:RR 30.0"}));
}

void SharedPortTest::scriptsMayOpenAndCloseThePortOverAndOver()
{
    SharedProgram program;
    const QStringList output = program.runScript(QStringLiteral(R"(
for _ in range(40):
    port = open_port()
    port.write(b'RR?\r\n')
    port.close()
# Replies to lines of the closed ports may still be on their way, as on a real line: a script
# that opens the port afresh lets them pass before it asks.
port = open_port(timeout=0.5)
while port.read(1024):
    pass
print(ask(port, 'BC?'))
)"));
    QCOMPARE(output, QStringList({"10"}));
    QCOMPARE(program.laser.transcript().count("RR?"), 40);
}

void SharedPortTest::onlyAStaleLinkOfOursIsReplaced_data()
{
    QTest::addColumn<QString>("existing"); // "link:" + target, "live link", or "file"
    QTest::addColumn<bool>("lockLeft"); // a lock file of ours lies beside it, held by no one
    QTest::addColumn<bool>("otherUser"); // the link belongs to another user
    QTest::addColumn<bool>("shared");

    QTest::newRow("stale link into /dev/pts, our lock left") << "link:/dev/pts/9999" << true << false << true;
    QTest::newRow("stale link into /dev/pts, no lock of ours") << "link:/dev/pts/9999" << false << false << false;
    QTest::newRow("live link to another program's pty") << "live link" << false << false << false;
    QTest::newRow("another user's link, our lock left") << "link:/dev/pts/9999" << true << true << false;
    QTest::newRow("regular file") << "file" << true << false << false;
    QTest::newRow("link elsewhere") << "link:/etc/hostname" << true << false << false;
}

void SharedPortTest::onlyAStaleLinkOfOursIsReplaced()
{
    QFETCH(QString, existing);
    QFETCH(bool, lockLeft);
    QFETCH(bool, otherUser);
    QFETCH(bool, shared);
    if (otherUser && geteuid() != 0)
        QSKIP("Only root can give a link to another user here");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("port"));
    int otherProgram = -1; // another program's pty, open while the test runs
    QString target = existing.mid(5);
    if (existing == QLatin1String("live link")) {
        otherProgram = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(otherProgram >= 0 && grantpt(otherProgram) == 0 && unlockpt(otherProgram) == 0);
        target = QString::fromLocal8Bit(ptsname(otherProgram));
    }
    if (existing == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("notes\n");
    } else {
        QVERIFY(QFile::link(target, path));
    }
    if (otherUser)
        QCOMPARE(lchown(QFile::encodeName(path).constData(), NobodyId, NobodyId), 0);
    if (lockLeft) {
        QFile lock(path + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    }

    SharedPort port;
    QString error;
    QCOMPARE(port.open(path, &error), shared);
    if (shared) {
        QVERIFY(QFileInfo(path).symLinkTarget() != target);
        port.close();
        QVERIFY(!QFileInfo(path).isSymLink());
    } else {
        QVERIFY(error.contains(path));
        QCOMPARE(QFileInfo(path).isSymLink(), existing != QLatin1String("file"));
        if (existing == QLatin1String("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("notes\n"));
        } else {
            QCOMPARE(QFileInfo(path).symLinkTarget(), target);
        }
    }
    // Whatever happened, no lock of ours stays behind.
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".lock")));
    if (otherProgram >= 0)
        ::close(otherProgram);
}

// Whoever else may write to the link's folder could swap the link for their own pty.
void SharedPortTest::folderNotOfTheUserAloneIsRefusedByName_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("otherUser");
    QTest::addColumn<bool>("shared");

    QTest::newRow("own, 0700") << 0700 << false << true;
    QTest::newRow("own, 0755") << 0755 << false << false;
    QTest::newRow("own, world-writable") << 0777 << false << false;
    QTest::newRow("another user's, 0700") << 0700 << true << false;
    QTest::newRow("another user's, 0755") << 0755 << true << false;
}

void SharedPortTest::folderNotOfTheUserAloneIsRefusedByName()
{
    QFETCH(int, mode);
    QFETCH(bool, otherUser);
    QFETCH(bool, shared);
    if (otherUser && geteuid() != 0)
        QSKIP("Only root can give a folder to another user here");
    QTemporaryDir runtime;
    const QString folder = runtime.filePath(QStringLiteral("tovra"));
    QCOMPARE(mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    QCOMPARE(chmod(QFile::encodeName(folder).constData(), mode_t(mode)), 0);
    if (otherUser)
        QCOMPARE(chown(QFile::encodeName(folder).constData(), NobodyId, NobodyId), 0);

    SharedPort port;
    QString error;
    QCOMPARE(port.open(folder + QStringLiteral("/port"), &error), shared);
    QCOMPARE(QFileInfo(folder + QStringLiteral("/port")).isSymLink(), shared);
    if (!shared)
        QVERIFY2(error.contains(QStringLiteral("The folder ") + folder), qPrintable(error));
}

void SharedPortTest::runtimeFolderOfAnotherUserRefusesSharingWithAMessage()
{
    SharedProgram program({}, {});
    const QString folder = QFileInfo(program.linkPath()).path();
    QCOMPARE(mkdir(QFile::encodeName(folder).constData(), 0755), 0);
    QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    if (geteuid() == 0)
        QCOMPARE(chown(QFile::encodeName(folder).constData(), NobodyId, NobodyId), 0);

    program.form->ui.SharePortMenu->trigger();

    QVERIFY(!program.form->ui.SharePortMenu->isChecked());
    QVERIFY(!QFileInfo(program.linkPath()).isSymLink());
    const QStringList messages = program.rig.desktop.textsOf(QStringLiteral("message"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("The port is not shared: The folder ") + folder),
             qPrintable(messages.first()));
}

// A script that writes and then reads gets one answer per line, in order, however long a line.
void SharedPortTest::overlongLineIsAnsweredLineTooLongInItsTurn()
{
    SharedProgram program;
    const QStringList replies = program.runScript(QStringLiteral(R"(
port = open_port()
port.write(b'BC?\r\n' + b'RR 1' + b'0' * 252 + b'\r\n' + b'x' * 257 + b'\r\n' + b'y' * 5000 + b'\nRR?\r\n')
for _ in range(5):
    print(read_reply(port))
)"));
    QCOMPARE(replies, QStringList({"10", "OK", "Line too long", "Line too long", "100.0"}));
    // The 256 characters went out, the longer lines never did.
    QCOMPARE(program.laser.transcript().size(), 3);
    QCOMPARE(program.laser.transcript().at(1).size(), 256);
    QVERIFY(program.form->ResponseList->lines().filter(QLatin1String("answered \"Line too long\"")).size() == 2);
}

// Scripts open the port at 57600 8E1 as if it were the laser's own port, as often as they like.
void SharedPortTest::everyOpenAtTheLasersLineSettingsWorks()
{
    SharedProgram program;
    const QStringList output = program.runScript(QStringLiteral(R"(
for n in range(8):
    try:
        port = serial.Serial(sys.argv[1], 57600, bytesize=8, parity=serial.PARITY_EVEN, stopbits=1, timeout=5)
    except Exception as error:
        print('open %d failed: %s' % (n, error))
        continue
    print(ask(port, 'RR?'))
    port.close()
    if n % 2:
        time.sleep(0.2) # the close noticed, too
# Opened and closed without a word, then opened again at once.
for n in range(3):
    serial.Serial(sys.argv[1], 57600, parity=serial.PARITY_EVEN).close()
    time.sleep(0.2)
port = serial.Serial(sys.argv[1], 57600, parity=serial.PARITY_EVEN, timeout=5)
print(ask(port, 'BC?'))
)"));
    QCOMPARE(output, QStringList(8, QStringLiteral("10.0")) << QStringLiteral("10"));
}

void SharedPortTest::bannerAndLogTellThatScriptsMayFire()
{
    SharedProgram program({}, {QStringLiteral("-share"), QStringLiteral("-log")});
    TMainForm &form = *program.form;
    auto *banner = form.findChild<RemoteFiringBanner *>();
    QVERIFY(banner);
    QVERIFY(banner->isHidden());

    form.ui.AllowRemoteFiringMenu->trigger();
    QVERIFY(!banner->isHidden());
    QCOMPARE(banner->text(),
             QStringLiteral("Remote firing allowed: scripts at %1 may fire the laser").arg(program.linkPath()));
    banner->copyPath();
    QCOMPARE(QGuiApplication::clipboard()->text(), program.linkPath());

    // A script's lines are marked in the terminal view and named in the log's traffic lines.
    QCOMPARE(program.runScript(QStringLiteral("print(ask(open_port(), 'RR?'))")), QStringList{"10.0"});
    form.ui.AllowRemoteFiringMenu->trigger();
    QVERIFY(banner->isHidden());
    QCOMPARE(program.runScript(QStringLiteral("print(ask(open_port(), 'FL 1'))")),
             QStringList{"Remote firing not allowed"});
    QTRY_VERIFY(!form.ResponseList->lines().filter(QLatin1String("[script] RR?")).isEmpty());
    QVERIFY(!form.ResponseList->lines().filter(QLatin1String("[script] 10.0")).isEmpty());
    form.ui.SharePortMenu->trigger();

    const QStringList log = program.rig.fileLines(form.logFileName());
    const QStringList notes = log.filter(QRegularExpression(QStringLiteral("^Note    \\(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\): ")));
    QStringList said;
    for (const QString &note : notes)
        said.append(note.mid(note.indexOf(QLatin1String("): ")) + 3));
    QCOMPARE(said, QStringList({QStringLiteral("Share Port on: ") + program.linkPath(), QStringLiteral("Allow Remote Firing on"),
                                QStringLiteral("Allow Remote Firing off"),
                                QStringLiteral("Script line not sent, remote firing not allowed: FL 1"),
                                QStringLiteral("Share Port off: ") + program.linkPath()}));
    QVERIFY(log.filter(QRegularExpression(QStringLiteral("^Sent    \\(.{12}\\): \\[script\\] RR\\?$"))).size() == 1);
}

void SharedPortTest::oneLinkServesOneProgram()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("port"));
    SharedPort first;
    SharedPort second;
    QString error;
    QVERIFY(first.open(path, &error));
    const QString firstTarget = QFileInfo(path).symLinkTarget();
    QVERIFY(!second.open(path, &error));
    QVERIFY(error.contains(QLatin1String("already shares")));
    QCOMPARE(QFileInfo(path).symLinkTarget(), firstTarget);
}

// The port's own rule, without the program: past 16 unanswered lines the pty is left unread, and
// every line still comes, in order, as answers go out.
void SharedPortTest::atMostSixteenLinesWaitAndNoneIsLost()
{
    QTemporaryDir folder;
    SharedPort port;
    QString error;
    QVERIFY2(port.open(folder.filePath(QStringLiteral("port")), &error), qPrintable(error));
    const int script = ::open(QFile::encodeName(port.linkPath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(script >= 0);
    QByteArray lines;
    for (int n = 1; n <= 40; ++n)
        lines += "line " + QByteArray::number(n) + "\r\n";
    QCOMPARE(::write(script, lines.constData(), size_t(lines.size())), lines.size());

    QTRY_COMPARE(port.waitingLines(), SharedPort::MaxWaitingLines);
    QTest::qWait(50);
    QCOMPARE(port.waitingLines(), SharedPort::MaxWaitingLines);

    QList<QByteArray> received;
    while (received.size() < 40) {
        QTRY_VERIFY(port.hasLine());
        received.append(port.takeLine());
        QVERIFY(port.waitingLines() <= SharedPort::MaxWaitingLines);
        port.answer("reply " + received.last().mid(5));
    }
    for (int n = 1; n <= 40; ++n)
        QCOMPARE(received.at(n - 1), "line " + QByteArray::number(n));

    QByteArray replies;
    char buffer[1024];
    while (replies.count('\n') < 40) {
        const ssize_t got = ::read(script, buffer, sizeof buffer);
        QVERIFY(got > 0);
        replies.append(buffer, got);
    }
    QVERIFY(replies.startsWith("reply 1\r\nreply 2\r\n"));
    QVERIFY(replies.endsWith("reply 40\r\n"));
    ::close(script);
}

void SharedPortTest::demoModeOffersNoSharing()
{
    SharedProgram program({}, {QStringLiteral("-demo"), QStringLiteral("-share")});
    QVERIFY(!program.form->ui.SharePortMenu->isEnabled());
    QVERIFY(!program.form->ui.SharePortMenu->isChecked());
    QVERIFY(!QFileInfo(program.linkPath()).isSymLink());
}

void SharedPortTest::passwordsAreNeitherShownNorLoggedWhoeverSentThem()
{
    sim::LaserConfig mini;
    mini.family = sim::Family::Mini;
    mini.model = "MiniTovra";
    mini.passwordLocked = true;
    mini.password = "sesame";
    SharedProgram program(mini, {QStringLiteral("-share"), QStringLiteral("-log")});
    TMainForm &form = *program.form;

    program.rig.desktop.inputAnswers = {QStringLiteral("sesame")};
    QVERIFY(form.UnlockLaser());
    QCOMPARE(program.runScript(QStringLiteral("print(ask(open_port(), 'pw sesame'))")).size(), 1);

    // The laser got the real lines.
    QVERIFY(program.laser.transcript().contains("pw sesame"));
    QVERIFY(program.laser.transcript().contains(";LA:PW sesame"));
    QTRY_VERIFY(!form.ResponseList->lines().filter(QLatin1String(") [script] pw ****")).isEmpty());
    QVERIFY(!form.ResponseList->lines().filter(QRegularExpression(QStringLiteral("\\) ;LA:PW \\*\\*\\*\\*$"))).isEmpty());
    const QStringList log = program.rig.fileLines(form.logFileName());
    QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^Sent    \\(.{12}\\): (\\[script\\] pw|;LA:PW) \\*\\*\\*\\*$"))).size(), 2);
    QVERIFY(log.filter(QLatin1String("sesame")).isEmpty());
    QVERIFY(form.ResponseList->lines().filter(QLatin1String("sesame")).isEmpty());
}

TOVRA_TEST_MAIN(SharedPortTest)
#include "tst_sharedport.moc"
