#include "filesizelimit.h"
#include "taskrunner.h"
#include "runningprogram.h"
#include "programrig.h"
#include "mainstatusbar.h"
#include "recordfile.h"
#include "rzcomport.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>
#include <optional>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovra;
using test::FileSizeLimit;

namespace {

const QString LogFailure = QStringLiteral(
    "Log file cannot be written to. Please run program from writable location. Logging will be disabled.");
const QString DataFailure = QStringLiteral(
    "Data file cannot be written to. Please run program from writable location. Logging will be disabled.");
const QString FullSizeColumns = QStringLiteral(
    "Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp,Diode Temp, Heater 1 Temp, Heater 2 Temp");
const QString SmallFamilyColumns = QStringLiteral("Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp, Heater 0 Temp");

} // namespace

class RecordFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void switchingTheLogOffAndOnAppendsAfterANewHeader();
    void statusBarShowsWhatIsRecording();
    void fileNamesCarryTheUserName_data();
    void fileNamesCarryTheUserName();
    void unwritableFolderIsReportedAndLeavesTheCheckMark_data();
    void unwritableFolderIsReportedAndLeavesTheCheckMark();
    void failingWriteSwitchesTheLogOffAndPollingGoesOn();
    void fileMessageOpensBetweenUpdatesAndPollingGoesOnBehindIt();
    void logSwitchedOnDuringAReplyWaitReportsItsFailureAfterTheUpdate();
    void somethingPlantedUnderTheNameIsLeftAloneAndTheFileNumbered_data();
    void somethingPlantedUnderTheNameIsLeftAloneAndTheFileNumbered();
    void dataHeaderFollowsTheFamilyKnownAtCreation();
};

// Nothing the run recorded is lost: the file goes on after a new header, and what was sent
// while it was off is not in it.
void RecordFilesTest::switchingTheLogOffAndOnAppendsAfterANewHeader()
{
    test::ProgramRig rig;
    rig.ports.add(1);
    TMainForm &form = rig.start();
    form.laserProgram().tasks().pausePolling();

    form.ui.EnableLoggingMenu->trigger();
    QVERIFY(form.ui.EnableLoggingMenu->isChecked());
    form.communication().SendCommand(QStringLiteral("QE 1"));
    form.ui.EnableLoggingMenu->trigger();
    QVERIFY(!form.ui.EnableLoggingMenu->isChecked());
    QVERIFY(!rig.program().records().isRecording(RecordKind::CommunicationLog));
    form.communication().SendCommand(QStringLiteral("QE 0"));
    form.ui.EnableLoggingMenu->trigger();
    form.communication().SendCommand(QStringLiteral("DE 1"));

    const QStringList log = rig.fileLines(form.logFileName());
    QCOMPARE(log.size(), 6);
    QVERIFY(log[0].startsWith(QStringLiteral("Tovra Communication Log File ")));
    QVERIFY(log[1].endsWith(QStringLiteral("): ;LA:QE 1")));
    QVERIFY(log[2].startsWith(QStringLiteral("Received(")));
    QVERIFY(log[3].startsWith(QStringLiteral("Tovra Communication Log File ")));
    QVERIFY(log[4].endsWith(QStringLiteral("): ;LA:DE 1")));
    QVERIFY(log[5].startsWith(QStringLiteral("Received(")));
    QCOMPARE(QDir(rig.workPath()).entryList(QDir::Files), QStringList{form.logFileName()});
}

// After File > Restart App the new instance starts without the switches: the bar says so.
void RecordFilesTest::statusBarShowsWhatIsRecording()
{
    test::ProgramRig rig;
    rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("-log")});
    QVERIFY(form.logFileName().startsWith(QStringLiteral("TovraLogFile_")));
    QCOMPARE(form.StatusBar->logText(), QStringLiteral("Log: ") + form.logFileName());
    QCOMPARE(form.StatusBar->dataText(), QStringLiteral("Data: off"));

    form.ui.EnableDataCollectionMenu->trigger();
    QCOMPARE(form.StatusBar->dataText(), QStringLiteral("Data: ") + form.dataFileName());
    form.ui.EnableLoggingMenu->trigger();
    QCOMPARE(form.StatusBar->logText(), QStringLiteral("Log: off"));
    QCOMPARE(form.statusBar(), form.StatusBar);
    QVERIFY(form.StatusBar->isVisibleTo(&form));

    form.ui.R1->trigger();
    QTRY_COMPARE(rig.desktop.newInstances, 1);
    test::ProgramRig restarted;
    restarted.ports.add(1);
    TMainForm &newForm = restarted.start({});
    QCOMPARE(newForm.StatusBar->logText(), QStringLiteral("Log: off"));
    QCOMPARE(newForm.StatusBar->dataText(), QStringLiteral("Data: off"));
}

