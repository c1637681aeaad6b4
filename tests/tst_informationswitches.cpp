#include "builtfiles.h"
#include "switchtable.h"
#include "versioninfo.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace tovra;

// "--version" and "--help" asked of the built program from a terminal without any display.
class InformationSwitchesTest : public QObject
{
    Q_OBJECT
private slots:
    void versionSwitchPrintsTheVersionOfTheVersionTable();
    void helpSwitchListsEverySwitch_data();
    void helpSwitchListsEverySwitch();
    void singleDashHelpIsNoInformationSwitch();
    void manualPageAndReadmeTellWhatTheSwitchTableSays_data();
    void manualPageAndReadmeTellWhatTheSwitchTableSays();

private:
    // Runs the program with `arguments` where no window can open: any attempt to reach a display
    // ends it with an error instead of an answer.
    static QByteArray answerOf(const QStringList &arguments, int *exitCode = nullptr);
};

QByteArray InformationSwitchesTest::answerOf(const QStringList &arguments, int *exitCode)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(test::programFile(), arguments);
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished();
    }
    if (exitCode)
        *exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return program.readAllStandardOutput();
}

void InformationSwitchesTest::versionSwitchPrintsTheVersionOfTheVersionTable()
{
    int exitCode = -1;
    const QByteArray answer = answerOf({QStringLiteral("--version")}, &exitCode);
    QCOMPARE(exitCode, 0);
    const QString fileVersion = TrpVersionInfo().FileVersion();
    QVERIFY(!fileVersion.isEmpty());
    QCOMPARE(QString::fromLocal8Bit(answer), QStringLiteral("Tovra Laser Control ") + fileVersion + QLatin1Char('\n'));
}

void InformationSwitchesTest::helpSwitchListsEverySwitch_data()
{
    QTest::addColumn<QString>("switchName");
    for (const char *name : {"-log", "-data", "-demo", "-pickport", "-share", "--help", "--version",
                             "TOVRA_PORT_PATTERN", "TOVRA_SHARE_PATH"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void InformationSwitchesTest::helpSwitchListsEverySwitch()
{
    QFETCH(QString, switchName);
    int exitCode = -1;
    // Start switches beside it do not stop the answer.
    const QString answer = QString::fromLocal8Bit(answerOf({QStringLiteral("-demo"), QStringLiteral("--help")}, &exitCode));
    QCOMPARE(exitCode, 0);
    // At the start of a line, then a blank or the line's end.
    const QRegularExpression listed(QStringLiteral("(^|\\n)  ") + QRegularExpression::escape(switchName) + QStringLiteral("\\s"));
    QVERIFY2(answer.contains(listed), qPrintable(answer));
}

void InformationSwitchesTest::singleDashHelpIsNoInformationSwitch()
{
    // Not an information switch, so the program goes on to open its window, which needs a
    // display here: it fails instead of answering.
    int exitCode = -1;
    const QByteArray answer = answerOf({QStringLiteral("-help")}, &exitCode);
    QVERIFY(answer.isEmpty());
    QVERIFY(exitCode != 0);
}

void InformationSwitchesTest::manualPageAndReadmeTellWhatTheSwitchTableSays_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("made");

    QTest::newRow("manual page") << QStringLiteral("packaging/tovra.1") << switchManualSections();
    QTest::newRow("README") << QStringLiteral("README.md") << switchReadmeTables();
}

// The files hold what the table makes, word for word; on a change, paste the text printed here.
void InformationSwitchesTest::manualPageAndReadmeTellWhatTheSwitchTableSays()
{
    QFETCH(QString, file);
    QFETCH(QString, made);
    QFile source(test::sourceFolder() + QLatin1Char('/') + file);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(source.readAll());
    QVERIFY2(text.contains(made), qPrintable(file + QStringLiteral(" should hold:\n") + made));
    // And the manual page tells of no switch the table does not have.
    if (file.endsWith(QLatin1String(".1")))
        QCOMPARE(text.count(QStringLiteral(".TP\n")), made.count(QStringLiteral(".TP\n")));
}

QTEST_GUILESS_MAIN(InformationSwitchesTest)
#include "tst_informationswitches.moc"
