// The Tools and Help menus end to end: the service code, the mini family's password lock, the
// About box, the web site and the screen shot.

#include "runningprogram.h"
#include "serviceform.h"
#include "trafficview.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::sim::LaserConfig)

namespace {

const QString TypedServiceCode = QStringLiteral("53871");
const QString CodeDialog = QStringLiteral("Unsecure Form|Enter Code:");
const QString PasswordDialog = QStringLiteral("Password Entry|Enter Password:");

sim::LaserConfig miniLaser(bool locked)
{
    sim::LaserConfig laser;
    laser.family = sim::Family::Mini;
    laser.model = "MiniTovra";
    laser.passwordLocked = locked;
    laser.password = "sesame";
    return laser;
}

// The running program with the boxes of its start-up forgotten: each test runs the status ticks
// it needs.
class AccessRig : public test::PolledProgram
{
public:
    explicit AccessRig(const sim::LaserConfig &config = {})
        : PolledProgram(config)
    {
        rig.desktop.shown.clear();
    }

    bool serviceWindowOpen() const { return form.ServiceForm->isVisible(); }
};

} // namespace

class LaserAccessTest : public QObject
{
    Q_OBJECT
private slots:
    void serviceCodeMustMatchExactly_data();
    void serviceCodeMustMatchExactly();
    void wrongCodeClosesTheOpenServiceWindow();
    void wrongCodeAfterRightOneKeepsThePendingOpening();
    void acceptedCodeInDemoModeOpensNothing();
    void passwordReplyDecidesWhetherToAsk_data();
    void passwordReplyDecidesWhetherToAsk();
    void passwordBoxClosedForTheExitSendsNothingAndOpensNoBox();
    void aboutShowsIdentityAndSoftwareVersion_data();
    void aboutShowsIdentityAndSoftwareVersion();
    void webSiteIsHandedToTheDesktop();
    void screenShotIsWrittenIntoTheWorkingFolder();
    void screenShotNeverWritesThroughAPlantedLink();
};

void LaserAccessTest::serviceCodeMustMatchExactly_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact code") << QStringList{TypedServiceCode} << true;
    QTest::newRow("leading blank") << QStringList{QLatin1Char(' ') + TypedServiceCode} << false;
    QTest::newRow("trailing blank") << QStringList{TypedServiceCode + QLatin1Char(' ')} << false;
    QTest::newRow("one digit short") << QStringList{QStringLiteral("5387")} << false;
    QTest::newRow("cancelled") << QStringList{} << false;
}

void LaserAccessTest::serviceCodeMustMatchExactly()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, accepted);
    AccessRig access;
    access.rig.desktop.inputAnswers = answers;

    access.form.ui.Service1->trigger();
    QCOMPARE(access.form.laserProgram().statusPoll().serviceWindowPending(), accepted);
    access.poll();

    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("input")), QStringList{CodeDialog});
    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("message")),
             QStringList{accepted ? QStringLiteral("System Unsecured") : QStringLiteral("Incorrect Code")});
    QCOMPARE(access.form.ui.ServiceWindowMenu->isVisible(), accepted);
    QCOMPARE(access.serviceWindowOpen(), accepted);
    QVERIFY(!access.form.laserProgram().statusPoll().serviceWindowPending());
    QCOMPARE(access.laser.transcript().contains(";LA:SEC 53871"), accepted);
}

void LaserAccessTest::wrongCodeClosesTheOpenServiceWindow()
{
    AccessRig access;
    access.rig.desktop.inputAnswers = {TypedServiceCode};
    access.form.Service1Click();
    access.poll();
    QVERIFY(access.serviceWindowOpen());

    access.form.Service1Click(); // cancelled: no answer left

    QVERIFY(!access.serviceWindowOpen());
    QVERIFY(!access.form.ui.ServiceWindowMenu->isVisible());
}

void LaserAccessTest::wrongCodeAfterRightOneKeepsThePendingOpening()
{
    AccessRig access;
    access.rig.desktop.inputAnswers = {TypedServiceCode, QStringLiteral("12345")};

    access.form.Service1Click();
    access.form.Service1Click();
    QVERIFY(!access.form.ui.ServiceWindowMenu->isVisible());
    access.poll();

    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("message")),
             (QStringList{QStringLiteral("System Unsecured"), QStringLiteral("Incorrect Code")}));
    QVERIFY(access.form.ui.ServiceWindowMenu->isVisible());
    QVERIFY(access.serviceWindowOpen());
}

