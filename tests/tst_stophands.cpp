// Stop and exit with the operator's own hands on the built program: a real X server with a window
// manager, keys and pointer driven by xdotool, and a simulated laser hearing what is sent.

#include "testshard.h"
#include "programonscreen.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tovra;
using namespace std::chrono_literals;
using test::LayoutPlaces;
using test::ProgramOnScreen;

namespace {

using Lines = QList<QByteArray>;

bool waitForBox(const ProgramOnScreen &program, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&program] { return !program.otherWindows().isEmpty(); }, timeoutMs);
}

// The status poll has read the laser twice since `line` was sent: the controls follow it.
bool polledSince(const ProgramOnScreen &program, const QByteArray &line)
{
    return QTest::qWaitFor([&] {
        const Lines lines = program.laser.transcript();
        const qsizetype sent = lines.indexOf(line);
        return sent >= 0 && lines.mid(sent).count(";LA:SS?") >= 2;
    }, 10000);
}

bool endsWithin(ProgramOnScreen &program, int ms)
{
    return program.program.waitForFinished(ms);
}

} // namespace

class StopHandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stopAfterADismissedQuestionSendsFireOff();
    void signalWhileAFaultBoxIsOpenOpensNoOtherAndEnds();

private:
    std::unique_ptr<test::XSession> session;
    LayoutPlaces places;
};

void StopHandsTest::initTestCase()
{
    if (!test::XSession::available() || !test::XSession::windowManagerAvailable())
        QSKIP("Xvfb, xdotool and a window manager are needed to drive the program as a person does");
    session = std::make_unique<test::XSession>();
    QVERIFY2(!session->display().isEmpty(), "Xvfb did not start");
}

// "FL 1" goes unanswered long enough for "Communications lost. Restart?"; the operator closes the
// box with Escape. The button still reads "Stop", and a click on it sends "FL 0".
void StopHandsTest::stopAfterADismissedQuestionSendsFireOff()
{
    // The question comes after the reply's time-out; a second does as well as the full five.
    ProgramOnScreen program(*session, {}, {QStringLiteral("TOVRA_TEST_TIMINGS=responseTime=1000,statusPollInterval=300")});
    QVERIFY(program.ready());
    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.LaserEnableBtn)));
    program.click();
    QVERIFY(polledSince(program, ";LA:EN 1"));

    program.laser.silenceAt(sim::LineTrigger::lineHolding("FL 1"), 3s);
    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.FireStopbtn)));
    program.click();
    QVERIFY(waitForBox(program));
    QVERIFY(session->focus(program.otherWindows().constFirst().toULongLong()));
    program.key({QStringLiteral("Escape")});
    QVERIFY(QTest::qWaitFor([&] { return program.otherWindows().isEmpty(); }, 5000));

    const qsizetype before = program.laser.transcript().size();
    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.FireStopbtn)));
    program.click();
    QVERIFY(QTest::qWaitFor([&] { return program.laser.transcript().mid(before).contains(";LA:FL 0"); }, 2000));
    QCOMPARE(program.laser.transcript().count(";LA:FL 1"), 1);
}

// The laser reports two faults at once (bits 7 and 9); the signal closes the first box, and the
// second never opens: "FL 0" goes out and the program ends.
void StopHandsTest::signalWhileAFaultBoxIsOpenOpensNoOtherAndEnds()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());
    const uint32_t faults = (1u << 7) | (1u << 9);
    program.laser.setReplyOverride(";LA:SS?", QByteArray::number(program.laser.statusWord() | faults));
    QVERIFY(waitForBox(program));

    program.program.terminate();
    QVERIFY(endsWithin(program, 5000));
    QCOMPARE(program.laser.transcript().last(), QByteArray(";LA:FL 0"));
}

TOVRA_TEST_MAIN(StopHandsTest)
#include "tst_stophands.moc"
