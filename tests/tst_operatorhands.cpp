// The built program in a person's hands: a real X server with a window manager, the mouse and
// keyboard driven by xdotool, and a simulated laser hearing what the program sends.

#include "testshard.h"
#include "programonscreen.h"

#include "plusspinedit.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace tovra;
using test::LayoutPlaces;
using test::ProgramOnScreen;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)

namespace {

using Lines = QList<QByteArray>;

// What the operator's controls made the program send: commands without their prefix, the
// status poll's queries left out.
Lines commandsIn(const Lines &transcript)
{
    Lines commands;
    for (QByteArray line : transcript) {
        if (line.startsWith(";LA:"))
            line = line.mid(4);
        if (!line.endsWith('?'))
            commands.append(line);
    }
    return commands;
}

sim::LaserConfig laser(sim::Family family, bool attenuator, int cfg)
{
    sim::LaserConfig config = test::laserOfFamily(family);
    config.attenuator = attenuator;
    config.cfg = cfg;
    return config;
}

} // namespace

class OperatorHandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void enterInTheTerminalFieldSendsTheTypedLine();
    void wheelOverADropDownChangesNothingUntilTheOperatorFocusedIt();
    void tabAndDownReachOnlyVisibleControlsInLayoutOrder_data();
    void tabAndDownReachOnlyVisibleControlsInLayoutOrder();
    void screenShotFromTheMenuShowsTheWindowNotTheMenu();
    void windowFrameOpensInsideTheScreen_data();
    void windowFrameOpensInsideTheScreen();
    void clickLeftOfTheDigitsThenUpStepsADigitShown();
    void portDialogOpensWithAPortSelectedAndTakesDownAndEnter_data();
    void portDialogOpensWithAPortSelectedAndTakesDownAndEnter();
    void typingAfterEnterReplacesTheSentTextAndUpDownWalkTheHistory();
    void terminalOfAWindowTallerThanTheScreenIsScrolledIntoReach();

private:
    std::unique_ptr<test::XSession> session;
    LayoutPlaces places;
};

void OperatorHandsTest::initTestCase()
{
    if (!test::XSession::available())
        QSKIP("Xvfb and xdotool are needed to drive the program as a person does");
    session = std::make_unique<test::XSession>();
    QVERIFY2(!session->display().isEmpty(), "Xvfb did not start");
}

void OperatorHandsTest::enterInTheTerminalFieldSendsTheTypedLine()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());

    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.SendEdit)));
    program.click();
    session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("ID?")});
    program.key({QStringLiteral("Return")});

    // Sent exactly as typed, without the prefix of the program's own commands.
    QTRY_VERIFY_WITH_TIMEOUT(program.laser.transcript().contains("ID?"), 20000);
    program.key({QStringLiteral("Return")}); // the text stays, so Enter sends it again
    QTRY_COMPARE_WITH_TIMEOUT(program.laser.transcript().count("ID?"), 2, 20000);
}

void OperatorHandsTest::wheelOverADropDownChangesNothingUntilTheOperatorFocusedIt()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());
    const QList<QComboBox *> choices{places.ui.SystemModeSel, places.ui.SyncSettingsSel, places.ui.EnergyModeSel,
                                     places.ui.DiodeTriggerSel, places.ui.QSWTriggerSel};

    // The window opens with the focus on the first drop-down; that is not the operator's doing.
    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.SystemModeSel)));
    program.click(5);
    // Away and back by keys: now the operator chose it, and the wheel works there.
    program.key({QStringLiteral("Tab"), QStringLiteral("shift+Tab")});
    program.click(5);
    QTRY_COMPARE_WITH_TIMEOUT(commandsIn(program.laser.transcript()), Lines{"PM 1"}, 20000);

    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.SendEdit)));
    program.click();
    for (QComboBox *choice : choices) {
        program.moveMouseTo(program.onScreen(places.centreOf(choice)));
        program.click(5);
        program.click(4);
        program.click(5);
    }
    // A line typed into the terminal goes out after whatever the wheel queued before it.
    session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("ID?")});
    program.key({QStringLiteral("Return")});
    QTRY_VERIFY_WITH_TIMEOUT(program.laser.transcript().contains("ID?"), 20000);
    QCOMPARE(commandsIn(program.laser.transcript()), Lines{"PM 1"});
}