// Without a laser the status timer stops at its first tick, before it would open the window.
void LaserAccessTest::acceptedCodeInDemoModeOpensNothing()
{
    test::ProgramRig rig;
    TMainForm &form = rig.start({QStringLiteral("-demo")});
    rig.desktop.inputAnswers = {TypedServiceCode};

    form.Service1Click();
    form.StatusTimerTimer();

    QVERIFY(rig.desktop.textsOf(QStringLiteral("message")).contains(QStringLiteral("System Unsecured")));
    QVERIFY(!form.ServiceForm->isVisible());
    QVERIFY(!form.ui.ServiceWindowMenu->isVisible());
}

void LaserAccessTest::passwordReplyDecidesWhetherToAsk_data()
{
    QTest::addColumn<sim::LaserConfig>("config");
    QTest::addColumn<QVariant>("lockReply"); // replaces the laser's own reply when given
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("unlocked");

    const QByteArray query = ";LA:PW?";
    const QStringList none;
    sim::LaserConfig standard;
    QTest::newRow("no lock known") << standard << QVariant() << none << QList<QByteArray>{query} << none << true;
    QTest::newRow("reply 1") << miniLaser(false) << QVariant() << none << QList<QByteArray>{query} << none << true;
    QTest::newRow("reply 0, right password")
            << miniLaser(true) << QVariant() << QStringList{QStringLiteral("sesame")}
            << QList<QByteArray>{query, ";LA:PW sesame"} << QStringList{QStringLiteral("Laser Unlocked")} << true;
    QTest::newRow("reply 0, wrong password")
            << miniLaser(true) << QVariant() << QStringList{QStringLiteral("Sesame")}
            << QList<QByteArray>{query, ";LA:PW Sesame"} << QStringList{QStringLiteral("Incorrect Password")} << false;
    // Cancel is no attempt: nothing goes out, nothing is said.
    QTest::newRow("reply 0, cancelled") << miniLaser(true) << QVariant() << none << QList<QByteArray>{query} << none
                                        << false;
    // A reply that is no number proves nothing, so the laser counts as locked.
    QTest::newRow("empty reply") << miniLaser(true) << QVariant(QByteArray()) << QStringList{QStringLiteral("sesame")}
                                 << QList<QByteArray>{query, ";LA:PW sesame"}
                                 << QStringList{QStringLiteral("Laser Unlocked")} << true;
    QTest::newRow("word reply") << miniLaser(false) << QVariant(QByteArray("BUSY")) << none << QList<QByteArray>{query}
                                << none << false;
}

void LaserAccessTest::passwordReplyDecidesWhetherToAsk()
{
    QFETCH(sim::LaserConfig, config);
    QFETCH(QVariant, lockReply);
    QFETCH(QStringList, answers);
    QFETCH(bool, unlocked);
    AccessRig access(config);
    if (lockReply.isValid())
        access.laser.setReplyOverride(";LA:PW?", lockReply.toByteArray());
    access.rig.desktop.inputAnswers = answers;

    QCOMPARE(access.form.UnlockLaser(), unlocked);

    QTEST(access.laser.transcript(), "lines");
    QTEST(access.rig.desktop.textsOf(QStringLiteral("message")), "messages");
    // Asked exactly when the laser counts as locked.
    const bool locked = access.laser.transcript().size() > 1 || !unlocked;
    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("input")), locked ? QStringList{PasswordDialog} : QStringList{});
    QCOMPARE(access.rig.state.laserUnlocked, unlocked);
    QCOMPARE(access.form.ui.UnlockLaserMenu->isVisible(), !unlocked);
}

// The operator enables a locked mini and the password box opens; a stop signal closes it. The
// closed box sends no password and opens no "Incorrect Password": the exit goes on to "FL 0".
void LaserAccessTest::passwordBoxClosedForTheExitSendsNothingAndOpensNoBox()
{
    AccessRig access(miniLaser(true));
    access.laser.clearTranscript();
    access.rig.desktop.whileInputOpen = [&access](const QString &) { access.form.StopSignalReceived(); };

    access.form.ui.LaserEnableBtn->click();
    QTRY_VERIFY(access.form.hasEnded());

    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("input")), QStringList{PasswordDialog});
    QCOMPARE(access.rig.desktop.textsOf(QStringLiteral("message")), QStringList{});
    QCOMPARE(access.laser.transcript(), (QList<QByteArray>{";LA:PW?", ";LA:FL 0"}));
}

