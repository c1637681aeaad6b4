// How the typed queries read a reply's text as a number: the rules of the free functions that
// the exchange and the fuzz target share.

#include "replyconversion.h"

#include <QTest>

using namespace tovra;

class ReplyConversionTest : public QObject
{
    Q_OBJECT
private slots:
    void replyTextReadsAsANumberOrNot_data();
    void replyTextReadsAsANumberOrNot();
};

void ReplyConversionTest::replyTextReadsAsANumberOrNot_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("isInt");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("isFloat");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("isCount");
    QTest::addColumn<uint>("count");

    QTest::newRow("empty reply reads as 0") << "" << true << 0 << true << 0.0 << true << 0u;
    QTest::newRow("blanks and controls trimmed at both ends")
            << " \t12\r\n" << true << 12 << true << 12.0 << true << 12u;
    QTest::newRow("decimal is a float only") << "28.50" << false << 0 << true << 28.5 << false << 0u;
    QTest::newRow("count above 32 bits keeps its low bits")
            << "4294967301" << false << 0 << true << 4294967301.0 << true << 5u;
    QTest::newRow("negative whole number") << "-7" << true << -7 << true << -7.0 << true << uint(-7);
    QTest::newRow("hex is no number") << "0x1F" << false << 0 << false << 0.0 << false << 0u;
    QTest::newRow("not a number is a word") << "nan" << false << 0 << false << 0.0 << false << 0u;
    QTest::newRow("infinity is a word") << "inf" << false << 0 << false << 0.0 << false << 0u;
    QTest::newRow("beyond a double is no measurement") << "1e999" << false << 0 << false << 0.0 << false << 0u;
    QTest::newRow("two replies in one") << "0\r0" << false << 0 << false << 0.0 << false << 0u;
    QTest::newRow("endless digits are no number at all") << QString(400, u'7') << false << 0 << false << 0.0 << false
                                                         << 0u;
}

void ReplyConversionTest::replyTextReadsAsANumberOrNot()
{
    QFETCH(QString, reply);
    QFETCH(bool, isInt);
    QFETCH(int, integer);
    QFETCH(bool, isFloat);
    QFETCH(double, number);
    QFETCH(bool, isCount);
    QFETCH(uint, count);

    bool ok = false;
    const int32_t readInt = intFromReply(reply, &ok);
    QCOMPARE(ok, isInt);
    if (isInt)
        QCOMPARE(readInt, integer);
    const double readFloat = floatFromReply(reply, &ok);
    QCOMPARE(ok, isFloat);
    if (isFloat)
        QCOMPARE(readFloat, number);
    const uint32_t readCount = countFromReply(reply, &ok);
    QCOMPARE(ok, isCount);
    if (isCount)
        QCOMPARE(readCount, count);
}

QTEST_APPLESS_MAIN(ReplyConversionTest)

#include "tst_replyconversion.moc"