void RecordFilesTest::fileNamesCarryTheUserName_data()
{
    // A null text leaves the variable unset.
    QTest::addColumn<QByteArray>("userName");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("logName");
    QTest::addColumn<QString>("prefix");
    const QByteArray unset;
    QTest::newRow("USERNAME unset") << unset << unset << unset << "TovraLogFile__";
    QTest::newRow("USERNAME set") << QByteArray("ops") << QByteArray("root") << QByteArray("root") << "TovraLogFile_ops_";
    QTest::newRow("USER where USERNAME is unset") << unset << QByteArray("ops") << QByteArray("root") << "TovraLogFile_ops_";
    QTest::newRow("USER where USERNAME is empty") << QByteArray("") << QByteArray("ops") << unset << "TovraLogFile_ops_";
    QTest::newRow("LOGNAME where USERNAME and USER are unset") << unset << unset << QByteArray("ops") << "TovraLogFile_ops_";
    QTest::newRow("path separators become underscores")
        << QByteArray("../../tmp/x") << unset << unset << "TovraLogFile_______tmp_x_";
    QTest::newRow("a backslash becomes an underscore") << QByteArray("lab\\ops") << unset << unset << "TovraLogFile_lab_ops_";
    QTest::newRow("two dots alone become underscores") << unset << QByteArray("..") << unset << "TovraLogFile____";
    QTest::newRow("control characters become underscores")
        << QByteArray("op\ns\t\x7f") << unset << unset << "TovraLogFile_op_s___";
    QTest::newRow("one dot and letters beyond ASCII stay")
        << QByteArray("j.m\xc3\xbcller") << unset << unset << QStringLiteral("TovraLogFile_j.m\u00fcller_");
}

void RecordFilesTest::fileNamesCarryTheUserName()
{
    QFETCH(QByteArray, userName);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, logName);
    QFETCH(QString, prefix);
    const std::pair<const char *, QByteArray> variables[] = {{"USERNAME", userName}, {"USER", user}, {"LOGNAME", logName}};
    std::vector<std::pair<const char *, std::optional<QByteArray>>> previous;
    for (const auto &[name, value] : variables) {
        previous.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    test::ProgramRig rig;
    rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("/log")});
    for (const auto &[name, value] : previous) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    const QString name = form.logFileName();
    QVERIFY2(name.startsWith(prefix), qPrintable(name));
    QVERIFY(QFileInfo::exists(name));
    QCOMPARE(QFileInfo(name).absolutePath(), QDir(rig.workPath()).canonicalPath());
    QVERIFY(QRegularExpression(QStringLiteral("_\\d\\d-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.txt$")).match(name).hasMatch());
}

void RecordFilesTest::unwritableFolderIsReportedAndLeavesTheCheckMark_data()
{
    QTest::addColumn<bool>("logFile");
    QTest::newRow("log") << true;
    QTest::newRow("data") << false;
}

void RecordFilesTest::unwritableFolderIsReportedAndLeavesTheCheckMark()
{
    QFETCH(bool, logFile);
    test::ProgramRig rig;
    TMainForm &form = rig.start({QStringLiteral("-demo")});
    // A folder that no longer exists cannot take a file, not even for root.
    QDir gone(rig.workPath() + QStringLiteral("/gone"));
    QVERIFY(gone.mkpath(QStringLiteral(".")));
    QDir::setCurrent(gone.path());
    QVERIFY(gone.removeRecursively());

    QAction *item = logFile ? form.ui.EnableLoggingMenu : form.ui.EnableDataCollectionMenu;
    item->trigger();
    item->trigger();

    const QString failure = logFile ? LogFailure : DataFailure;
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("message")).count(failure), 2);
    QVERIFY(item->isChecked());
    QCOMPARE(logFile ? form.StatusBar->logText() : form.StatusBar->dataText(),
             logFile ? QStringLiteral("Log: off") : QStringLiteral("Data: off"));
    QVERIFY(!rig.program().records().isRecording(RecordKind::CommunicationLog) && !rig.program().records().isRecording(RecordKind::DataCollection));
    QDir::setCurrent(rig.workPath());
}

