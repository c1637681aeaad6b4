// The record files without a window: real files in a temporary working folder, the menu check
// marks in a recording view, the failure messages through the scripted desktop.

#include "filesizelimit.h"
#include "laserstate.h"
#include "recordfile.h"
#include "recordfiles.h"
#include "scripteddesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::RecordKind)

namespace {

const QString LogFailure = QStringLiteral(
    "Log file cannot be written to. Please run program from writable location. Logging will be disabled.");
const QString DataFailure = QStringLiteral(
    "Data file cannot be written to. Please run program from writable location. Logging will be disabled.");

class RecordingMenus : public RecordFilesView
{
public:
    void setRecordChecked(RecordKind kind, bool checked) override { this->checked[kind] = checked; }
    void showRecording(RecordKind kind, const QString &fileName) override { recording[kind] = fileName; }
    std::map<RecordKind, bool> checked;
    std::map<RecordKind, QString> recording;
};

// Record files of a standard laser, made in a fresh working folder.
struct RecordRig
{
    RecordRig()
        : previousDir(QDir::currentPath())
    {
        QDir::setCurrent(workDir.path());
        files.setRunStamp({QStringLiteral("ops"), QStringLiteral("12-10-26_05-17-00")});
        state.isStandardModel = true;
    }
    ~RecordRig() { QDir::setCurrent(previousDir); }

    QStringList lines(RecordKind kind) const
    {
        QFile file(files.fileName(kind));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList all = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
        all.removeLast(); // after the last line end
        return all;
    }

    QTemporaryDir workDir;
    const QString previousDir;
    test::ScriptedDesktop desktop;
    LaserState state;
    RecordingMenus menus;
    bool busy = false;
    RecordFiles files{state, desktop, [this] { return busy; }, menus};
};


} // namespace

class RecordFilesAloneTest : public QObject
{
    Q_OBJECT
private slots:
    void eachFileSwitchesOnWithItsHeaderAndOffAgain_data();
    void eachFileSwitchesOnWithItsHeaderAndOffAgain();
    void fileThatCannotBeCreatedIsReportedAndKeepsItsCheckMark_data();
    void fileThatCannotBeCreatedIsReportedAndKeepsItsCheckMark();
    void failingWriteSwitchesTheFileOffAndIsToldOnceIdle_data();
    void failingWriteSwitchesTheFileOffAndIsToldOnceIdle();
    void dataRowLeavesUnreadFieldsEmpty();
    void linesGoNowhereWhileTheirFileIsOff();
    void switchedOnAgainTheFileGoesOnAfterItsHeaders_data();
    void switchedOnAgainTheFileGoesOnAfterItsHeaders();
    void fileThisRunDidNotWriteIsNeverOverwritten_data();
    void fileThisRunDidNotWriteIsNeverOverwritten();
};

namespace {
void addKinds()
{
    QTest::addColumn<RecordKind>("kind");
    QTest::addColumn<QString>("failure");
    QTest::newRow("communication log") << RecordKind::CommunicationLog << LogFailure;
    QTest::newRow("data collection") << RecordKind::DataCollection << DataFailure;
}
} // namespace

void RecordFilesAloneTest::eachFileSwitchesOnWithItsHeaderAndOffAgain_data()
{
    QTest::addColumn<RecordKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("headerStarts");
    QTest::newRow("communication log") << RecordKind::CommunicationLog
                                       << QStringLiteral("TovraLogFile_ops_12-10-26_05-17-00.txt")
                                       << QStringList{QStringLiteral("Tovra Communication Log File ")};
    QTest::newRow("data collection") << RecordKind::DataCollection
                                     << QStringLiteral("TovraDataFile_ops_12-10-26_05-17-00.txt")
                                     << QStringList{QStringLiteral("Tovra Data File "), QStringLiteral("Time,")};
}