void OperatorHandsTest::tabAndDownReachOnlyVisibleControlsInLayoutOrder_data()
{
    // The stops of the Tab chain in order, each with what Down does there: the command a
    // setting sends ("RR" for a spin edit, whose step depends on its focus place), "-" for a
    // control that Down leaves as it is (a setting at its minimum, the terminal), or ">" for a
    // button or check box, where Down passes the focus on as Tab does.
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::addColumn<QStringList>("chain");
    // Fire is disabled while the laser does not report "Ok to Fire", so it is no stop.
    const QStringList terminalThenEnableAndFire{"-", ">", "-", ">"};
    const QStringList standardSettings{"PM 1", "RR", "BC", "SY 1", "DC", "EM 1", "DW", "DT 1",
                                       ">",    "QD", "QT 1", "-", ">", "-"};
    QTest::newRow("standard with attenuator") << laser(sim::Family::Standard, true, 0)
                                              << standardSettings + QStringList{">", "AT"} + terminalThenEnableAndFire;
    QTest::newRow("standard without options") << laser(sim::Family::Standard, false, 0)
                                              << standardSettings + QStringList{">"} + terminalThenEnableAndFire;
    QTest::newRow("micro with attenuator and energy mode")
        << laser(sim::Family::Micro, true, 1)
        << QStringList{"PM 1", "RR", "BC", "DT 1", ">", "AT:AP", "EM 1"} + terminalThenEnableAndFire;
    QTest::newRow("mini without options") << laser(sim::Family::Mini, false, 0)
                                          << QStringList{"PM 1", "RR", "BC", "DT 1", ">"} + terminalThenEnableAndFire;
}

// One walk around the chain, Down at every stop, as a person tries each control in turn. The
// laser must hear exactly what the visible controls show changing, in the order they stand in
// the window: a hidden control in the chain would take a stop and shift every later one.
void OperatorHandsTest::tabAndDownReachOnlyVisibleControlsInLayoutOrder()
{
    QFETCH(sim::LaserConfig, config);
    QFETCH(QStringList, chain);
    // Frequent status updates: the walk's end waits for one (below).
    ProgramOnScreen program(*session, config, {QStringLiteral("TOVRA_TEST_TIMINGS=statusPollInterval=200")});
    QVERIFY(program.ready());

    QStringList keys;
    QStringList expected;
    for (qsizetype stop = 0; stop < chain.size(); ++stop) {
        keys << QStringLiteral("Down");
        const QString &effect = chain[stop];
        if (effect == QLatin1String(">")) {
            ++stop; // Down moved the focus on, so Tab leaves that stop untried
            if (stop == chain.size())
                break;
        } else if (effect != QLatin1String("-")) {
            expected << effect;
        }
        keys << QStringLiteral("Tab");
    }
    // The walk has come round to the start: no stop kept the Tab key. The external diode trigger
    // chosen on the way disabled Pulse Mode, so Rep Rate is the first stop now.
    keys << QStringLiteral("Down");
    expected << QStringLiteral("RR");

    // The last key's command is the last the laser hears, so a stop in the wrong place shows as a
    // list that never matches.
    const auto heard = [&program, &expected] {
        QStringList lines;
        for (const QByteArray &command : commandsIn(program.laser.transcript())) {
            const QString line = QString::fromLatin1(command);
            lines << (expected.contains(line) ? line : line.section(QLatin1Char(' '), 0, 0));
        }
        return lines.join(QLatin1Char('|'));
    };
    // The step round to the start and the Down there go once the walk has been heard and a
    // status update has followed it: the program has then taken in the trigger's reply and
    // disabled Pulse Mode, however slowly the machine runs.
    program.key(keys.mid(0, keys.size() - 2));
    QTRY_COMPARE_WITH_TIMEOUT(heard(), expected.mid(0, expected.size() - 1).join(QLatin1Char('|')), 20000);
    const qsizetype walked = program.laser.transcript().size();
    QTRY_VERIFY_WITH_TIMEOUT(program.laser.transcript().mid(walked).contains(";LA:SS?"), 20000);
    program.key(keys.mid(keys.size() - 2));
    QTRY_COMPARE_WITH_TIMEOUT(heard(), expected.join(QLatin1Char('|')), 20000);
}