void RecordFilesTest::failingWriteSwitchesTheLogOffAndPollingGoesOn()
{
    test::ProgramRig rig;
    rig.ports.add(1);
    TMainForm &form = rig.start({QStringLiteral("-log")});
    const qint64 size = QFileInfo(form.logFileName()).size();
    {
        FileSizeLimit limit(rlim_t(size + 20));
        form.communication().SendCommand(QStringLiteral("QE 1"));
    }
    QVERIFY(!rig.program().records().isRecording(RecordKind::CommunicationLog));
    QVERIFY(!form.ui.EnableLoggingMenu->isChecked());
    QTRY_COMPARE(rig.desktop.textsOf(QStringLiteral("message")), QStringList{LogFailure});
    QVERIFY(form.laserProgram().tasks().pollingActive());
    const qint64 sizeAtFailure = QFileInfo(form.logFileName()).size();
    form.communication().SendCommand(QStringLiteral("QE 0")); // nothing more reaches the file
    QCOMPARE(QFileInfo(form.logFileName()).size(), sizeAtFailure);
}

// The log reaches a file-size limit in the middle of a status update. Its message must not open
// there: the update would wait for the operator, and the data file would miss its rows.
void RecordFilesTest::fileMessageOpensBetweenUpdatesAndPollingGoesOnBehindIt()
{
    test::ProgramRig rig;
    rig.ports.add(1);
    // Polls come five times a second, so that the log fills and rows follow soon.
    rig.timings.statusPollInterval = std::chrono::milliseconds(200);
    TMainForm &form = rig.start({QStringLiteral("-log"), QStringLiteral("-data")});
    bool openedInsideAnExchange = true;
    qsizetype rowsWhileOpen = 0;
    rig.desktop.whileMessageOpen = [&](const QString &) {
        openedInsideAnExchange = form.laserProgram().port().InUse() || form.laserProgram().statusPoll().isUpdating() || form.laserProgram().tasks().running();
        const qsizetype rowsBefore = rig.fileLines(form.dataFileName()).size();
        [[maybe_unused]] const bool grew = QTest::qWaitFor([&] { return rig.fileLines(form.dataFileName()).size() > rowsBefore; }, 10000);
        rowsWhileOpen = rig.fileLines(form.dataFileName()).size() - rowsBefore;
    };
    const qint64 limitBytes = QFileInfo(form.logFileName()).size() + 200;
    {
        const FileSizeLimit limit{rlim_t(limitBytes)};
        QTRY_COMPARE_WITH_TIMEOUT(rig.desktop.textsOf(QStringLiteral("message")), QStringList{LogFailure}, 10000);
    }
    QVERIFY(!openedInsideAnExchange);
    QVERIFY2(rowsWhileOpen >= 1, qPrintable(QString::number(rowsWhileOpen)));
    QVERIFY(rig.program().records().isRecording(RecordKind::DataCollection));

    // What the log holds ends with a whole record: the line that hit the limit is not there at all.
    QFile log(form.logFileName());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray content = log.readAll();
    QVERIFY(content.size() <= limitBytes);
    QVERIFY(content.endsWith("\r\n"));
    const QList<QByteArray> records = content.chopped(2).split('\n');
    QVERIFY2(records.last().startsWith("Sent    (") || records.last().startsWith("Received("), records.last());
}

void RecordFilesTest::logSwitchedOnDuringAReplyWaitReportsItsFailureAfterTheUpdate()
{
    test::PolledProgram program;
    QDir gone(program.rig.workPath() + QStringLiteral("/gone"));
    QVERIFY(gone.mkpath(QStringLiteral(".")));
    QDir::setCurrent(gone.path());
    QVERIFY(gone.removeRecursively());
    bool openedDuringTheUpdate = true;
    program.rig.desktop.whileMessageOpen = [&](const QString &) {
        openedDuringTheUpdate = program.form.laserProgram().statusPoll().isUpdating() || program.form.laserProgram().port().InUse();
    };

    program.pollRunningWhileAnswering(test::queryLine("FT"), [&] { program.form.ui.EnableLoggingMenu->trigger(); });
    QVERIFY(program.laser.transcript().contains(test::queryLine("SS")));
    QTRY_COMPARE(program.rig.desktop.textsOf(QStringLiteral("message")), QStringList{LogFailure});
    QVERIFY(!openedDuringTheUpdate);
    QDir::setCurrent(program.rig.workPath());
}

