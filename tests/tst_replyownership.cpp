// Replies that are not their query's own: an unasked line, an echo, a second copy or a late piece
// is taken as the next query's reply, and each reply after it may shift onto the next query. The
// laser here answers every reading from a range of its own, so a value under a wrong column of the
// data row shows.

#include "testshard.h"
#include "lasermodel.h"
#include "runningprogram.h"

#include <QTest>

using namespace tovra;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::function<void(tovra::sim::SimulatedLaser &)>)

namespace {

using Fault = std::function<void(sim::SimulatedLaser &)>;

// The queries behind the data row's columns after the time: a standard laser with heaters 1 and 2.
const QList<QByteArray> ColumnQueries = {"BV", "FV", "FT", "IM", "TA", "TB", "H1:TP", "H2:TP"};

sim::LaserConfig distinctLaser()
{
    sim::LaserConfig laser;
    laser.heater1 = laser.heater2 = true;
    laser.distinctReadings = true;
    return laser;
}

// The query whose range holds the value, or nothing.
QByteArray sourceOf(double value)
{
    for (const auto &[query, offset] : sim::distinctReadingOffsets) {
        if (value >= offset && value < offset + 1000)
            return query;
    }
    return "none";
}

} // namespace

class ReplyOwnershipTest : public QObject
{
    Q_OBJECT
private slots:
    void noValueIsRecordedUnderAnotherQuantitysColumn_data();
    void noValueIsRecordedUnderAnotherQuantitysColumn();
};

void ReplyOwnershipTest::noValueIsRecordedUnderAnotherQuantitysColumn_data()
{
    QTest::addColumn<Fault>("fault");
    // A fault on every line leaves no reply its own: every cell may then be empty.
    QTest::addColumn<bool>("someRead");

    QTest::newRow("unasked 99.50 every 137 ms")
        << Fault([](sim::SimulatedLaser &laser) { laser.setUnaskedLines("99.50", 137ms); }) << true;
    QTest::newRow("unasked reading every 23 ms")
        << Fault([](sim::SimulatedLaser &laser) { laser.setUnaskedLines("22047.90", 23ms); }) << false;
    QTest::newRow("echo") << Fault([](sim::SimulatedLaser &laser) { laser.setEcho(true); }) << false;
    QTest::newRow("reply twice") << Fault([](sim::SimulatedLaser &laser) { laser.setReplyTwice(true); }) << false;
    QTest::newRow("late pieces")
        << Fault([](sim::SimulatedLaser &laser) { laser.setSplitReplies(true, 3ms); }) << true;
}

void ReplyOwnershipTest::noValueIsRecordedUnderAnotherQuantitysColumn()
{
    QFETCH(Fault, fault);
    test::PolledProgram program(distinctLaser(), {QStringLiteral("/data")}, test::Pacing::LineRate);
    fault(program.laser);

    constexpr int Updates = 12;
    for (int update = 0; update < Updates; ++update)
        program.poll();

    const QStringList rows = program.rig.fileLines(program.form.dataFileName()).mid(2);
    QCOMPARE(rows.size(), Updates);
    QStringList wrong;
    int values = 0;
    for (const QString &row : rows) {
        const QStringList fields = row.split(QLatin1Char(','));
        QCOMPARE(fields.size(), ColumnQueries.size() + 1);
        for (qsizetype column = 0; column < ColumnQueries.size(); ++column) {
            const QString &field = fields.at(column + 1);
            if (field.isEmpty())
                continue;
            ++values;
            const QByteArray source = sourceOf(field.toDouble());
            if (source != ColumnQueries.at(column))
                wrong << QString::fromLatin1(ColumnQueries.at(column) + " <- " + source);
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    QFETCH(bool, someRead);
    QVERIFY2(!someRead || values > 0, "every cell empty");
}

TOVRA_TEST_MAIN(ReplyOwnershipTest)
#include "tst_replyownership.moc"
