// The program's dialogs in the operator's hands: a real X server with a window manager, keys and
// pointer driven by xdotool, a simulated laser hearing what is sent.

#include "testshard.h"
#include "programonscreen.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tovra;
using test::LayoutPlaces;
using test::ProgramOnScreen;

namespace {

using Lines = QList<QByteArray>;

// The title of the program's message boxes.
const QString ApplicationTitle = QStringLiteral("Tovra Laser Control");


// Waits for a window of the program titled `title` and gives it the keyboard; empty if none came.
QString waitForWindowTitled(const ProgramOnScreen &program, const QString &title)
{
    QString found;
    (void)QTest::qWaitFor([&] {
        for (const QString &window : program.otherWindows()) {
            if (program.session.windowName(window.toULongLong()) == title)
                found = window;
        }
        return !found.isEmpty();
    }, 20000);
    if (!found.isEmpty() && !program.session.focus(found.toULongLong()))
        return {};
    return found;
}

// Two status updates have been read since now: whatever a key did has reached the wire.
bool polledTwice(const ProgramOnScreen &program)
{
    const qsizetype from = program.laser.transcript().size();
    return QTest::qWaitFor([&] { return program.laser.transcript().mid(from).count(";LA:SS?") >= 2; }, 10000);
}

// Opens the Tools menu with the pointer and its last visible item with Up and Enter.
void openLastToolsItem(const ProgramOnScreen &program, const LayoutPlaces &places)
{
    const QRect tools = places.ui.MainMenu1->actionGeometry(places.ui.ools1->menuAction());
    program.moveMouseTo(program.session.clientGeometry(program.window).topLeft() + tools.center());
    program.click();
    program.key({QStringLiteral("Up"), QStringLiteral("Return")});
}

sim::LaserConfig lockedMini()
{
    sim::LaserConfig laser = test::laserOfFamily(sim::Family::Mini);
    laser.passwordLocked = true;
    laser.password = "sesame";
    return laser;
}

} // namespace

class DialogHandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void passwordBoxSendsWhatWasTypedOnlyWhenAccepted_data();
    void passwordBoxSendsWhatWasTypedOnlyWhenAccepted();
    void serviceWindowOnASmallScreenLeavesFireEnableAndTilesInSight();

private:
    std::unique_ptr<test::XSession> session;
    LayoutPlaces places;
};

void DialogHandsTest::initTestCase()
{
    if (!test::XSession::available() || !test::XSession::windowManagerAvailable())
        QSKIP("Xvfb, xdotool and a window manager are needed to drive the program as a person does");
    session = std::make_unique<test::XSession>();
    QVERIFY2(!session->display().isEmpty(), "Xvfb did not start");
    places.window.show(); // lays out the menu bar
}

void DialogHandsTest::passwordBoxSendsWhatWasTypedOnlyWhenAccepted_data()
{
    QTest::addColumn<QString>("closingKey");
    QTest::addColumn<Lines>("passwordLines");
    QTest::addColumn<bool>("boxAfter");
    QTest::newRow("Enter sends the password") << "Return" << Lines{";LA:PW sesame"} << true; // "Laser Unlocked"
    // Cancelling is no attempt: no "PW " line and no "Incorrect Password".
    QTest::newRow("Escape sends nothing and says nothing") << "Escape" << Lines{} << false;
}

// Tools > Unlock Laser (its last item while a mini is locked) opens the password box; the
// operator types and closes it.
void DialogHandsTest::passwordBoxSendsWhatWasTypedOnlyWhenAccepted()
{
    QFETCH(QString, closingKey);
    QFETCH(Lines, passwordLines);
    QFETCH(bool, boxAfter);
    ProgramOnScreen program(*session, lockedMini());
    QVERIFY(program.ready());
    openLastToolsItem(program, places);
    QVERIFY(!waitForWindowTitled(program, QStringLiteral("Password Entry")).isEmpty());

    session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("sesame")});
    program.key({closingKey});

    if (boxAfter)
        QVERIFY(!waitForWindowTitled(program, ApplicationTitle).isEmpty());
    else
        QVERIFY(polledTwice(program));
    Lines sent;
    for (const QByteArray &line : program.laser.transcript()) {
        if (line.startsWith(";LA:PW "))
            sent.append(line);
    }
    QCOMPARE(sent, passwordLines);
    QCOMPARE(!program.otherWindows().isEmpty(), boxAfter);
}

// On a 1024 x 768 screen the service window opens wholly on the screen and beside Fire, Laser
// Enable and the status tiles, narrowed into the room the main window leaves.
void DialogHandsTest::serviceWindowOnASmallScreenLeavesFireEnableAndTilesInSight()
{
    const QSize screen(1024, 768);
    test::XSession small(screen);
    QVERIFY(!small.display().isEmpty());
    ProgramOnScreen program(small);
    QVERIFY(program.ready());

    openLastToolsItem(program, places); // "Service"
    QVERIFY(!waitForWindowTitled(program, QStringLiteral("Unsecure Form")).isEmpty());
    small.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("53871")});
    program.key({QStringLiteral("Return")});
    QVERIFY(!waitForWindowTitled(program, ApplicationTitle).isEmpty()); // "System Unsecured"
    program.key({QStringLiteral("Return")});
    const QString service = waitForWindowTitled(program, QStringLiteral("Service"));
    QVERIFY(!service.isEmpty());

    const QRect client = small.clientGeometry(program.window);
    // Where Fire, Laser Enable and the tiles stand on the screen, as far as the main window shows
    // them (its contents scroll from the top left corner).
    const QPoint clientArea = client.topLeft() + QPoint(0, places.ui.MainMenu1->sizeHint().height());
    QRect controls;
    for (const QWidget *control : {static_cast<QWidget *>(places.ui.FireStopbtn),
                                   static_cast<QWidget *>(places.ui.LaserEnableBtn),
                                   static_cast<QWidget *>(places.ui.SystemStatusGrp)})
        controls |= QRect(clientArea + control->mapTo(places.ui.ClientArea, QPoint(0, 0)), control->size());
    controls &= client;
    QVERIFY(!controls.isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(QRect(QPoint(0, 0), screen).contains(small.frameGeometry(service.toULongLong())), 20000);
    const QRect serviceFrame = small.frameGeometry(service.toULongLong());
    QVERIFY2(!serviceFrame.intersects(controls),
             qPrintable(QStringLiteral("service window %1,%2 %3x%4 covers %5,%6 %7x%8")
                            .arg(serviceFrame.x()).arg(serviceFrame.y()).arg(serviceFrame.width()).arg(serviceFrame.height())
                            .arg(controls.x()).arg(controls.y()).arg(controls.width()).arg(controls.height())));
}

TOVRA_TEST_MAIN(DialogHandsTest)
#include "tst_dialoghands.moc"