void RecordFilesTest::somethingPlantedUnderTheNameIsLeftAloneAndTheFileNumbered_data()
{
    QTest::addColumn<bool>("logFile");
    QTest::addColumn<QString>("planted");

    QTest::newRow("log: symbolic link to a file") << true << "symlink";
    QTest::newRow("data: symbolic link to a file") << false << "symlink";
    QTest::newRow("log: symbolic link to nowhere") << true << "dangling";
    QTest::newRow("log: hard link to a file") << true << "hardlink";
    QTest::newRow("log: named pipe") << true << "fifo";
    QTest::newRow("data: another user's file") << false << "foreign";
}

void RecordFilesTest::somethingPlantedUnderTheNameIsLeftAloneAndTheFileNumbered()
{
    QFETCH(bool, logFile);
    QFETCH(QString, planted);
    test::ProgramRig rig;
    TMainForm &form = rig.start({QStringLiteral("-demo")});
    const QString name = logFile ? form.logFileName() : form.dataFileName();
    const QString target = rig.workPath() + QStringLiteral("/precious.txt");
    const QByteArray precious = "keep me\n";
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(precious);
    }
    const QByteArray nativeName = QFile::encodeName(name);
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (planted == QLatin1String("symlink")) {
        QVERIFY(::symlink(nativeTarget.constData(), nativeName.constData()) == 0);
    } else if (planted == QLatin1String("dangling")) {
        QVERIFY(::symlink(QFile::encodeName(rig.workPath() + QStringLiteral("/created")).constData(),
                          nativeName.constData()) == 0);
    } else if (planted == QLatin1String("hardlink")) {
        QVERIFY(::link(nativeTarget.constData(), nativeName.constData()) == 0);
    } else if (planted == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(nativeName.constData(), 0666) == 0);
    } else {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QVERIFY(QFile::copy(target, name));
        QVERIFY(::chown(nativeName.constData(), 65534, 65534) == 0);
    }

    const QFileInfo plantedBefore(name);

    (logFile ? form.ui.EnableLoggingMenu : form.ui.EnableDataCollectionMenu)->trigger();

    QVERIFY(!rig.desktop.texts().contains(logFile ? LogFailure : DataFailure));
    QVERIFY(logFile ? rig.program().records().isRecording(RecordKind::CommunicationLog) : rig.program().records().isRecording(RecordKind::DataCollection));
    const QString recorded = logFile ? form.logFileName() : form.dataFileName();
    QCOMPARE(recorded, numberedFileName(name, 2));
    QVERIFY(rig.fileLines(recorded).value(0).startsWith(logFile ? QStringLiteral("Tovra Communication Log File ")
                                                                : QStringLiteral("Tovra Data File ")));
    const QFileInfo plantedAfter(name);
    QCOMPARE(plantedAfter.isSymLink(), plantedBefore.isSymLink());
    QCOMPARE(plantedAfter.size(), plantedBefore.size());
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), precious);
    QVERIFY(!QFileInfo::exists(rig.workPath() + QStringLiteral("/created")));
    if (planted == QLatin1String("foreign")) {
        QFile foreign(name);
        QVERIFY(foreign.open(QIODevice::ReadOnly));
        QCOMPARE(foreign.readAll(), precious);
    }
}

void RecordFilesTest::dataHeaderFollowsTheFamilyKnownAtCreation()
{
    sim::LaserConfig micro;
    micro.family = sim::Family::Micro;
    micro.model = "uTovra";
    micro.firmware = "3.04";

    // Picked by hand, the data file is made before the identity is read.
    test::ProgramRig picked;
    picked.ports.add(2, micro);
    picked.desktop.dialogHandler = [](QDialog &dialog) {
        auto *list = dialog.findChild<QComboBox *>(QStringLiteral("listPorts"));
        list->setCurrentIndex(0);
        return int(QDialog::Accepted);
    };
    TMainForm &pickedForm = picked.start({QStringLiteral("/pickport"), QStringLiteral("/data")});
    QCOMPARE(picked.fileLines(pickedForm.dataFileName()).value(1), FullSizeColumns);

    test::ProgramRig found;
    found.ports.add(2, micro);
    TMainForm &foundForm = found.start({QStringLiteral("/DATA")});
    const QStringList lines = found.fileLines(foundForm.dataFileName());
    QVERIFY(lines.value(0).startsWith(QStringLiteral("Tovra Data File ")));
    QCOMPARE(lines.value(1), SmallFamilyColumns);
}

QTEST_MAIN(RecordFilesTest)
#include "tst_recordfiles.moc"