void OperatorHandsTest::screenShotFromTheMenuShowsTheWindowNotTheMenu()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());
    places.window.show(); // lays out the menu bar
    const QRect tools = places.ui.MainMenu1->actionGeometry(places.ui.ools1->menuAction());
    const QRect client = session->clientGeometry(program.window);

    // The Tools menu opens over the banner; Down three times reaches "Capture Screen Shot".
    program.moveMouseTo(client.topLeft() + tools.center());
    program.click();
    program.key({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    const QString file = program.workDir.filePath(QStringLiteral("Tovra_ScreenShot.jpg"));
    QImage picture;
    QTRY_VERIFY_WITH_TIMEOUT(picture.load(file), 20000);

    // Under the menu's place the picture shows the banner's dark background, not the light menu.
    const QRect frame = session->frameGeometry(program.window);
    const QPoint bannerInPicture = client.topLeft() - frame.topLeft()
                                   + QPoint(0, client.height() - test::standardClientHeight - test::statusBarHeight());
    const QRect underTheMenu(tools.left() + 50, 10, 80, 50);
    qint64 brightness = 0;
    for (int y = underTheMenu.top(); y <= underTheMenu.bottom(); ++y) {
        for (int x = underTheMenu.left(); x <= underTheMenu.right(); ++x)
            brightness += qGray(picture.pixel(bannerInPicture + QPoint(x, y)));
    }
    brightness /= underTheMenu.width() * underTheMenu.height();
    QVERIFY2(brightness < 80, qPrintable(QString::number(brightness)));
}

void OperatorHandsTest::windowFrameOpensInsideTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<bool>("fits");
    QTest::newRow("1024x768") << QSize(1024, 768) << QStringLiteral("1") << true;
    QTest::newRow("1600x1200 at scale 1.5") << QSize(1600, 1200) << QStringLiteral("1.5") << true;
    // Too tall for the screen as designed: the window takes the screen's height and scrolls.
    QTest::newRow("1600x1200 at scale 2") << QSize(1600, 1200) << QStringLiteral("2") << true;
    QTest::newRow("1920x1080 at scale 2") << QSize(1920, 1080) << QStringLiteral("2") << true;
}

void OperatorHandsTest::windowFrameOpensInsideTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(QString, scale);
    QFETCH(bool, fits);
    if (!test::XSession::windowManagerAvailable())
        QSKIP("needs a window manager to put a frame around the window");
    test::XSession small(screen);
    QVERIFY(!small.display().isEmpty());
    ProgramOnScreen program(small, {}, {QStringLiteral("QT_SCALE_FACTOR=") + scale});
    QVERIFY(program.ready());

    const QRect area(QPoint(0, 0), screen);
    if (fits) {
        QTRY_VERIFY2_WITH_TIMEOUT(area.contains(small.frameGeometry(program.window)),
                                  qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                 .arg(small.frameGeometry(program.window).x())
                                                 .arg(small.frameGeometry(program.window).y())
                                                 .arg(small.frameGeometry(program.window).width())
                                                 .arg(small.frameGeometry(program.window).height())),
                                  20000);
    } else {
        // Too tall to fit: it stands at the top with its title bar on the screen, wholly inside
        // across.
        QTRY_COMPARE_WITH_TIMEOUT(small.frameGeometry(program.window).top(), 0, 20000);
        const QRect frame = small.frameGeometry(program.window);
        QVERIFY(frame.left() >= 0 && frame.right() < screen.width());
    }
}

// The repetition rate 10.0 stands right-aligned in a field made for "100.0": a click into the
// empty left part picks the tens, so Up gives 20.0, not the maximum.
void OperatorHandsTest::clickLeftOfTheDigitsThenUpStepsADigitShown()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());
    const QWidget *rate = places.ui.RepRateAdj;

    program.moveMouseTo(program.onScreen(rate->mapTo(places.ui.ClientArea, QPoint(3, rate->height() / 2))));
    program.click();
    program.key({QStringLiteral("Up")});

    QTRY_COMPARE_WITH_TIMEOUT(commandsIn(program.laser.transcript()), Lines{"RR 20.0"}, 20000);
}

void OperatorHandsTest::portDialogOpensWithAPortSelectedAndTakesDownAndEnter_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("chosenPort");
    // Port 1, the program's port before any choice, is not among them: nothing to preselect.
    QTest::newRow("Enter takes the first port") << QStringList{"Return"} << 2;
    QTest::newRow("the first Down moves to the second port") << QStringList{"Down", "Return"} << 3;
}