void RecordFilesAloneTest::eachFileSwitchesOnWithItsHeaderAndOffAgain()
{
    QFETCH(RecordKind, kind);
    QFETCH(QString, name);
    QFETCH(QStringList, headerStarts);
    RecordRig rig;
    QCOMPARE(rig.files.fileName(kind), name);

    rig.files.toggle(kind);
    QVERIFY(rig.files.isRecording(kind));
    QCOMPARE(rig.menus.checked, (std::map<RecordKind, bool>{{kind, true}}));
    const QStringList header = rig.lines(kind);
    QCOMPARE(header.size(), headerStarts.size());
    for (qsizetype i = 0; i < header.size(); ++i)
        QVERIFY2(header[i].startsWith(headerStarts[i]), qPrintable(header[i]));

    rig.files.toggle(kind);
    QVERIFY(!rig.files.isRecording(kind));
    QCOMPARE(rig.menus.checked, (std::map<RecordKind, bool>{{kind, false}}));
    QVERIFY(rig.desktop.shown.isEmpty());
}

void RecordFilesAloneTest::fileThatCannotBeCreatedIsReportedAndKeepsItsCheckMark_data()
{
    addKinds();
}

// The check mark stays, so that choosing the item again tries again.
void RecordFilesAloneTest::fileThatCannotBeCreatedIsReportedAndKeepsItsCheckMark()
{
    QFETCH(RecordKind, kind);
    QFETCH(QString, failure);
    RecordRig rig;
    // A working folder that no longer exists takes no file, not even root's.
    QDir gone(rig.workDir.filePath(QStringLiteral("gone")));
    QVERIFY(gone.mkpath(QStringLiteral(".")));
    QDir::setCurrent(gone.path());
    QVERIFY(gone.removeRecursively());

    rig.files.toggle(kind);
    QVERIFY(!rig.files.isRecording(kind));
    QCOMPARE(rig.menus.checked[kind], true);
    QVERIFY(rig.menus.recording.count(kind) == 0 || rig.menus.recording[kind].isEmpty());
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("message")), QStringList{failure});

    QDir::setCurrent(rig.workDir.path());
    rig.files.toggle(kind);
    QVERIFY(rig.files.isRecording(kind));
    QVERIFY(QFileInfo(rig.files.fileName(kind)).isFile());
    QCOMPARE(rig.menus.recording[kind], rig.files.fileName(kind));
}

void RecordFilesAloneTest::failingWriteSwitchesTheFileOffAndIsToldOnceIdle_data()
{
    addKinds();
}

void RecordFilesAloneTest::failingWriteSwitchesTheFileOffAndIsToldOnceIdle()
{
    QFETCH(RecordKind, kind);
    QFETCH(QString, failure);
    RecordRig rig;
    rig.files.toggle(kind);
    const qint64 size = QFileInfo(rig.files.fileName(kind)).size();
    rig.busy = true;
    {
        const test::FileSizeLimit limit(rlim_t(size + 5));
        if (kind == RecordKind::CommunicationLog)
            rig.files.appendLogNote(QStringLiteral("Temperature Fault"));
        else
            rig.files.appendDataRow({});
    }
    QVERIFY(!rig.files.isRecording(kind));
    QCOMPARE(rig.menus.checked[kind], false);
    QCOMPARE(QFileInfo(rig.files.fileName(kind)).size(), size);

    QTest::qWait(50);
    QVERIFY(rig.desktop.shown.isEmpty()); // not while something is running
    rig.busy = false;
    QTRY_COMPARE(rig.desktop.textsOf(QStringLiteral("message")), QStringList{failure});
}

void RecordFilesAloneTest::dataRowLeavesUnreadFieldsEmpty()
{
    RecordRig rig;
    rig.state.bankVoltage = 12.5;
    rig.state.fetVoltage = 3.25;
    rig.files.toggle(RecordKind::DataCollection);
    rig.files.appendDataRow({&LaserState::fetVoltage});
    const QStringList lines = rig.lines(RecordKind::DataCollection);
    QCOMPARE(lines.size(), 3);
    const QStringList row = lines[2].split(QLatin1Char(','));
    QVERIFY2(row.size() > 3, qPrintable(lines[2]));
    QCOMPARE(row[1], QStringLiteral("12.5"));
    QCOMPARE(row[2], QString()); // the FET voltage, not read
    QCOMPARE(row[3], QStringLiteral("0"));
}

void RecordFilesAloneTest::linesGoNowhereWhileTheirFileIsOff()
{
    RecordRig rig;
    rig.files.appendLogNote(QStringLiteral("Electrical Fault"));
    rig.files.appendDataRow({});
    QVERIFY(QDir(rig.workDir.path()).isEmpty());
    QVERIFY(rig.menus.checked.empty());
}