void LaserAccessTest::aboutShowsIdentityAndSoftwareVersion_data()
{
    QTest::addColumn<QByteArray>("manufacturer");
    QTest::addColumn<QString>("company");
    QTest::newRow("RZ") << QByteArray("RZ") << "Marovane";
    QTest::newRow("rz") << QByteArray("rz") << "Unknown";
}

void LaserAccessTest::aboutShowsIdentityAndSoftwareVersion()
{
    QFETCH(QByteArray, manufacturer);
    QFETCH(QString, company);
    sim::LaserConfig laser;
    laser.manufacturer = manufacturer;
    AccessRig access(laser);

    access.form.ui.About1->trigger();

    QCOMPARE(access.rig.desktop.texts(),
             QStringList{QStringLiteral("Tovra Laser Application\r\nCompany: ") + company
                         + QStringLiteral("\r\nModel Number: Tovra\r\nSerial Number: 1042\r\nFirmware Version: 1.2.7"
                                          "\r\nFPGA Version: 1.25.0.3\r\nSoftware Version: 1.2.2.5")});
    QVERIFY(access.laser.transcript().isEmpty());
}

void LaserAccessTest::webSiteIsHandedToTheDesktop()
{
    AccessRig access;

    access.form.ui.WebSite1->trigger();

    QCOMPARE(access.rig.desktop.openedUrls.size(), 1);
    QVERIFY2(access.rig.desktop.openedUrls.first().startsWith(QStringLiteral("https://")),
             qPrintable(access.rig.desktop.openedUrls.first()));
    QVERIFY(access.rig.desktop.shown.isEmpty());
}

// The picture itself is checked against the screen under a real X server elsewhere.
void LaserAccessTest::screenShotIsWrittenIntoTheWorkingFolder()
{
    AccessRig access;
    access.form.show();

    access.form.ui.CaptureScreenShot1->trigger();

    // Taken once the menu that carried the item has closed.
    QTRY_VERIFY(QFile::exists(access.rig.workPath() + QStringLiteral("/Tovra_ScreenShot.jpg")));
    QVERIFY(access.rig.desktop.shown.isEmpty());
    QVERIFY(access.laser.transcript().isEmpty());
    // The terminal view says where it went.
    const QString written = QDir(access.rig.workPath()).absoluteFilePath(QStringLiteral("Tovra_ScreenShot.jpg"));
    QTRY_VERIFY(access.form.ResponseList->lines().contains(QStringLiteral("Screen shot saved as ") + written));
}

// Another user planted the name as a link in a shared working folder: what it leads to is left
// alone, and so is the link.
void LaserAccessTest::screenShotNeverWritesThroughAPlantedLink()
{
    AccessRig access;
    access.form.show();
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("precious.txt"));
    QFile precious(target);
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.write("keep me\n");
    precious.close();
    const QString planted = access.rig.workPath() + QStringLiteral("/Tovra_ScreenShot.jpg");
    QVERIFY(QFile::link(target, planted));
    if (geteuid() == 0)
        QCOMPARE(lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0); // the user "nobody"

    access.form.ui.CaptureScreenShot1->trigger();

    QTRY_COMPARE(access.rig.desktop.textsOf(QStringLiteral("message")).size(), 1);
    QVERIFY(access.rig.desktop.textsOf(QStringLiteral("message")).first().startsWith(
            QStringLiteral("Cannot create file \"Tovra_ScreenShot.jpg\".")));
    QVERIFY(QFileInfo(planted).isSymLink());
    QVERIFY(precious.open(QIODevice::ReadOnly));
    QCOMPARE(precious.readAll(), QByteArray("keep me\n"));
    QCOMPARE(QDir(access.rig.workPath()).entryList(QStringList{QStringLiteral("Tovra_ScreenShot.jpg*")},
                                                    QDir::Files | QDir::System | QDir::Hidden).size(), 1);
}

QTEST_MAIN(LaserAccessTest)
#include "tst_laseraccess.moc"
