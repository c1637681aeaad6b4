#include "identity.h"
#include "laserstate.h"

#include <QTest>

using namespace tovra;

class IdentityTest : public QObject
{
    Q_OBJECT
private slots:
    void replyIsSplitIntoIdentityFields_data();
    void replyIsSplitIntoIdentityFields();
    void unknownOrShortReplyKeepsThePreviousFamily_data();
    void unknownOrShortReplyKeepsThePreviousFamily();
    void microIdentityLeavesAnEarlierFpgaVersion();
    void onlyExactModelNamesAreAccepted_data();
    void onlyExactModelNamesAreAccepted();
};

void IdentityTest::replyIsSplitIntoIdentityFields_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("serial");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("fpga");
    QTest::addColumn<int>("family"); // 0 none, 1 standard, 2 micro, 3 mini

    QTest::newRow("standard") << "RZ,Tovra,1042,1.2.7-1.25.0.3" << "RZ" << "Tovra" << 1042 << "1.2.7" << "1.25.0.3" << 1;
    QTest::newRow("micro") << "RZ,MicroTovra,2210,3.04" << "RZ" << "MicroTovra" << 2210 << "3.04" << "" << 2;
    QTest::newRow("short micro name") << "RZ,uTovra,7,2.10 beta" << "RZ" << "uTovra" << 7 << "2.10 beta" << "" << 2;
    QTest::newRow("mini, both spellings") << "RZ,miniTovra,33,4.1" << "RZ" << "miniTovra" << 33 << "4.1" << "" << 3;
    QTest::newRow("Mini") << "RZ,MiniTovra,34,4.2" << "RZ" << "MiniTovra" << 34 << "4.2" << "" << 3;
    QTest::newRow("fields trimmed at their end") << "RZ ,Tovra ,12 ,1.0.0 -2.0.0.0 " << "RZ" << "Tovra" << 12 << "1.0.0"
                                                 << "2.0.0.0 " << 1;
    QTest::newRow("no dash in standard version") << "RZ,Tovra,1042,1.2.7.8" << "RZ" << "Tovra" << 1042 << ""
                                                 << "1.2.7.8" << 1;
    QTest::newRow("exactly eleven characters") << "RZ,Tovra,1," << "RZ" << "Tovra" << 1 << "" << "" << 1;
    QTest::newRow("other maker") << "XY,Tovra,5,1.0.0-1.0.0.0" << "XY" << "Tovra" << 5 << "1.0.0" << "1.0.0.0" << 1;
}

void IdentityTest::replyIsSplitIntoIdentityFields()
{
    QFETCH(QString, reply);
    LaserState state;
    parseIdentityReply(reply, state);
    QTEST(state.manufacturerCode, "maker");
    QTEST(state.modelName, "model");
    QTEST(int(state.serialNumber), "serial");
    QTEST(state.firmwareVersion, "firmware");
    QTEST(state.fpgaVersion, "fpga");
    QFETCH(int, family);
    QCOMPARE(state.isStandardModel, family == 1);
    QCOMPARE(state.isMicroModel, family == 2);
    QCOMPARE(state.isMiniModel, family == 3);
}

void IdentityTest::unknownOrShortReplyKeepsThePreviousFamily_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("serial");

    QTest::newRow("empty") << "" << "" << "" << 0;
    QTest::newRow("exactly ten characters") << "RZ,Tovra,1" << "" << "" << 0;
    QTest::newRow("no comma at all") << "RZTovra1042abc" << "" << "" << 99;
    QTest::newRow("serial not a number") << "RZ,Tovra,12a,1.0.0-1.0.0.0" << "RZ" << "Tovra" << 99;
    QTest::newRow("name in other letter case") << "RZ,tovra,1042,1.2.7-1.25.0.3" << "RZ" << "tovra" << 1042;
}

void IdentityTest::unknownOrShortReplyKeepsThePreviousFamily()
{
    QFETCH(QString, reply);
    LaserState state;
    state.isMicroModel = true;
    state.serialNumber = 99;
    state.firmwareVersion = QStringLiteral("old");
    parseIdentityReply(reply, state);
    QTEST(state.manufacturerCode, "maker");
    QTEST(state.modelName, "model");
    QTEST(int(state.serialNumber), "serial");
    QVERIFY(state.isMicroModel);
    QVERIFY(!state.isStandardModel && !state.isMiniModel);
    QCOMPARE(state.firmwareVersion, reply.size() <= 10 ? QString() : QStringLiteral("old"));
}

void IdentityTest::microIdentityLeavesAnEarlierFpgaVersion()
{
    LaserState state;
    parseIdentityReply(QStringLiteral("RZ,Tovra,1042,1.2.7-1.25.0.3"), state);
    parseIdentityReply(QStringLiteral("RZ,uTovra,2210,3.04"), state);
    QCOMPARE(state.fpgaVersion, QStringLiteral("1.25.0.3"));
    QVERIFY(state.isMicroModel && !state.isStandardModel);
}

void IdentityTest::onlyExactModelNamesAreAccepted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    for (const char *name : AcceptedModelNames)
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    QTest::newRow("lower case") << "tovra" << false;
    QTest::newRow("upper case") << "TOVRA" << false;
    QTest::newRow("trailing blank") << "Tovra " << false;
    QTest::newRow("empty") << "" << false;
}

void IdentityTest::onlyExactModelNamesAreAccepted()
{
    QFETCH(QString, name);
    QTEST(isAcceptedModelName(name), "accepted");
}

QTEST_GUILESS_MAIN(IdentityTest)
#include "tst_identity.moc"