void RecordFilesAloneTest::switchedOnAgainTheFileGoesOnAfterItsHeaders_data()
{
    addKinds();
}

void RecordFilesAloneTest::switchedOnAgainTheFileGoesOnAfterItsHeaders()
{
    QFETCH(RecordKind, kind);
    RecordRig rig;
    const auto record = [&rig, kind] {
        rig.files.appendLogNote(QStringLiteral("Electrical Fault"));
        rig.files.appendDataRow({});
    };
    rig.files.toggle(kind);
    record();
    const QStringList first = rig.lines(kind);
    rig.files.toggle(kind);
    record(); // off: nowhere

    rig.files.toggle(kind);
    QCOMPARE(rig.menus.recording[kind], rig.files.fileName(kind));
    record();

    const QStringList lines = rig.lines(kind);
    QCOMPARE(lines.size(), 2 * first.size());
    QCOMPARE(lines.mid(0, first.size()), first);
    for (qsizetype i = 0; i < first.size() - 1; ++i) // the header lines again, the same but for the time
        QCOMPARE(lines[first.size() + i].left(10), first[i].left(10));
    QCOMPARE(QDir(rig.workDir.path()).entryList(QDir::Files), QStringList{rig.files.fileName(kind)});
}

void RecordFilesAloneTest::fileThisRunDidNotWriteIsNeverOverwritten_data()
{
    QTest::addColumn<QList<int>>("foreignNumbers"); // files there before the first switch-on
    QTest::addColumn<QString>("between");           // what happens to the run's file while it is off
    QTest::addColumn<QString>("recordedName");
    QTest::addColumn<int>("recordedLines");

    const QString name = QStringLiteral("TovraLogFile_ops_12-10-26_05-17-00");
    QTest::newRow("no file there") << QList<int>{} << "kept" << name + ".txt" << 4;
    QTest::newRow("an earlier run's file") << QList<int>{1} << "kept" << name + "_2.txt" << 4;
    QTest::newRow("an earlier run's file and its second")
        << QList<int>{1, 2} << "kept" << name + "_3.txt" << 4;
    QTest::newRow("only a second one there") << QList<int>{2} << "kept" << name + ".txt" << 4;
    QTest::newRow("the run's file replaced while off") << QList<int>{} << "replaced" << name + "_2.txt" << 2;
    QTest::newRow("the run's file removed while off") << QList<int>{} << "removed" << name + ".txt" << 2;
}

void RecordFilesAloneTest::fileThisRunDidNotWriteIsNeverOverwritten()
{
    QFETCH(QList<int>, foreignNumbers);
    QFETCH(QString, between);
    const RecordKind log = RecordKind::CommunicationLog;
    RecordRig rig;
    const QString baseName = rig.files.fileName(log);
    const QByteArray foreign = "someone else's record\r\n";
    const auto plant = [&foreign](const QString &name) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(foreign);
    };
    QStringList foreignNames;
    for (int number : foreignNumbers)
        foreignNames << numberedFileName(baseName, number);
    for (const QString &name : foreignNames)
        plant(name);

    rig.files.toggle(log);
    rig.files.appendLogNote(QStringLiteral("first"));
    rig.files.toggle(log);
    const QString firstName = rig.files.fileName(log);
    if (between == QLatin1String("replaced")) {
        QVERIFY(QFile::remove(firstName));
        plant(firstName);
        foreignNames << firstName;
    } else if (between == QLatin1String("removed")) {
        QVERIFY(QFile::remove(firstName));
    }
    rig.files.toggle(log);
    rig.files.appendLogNote(QStringLiteral("second"));

    QTEST(rig.files.fileName(log), "recordedName");
    QTEST(int(rig.lines(log).size()), "recordedLines");
    QCOMPARE(rig.lines(log).constLast(), QStringLiteral("second"));
    for (const QString &name : foreignNames) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), foreign);
    }
    QVERIFY(rig.desktop.shown.isEmpty());
}

QTEST_MAIN(RecordFilesAloneTest)
#include "tst_recordfilesalone.moc"
