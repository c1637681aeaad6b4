// The record files without a window: real files in a temporary working folder, the menu check
// marks in a recording view, the failure messages through the scripted desktop.

#include "filesizelimit.h"
#include "laserstate.h"
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
    std::map<RecordKind, bool> checked;
};

// Record files of a standard laser, made in a fresh working folder.
struct RecordRig
{
    RecordRig()
        : previousDir(QDir::currentPath())
    {
        QDir::setCurrent(workDir.path());
        state.userName = QStringLiteral("ops");
        state.startStamp = QStringLiteral("12-10-26_05-17-00");
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

bool &enabledFlag(LaserState &state, RecordKind kind)
{
    return kind == RecordKind::CommunicationLog ? state.loggingEnabled : state.dataCollectionEnabled;
}

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
    QVERIFY(enabledFlag(rig.state, kind));
    QCOMPARE(rig.menus.checked, (std::map<RecordKind, bool>{{kind, true}}));
    const QStringList header = rig.lines(kind);
    QCOMPARE(header.size(), headerStarts.size());
    for (qsizetype i = 0; i < header.size(); ++i)
        QVERIFY2(header[i].startsWith(headerStarts[i]), qPrintable(header[i]));

    rig.files.toggle(kind);
    QVERIFY(!enabledFlag(rig.state, kind));
    QCOMPARE(rig.menus.checked, (std::map<RecordKind, bool>{{kind, false}}));
    QVERIFY(!rig.state.logFile.isOpen());
    QVERIFY(!rig.state.dataFile.isOpen());
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
    QVERIFY(QDir(rig.workDir.path()).mkdir(rig.files.fileName(kind))); // a folder in the way

    rig.files.toggle(kind);
    QVERIFY(!enabledFlag(rig.state, kind));
    QCOMPARE(rig.menus.checked[kind], true);
    QCOMPARE(rig.desktop.textsOf(QStringLiteral("message")), QStringList{failure});

    QVERIFY(QDir(rig.workDir.path()).rmdir(rig.files.fileName(kind)));
    rig.files.toggle(kind);
    QVERIFY(enabledFlag(rig.state, kind));
    QVERIFY(QFileInfo(rig.files.fileName(kind)).isFile());
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
    QVERIFY(!enabledFlag(rig.state, kind));
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

QTEST_MAIN(RecordFilesAloneTest)
#include "tst_recordfilesalone.moc"