void OperatorHandsTest::portDialogOpensWithAPortSelectedAndTakesDownAndEnter()
{
    QFETCH(QStringList, keys);
    QFETCH(int, chosenPort);
    ProgramOnScreen program(*session, {}, {}, {QStringLiteral("-pickport")}, {2, 3});
    QVERIFY(program.program.waitForStarted(10000));
    const qulonglong dialog = session->waitForWindowOf(program.program.processId());
    QVERIFY(dialog);
    QTRY_COMPARE_WITH_TIMEOUT(session->windowName(dialog),
                              QStringLiteral("Select Serial Port"), 10000);
    QVERIFY(session->focus(dialog));

    program.key(keys);

    QTRY_VERIFY_WITH_TIMEOUT(program.ports.laser(chosenPort).transcript().contains(";LC:XL 0"), 20000);
    QVERIFY(program.session.waitForWindowOf(program.program.processId()));
    QCOMPARE(program.program.state(), QProcess::Running);
}

// "RR?" sent, then "SS?" typed: the laser must hear "SS?", not "RR?SS?".
void OperatorHandsTest::typingAfterEnterReplacesTheSentTextAndUpDownWalkTheHistory()
{
    ProgramOnScreen program(*session);
    QVERIFY(program.ready());
    auto type = [&](const QString &text) {
        session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), text});
    };

    program.moveMouseTo(program.onScreen(places.centreOf(places.ui.SendEdit)));
    program.click();
    type(QStringLiteral("RR?"));
    program.key({QStringLiteral("Return")});
    type(QStringLiteral("SS?"));
    program.key({QStringLiteral("Return")});
    QTRY_VERIFY_WITH_TIMEOUT(program.laser.transcript().contains("SS?"), 20000);
    QCOMPARE(commandsIn(program.laser.transcript()), Lines{});
    QCOMPARE(program.laser.transcript().count("RR?"), 1);

    // History: RR?, SS?. Up recalls the newest, Up again the one before, Down the newer again.
    program.key({QStringLiteral("Up"), QStringLiteral("Up"), QStringLiteral("Return")});
    QTRY_COMPARE_WITH_TIMEOUT(program.laser.transcript().count("RR?"), 2, 20000);
    program.key({QStringLiteral("Up"), QStringLiteral("Up"), QStringLiteral("Down"), QStringLiteral("Return")});
    QTRY_COMPARE_WITH_TIMEOUT(program.laser.transcript().count("RR?"), 3, 20000);
    QCOMPARE(program.laser.transcript().count("SS?"), 1);
}

// At scale 2 on a 1080-line screen the window is twice as tall as the screen: it opens wholly on
// the screen, and the wheel scrolls the terminal at the bottom into reach of the pointer.
void OperatorHandsTest::terminalOfAWindowTallerThanTheScreenIsScrolledIntoReach()
{
    if (!test::XSession::windowManagerAvailable())
        QSKIP("needs a window manager to put a frame around the window");
    const QSize screen(1920, 1080);
    test::XSession small(screen);
    QVERIFY(!small.display().isEmpty());
    ProgramOnScreen program(small, {}, {QStringLiteral("QT_SCALE_FACTOR=2")});
    QVERIFY(program.ready());
    QTRY_VERIFY_WITH_TIMEOUT(QRect(QPoint(0, 0), screen).contains(small.frameGeometry(program.window)), 20000);

    // Over the banner, which takes no wheel itself; many notches reach the end.
    const QRect client = small.clientGeometry(program.window);
    program.moveMouseTo(client.topLeft() + QPoint(100, 100));
    program.click(5, 30);

    // Scrolled to the end, the client area's bottom stands at the window's bottom. At scale 2 a
    // point of the layout is two pixels of the screen.
    const QPoint field = places.centreOf(places.ui.SendEdit);
    program.moveMouseTo(QPoint(client.left() + 2 * field.x(),
                               client.top() + client.height() - 2 * (test::statusBarHeight() + test::standardClientHeight - field.y())));
    program.click();
    small.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("ID?")});
    program.key({QStringLiteral("Return")});
    QTRY_VERIFY_WITH_TIMEOUT(program.laser.transcript().contains("ID?"), 20000);
}

TOVRA_TEST_MAIN(OperatorHandsTest)
#include "tst_operatorhands.moc"
