// The program's timings as tests set them for the executable (TOVRA_TEST_TIMINGS).

#include "programtimings.h"

#include <QTest>

using namespace tovra;
using namespace std::chrono_literals;

class ProgramTimingsTest : public QObject
{
    Q_OBJECT
private slots:
    void defaultsAreTheProgramsOwnValues();
    void textReplacesOnlyTheNamedValues_data();
    void textReplacesOnlyTheNamedValues();
};

void ProgramTimingsTest::defaultsAreTheProgramsOwnValues()
{
    qunsetenv("TOVRA_TEST_TIMINGS");
    const ProgramTimings timings = ProgramTimings::fromEnvironment();
    QCOMPARE(timings.responseTime, 5000ms);
    QCOMPARE(timings.scanResponseTime, 100ms);
    QCOMPARE(timings.scanPause, 100ms);
    QCOMPARE(timings.statusPollInterval, 1000ms);
    QCOMPARE(timings.restartPause, 500ms);
    QCOMPARE(timings.taskTick, 5ms);
    QCOMPARE(timings.exitReplyTime, 1000ms);
}

void ProgramTimingsTest::textReplacesOnlyTheNamedValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("responseTime");
    QTest::addColumn<int>("statusPollInterval");

    QTest::newRow("nothing") << "" << 5000 << 1000;
    QTest::newRow("two values") << "responseTime=300,statusPollInterval=50" << 300 << 50;
    QTest::newRow("blanks around") << " responseTime = 300 , " << 300 << 1000;
    QTest::newRow("unknown name ignored") << "reponseTime=300,statusPollInterval=50" << 5000 << 50;
    QTest::newRow("not a number ignored") << "responseTime=fast" << 5000 << 1000;
    QTest::newRow("negative ignored") << "responseTime=-1" << 5000 << 1000;
}

void ProgramTimingsTest::textReplacesOnlyTheNamedValues()
{
    QFETCH(QString, text);
    QFETCH(int, responseTime);
    QFETCH(int, statusPollInterval);

    const ProgramTimings timings = ProgramTimings::fromText(text);
    QCOMPARE(timings.responseTime, std::chrono::milliseconds(responseTime));
    QCOMPARE(timings.statusPollInterval, std::chrono::milliseconds(statusPollInterval));
    QCOMPARE(timings.restartPause, ProgramTimings{}.restartPause);
}

QTEST_GUILESS_MAIN(ProgramTimingsTest)
#include "tst_programtimings.moc"
