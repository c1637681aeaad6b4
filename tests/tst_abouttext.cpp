#include "abouttext.h"
#include "laserstate.h"

#include <QTest>

using namespace tovra;

class AboutTextTest : public QObject
{
    Q_OBJECT
private slots:
    void companyIsMarovaneOnlyForExactlyRZ_data();
    void companyIsMarovaneOnlyForExactlyRZ();
    void textListsIdentityAndSoftwareVersionSeparatedByCrLf();
    void withoutIdentityFieldsAreEmptyAndSerialIsZero();
};

void AboutTextTest::companyIsMarovaneOnlyForExactlyRZ_data()
{
    QTest::addColumn<QString>("manufacturerCode");
    QTest::addColumn<QString>("company");

    QTest::newRow("RZ") << "RZ" << "Marovane";
    QTest::newRow("lower case rz") << "rz" << "Unknown";
    QTest::newRow("mixed case Rz") << "Rz" << "Unknown";
    QTest::newRow("trailing blank") << "RZ " << "Unknown";
    QTest::newRow("other maker") << "XY" << "Unknown";
    QTest::newRow("empty") << "" << "Unknown";
}

void AboutTextTest::companyIsMarovaneOnlyForExactlyRZ()
{
    QFETCH(QString, manufacturerCode);
    QFETCH(QString, company);
    LaserState state;
    state.manufacturerCode = manufacturerCode;
    QCOMPARE(aboutText(state, QString()).split(QStringLiteral("\r\n")).value(1), QStringLiteral("Company: ") + company);
}

void AboutTextTest::textListsIdentityAndSoftwareVersionSeparatedByCrLf()
{
    LaserState state;
    state.manufacturerCode = QStringLiteral("RZ");
    state.modelName = QStringLiteral("miniTovra");
    state.serialNumber = 10452;
    state.firmwareVersion = QStringLiteral("3.14");
    state.fpgaVersion = QStringLiteral("2.7b");

    QCOMPARE(aboutText(state, QStringLiteral("1.2.2.5")),
             QStringLiteral("Tovra Laser Application\r\n"
                            "Company: Marovane\r\n"
                            "Model Number: miniTovra\r\n"
                            "Serial Number: 10452\r\n"
                            "Firmware Version: 3.14\r\n"
                            "FPGA Version: 2.7b\r\n"
                            "Software Version: 1.2.2.5"));
}

void AboutTextTest::withoutIdentityFieldsAreEmptyAndSerialIsZero()
{
    const LaserState noLaser;
    QCOMPARE(aboutText(noLaser, QStringLiteral("1.0.0.0")),
             QStringLiteral("Tovra Laser Application\r\n"
                            "Company: Unknown\r\n"
                            "Model Number: \r\n"
                            "Serial Number: 0\r\n"
                            "Firmware Version: \r\n"
                            "FPGA Version: \r\n"
                            "Software Version: 1.0.0.0"));
}

QTEST_GUILESS_MAIN(AboutTextTest)
#include "tst_abouttext.moc"
