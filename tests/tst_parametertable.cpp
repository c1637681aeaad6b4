// The parameter table: the command each parameter sends, the families that have it, the range in
// force, that a terminal or script setter of every parameter a control sends finds its way back
// to that control, and that the window's controls agree with the table and take the program's
// values without running the operator's handler.

#include "laserstate.h"
#include "mainformlayout.h"
#include "parametertable.h"
#include "plusspinedit.h"
#include "scriptline.h"
#include "settingcontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::Setting)

namespace {

enum class Laser { Standard, Micro, Mini, UnknownModel };

// The state of a laser of the family, with every option fitted unless told otherwise.
struct LaserOf
{
    explicit LaserOf(Laser laser, bool options = true)
    {
        state.isStandardModel = laser == Laser::Standard;
        state.isMicroModel = laser == Laser::Micro;
        state.isMiniModel = laser == Laser::Mini;
        state.hasAttenuator = options;
        state.hasEnhancedEnergy = options;
    }
    LaserState state;
};

QString nameOf(Setting setting)
{
    const Parameter *row = findParameter(setting);
    return row ? QString(row->name) : QStringLiteral("laser_enable");
}

} // namespace

class ParameterTableTest : public QObject
{
    Q_OBJECT
private slots:
    void eachParameterSendsItsValueInItsFormat_data();
    void eachParameterSendsItsValueInItsFormat();
    void aLaserHasTheParametersOfItsFamilyAndOptions_data();
    void aLaserHasTheParametersOfItsFamilyAndOptions();
    void rangeIsTheLasersOnceReadAndTheDesignRangeBefore();
    void everySetterAControlSendsIsFollowedBackToThatControl_data();
    void everySetterAControlSendsIsFollowedBackToThatControl();
    void everyControlHasTheTablesRange();
    void aValueTheProgramWritesRunsNoHandler_data();
    void aValueTheProgramWritesRunsNoHandler();
};

void ParameterTableTest::eachParameterSendsItsValueInItsFormat_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<int>("laser");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("command");
    auto row = [](const char *name, Setting setting, Laser laser, double value, const char *command) {
        QTest::newRow(name) << setting << int(laser) << value << QString::fromLatin1(command);
    };
    row("rep rate, one decimal", Setting::RepRate, Laser::Standard, 12.34, "RR 12.3");
    row("diode current, two integer digits", Setting::DiodeCurrent, Laser::Standard, 5.5, "DC 05.50");
    row("pulse width, seven decimals", Setting::DiodePulseWidth, Laser::Micro, 0.000001, "DW 0.0000010");
    row("q-switch delay", Setting::QSwitchDelay, Laser::Standard, 0.00012, "QD 0.0001200");
    row("burst count, half to even", Setting::BurstCount, Laser::Standard, 2.5, "BC 2");
    row("wait count", Setting::QSwitchWaitCount, Laser::Standard, 12, "QW 12");
    row("divide by n", Setting::DivideByN, Laser::Standard, 3, "DN 3");
    row("standard attenuator", Setting::Attenuator, Laser::Standard, 7.5, "AT 07.50");
    row("micro attenuator", Setting::Attenuator, Laser::Micro, 33.3, "AT:AP 33.30");
    row("attenuator of a model of no known family", Setting::Attenuator, Laser::UnknownModel, 1, "AT:AP 01.00");
    row("pulse mode", Setting::PulseMode, Laser::Standard, 2, "PM 2");
    row("sync output", Setting::SyncOutput, Laser::Standard, 3, "SY 3");
    row("diode trigger", Setting::DiodeTrigger, Laser::Mini, 1, "DT 1");
    row("q-switch trigger", Setting::QSwitchTrigger, Laser::Standard, 1, "QT 1");
    row("energy mode", Setting::EnergyMode, Laser::Standard, 2, "EM 2");
    row("enhanced energy mode", Setting::EnhancedEnergyMode, Laser::Mini, 1, "EM 1");
    row("q-switch enable on", Setting::QSwitchEnable, Laser::Standard, 1, "QE 1");
    row("divide by n off", Setting::DivideByNEnable, Laser::Standard, 0, "DE 0");
}

void ParameterTableTest::eachParameterSendsItsValueInItsFormat()
{
    QFETCH(Setting, setting);
    QFETCH(int, laser);
    QFETCH(double, value);

    QTEST(commandFor(setting, value, LaserOf(Laser(laser)).state), "command");
}

void ParameterTableTest::aLaserHasTheParametersOfItsFamilyAndOptions_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<int>("laser");
    QTest::addColumn<bool>("options");
    QTest::addColumn<bool>("has");
    auto row = [](const char *name, Setting setting, Laser laser, bool options, bool has) {
        QTest::newRow(name) << setting << int(laser) << options << has;
    };
    row("rep rate on a mini", Setting::RepRate, Laser::Mini, false, true);
    row("sync output on a micro", Setting::SyncOutput, Laser::Micro, true, false);
    row("q-switch delay on a model of no known family", Setting::QSwitchDelay, Laser::UnknownModel, false, true);
    row("attenuator fitted", Setting::Attenuator, Laser::Micro, true, true);
    row("attenuator not fitted", Setting::Attenuator, Laser::Standard, false, false);
    row("energy mode on a standard laser", Setting::EnergyMode, Laser::Standard, false, true);
    row("energy mode on a micro", Setting::EnergyMode, Laser::Micro, true, false);
    row("enhanced energy mode configured", Setting::EnhancedEnergyMode, Laser::Mini, true, true);
    row("enhanced energy mode not configured", Setting::EnhancedEnergyMode, Laser::Mini, false, false);
    row("enhanced energy mode on a standard laser", Setting::EnhancedEnergyMode, Laser::Standard, true, false);
}

void ParameterTableTest::aLaserHasTheParametersOfItsFamilyAndOptions()
{
    QFETCH(Setting, setting);
    QFETCH(int, laser);
    QFETCH(bool, options);

    QTEST(hasParameter(LaserOf(Laser(laser), options).state, parameter(setting)), "has");
}

// Only the delay's maximum is the laser's: its control keeps its own minimum.
void ParameterTableTest::rangeIsTheLasersOnceReadAndTheDesignRangeBefore()
{
    LaserOf laser(Laser::Standard);
    LaserState &state = laser.state;
    QCOMPARE(currentRange(state, Setting::RepRate).maximum, 100.0);
    state.repRateMin = 1;
    state.repRateMax = 50;
    state.qswDelayMax = 0.0002;
    QCOMPARE(currentRange(state, Setting::RepRate).minimum, 1.0);
    QCOMPARE(currentRange(state, Setting::RepRate).maximum, 50.0);
    QCOMPARE(currentRange(state, Setting::QSwitchDelay).minimum, 0.000001);
    QCOMPARE(currentRange(state, Setting::QSwitchDelay).maximum, 0.0002);
    QCOMPARE(currentRange(state, Setting::SyncOutput).maximum, 3.0);
}

void ParameterTableTest::everySetterAControlSendsIsFollowedBackToThatControl_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<int>("laser");
    for (const Laser laser : {Laser::Standard, Laser::Micro, Laser::Mini}) {
        for (const Parameter &row : parameterTable()) {
            if (hasParameter(LaserOf(laser).state, row))
                QTest::addRow("%s on laser %d", row.name.data(), int(laser)) << row.setting << int(laser);
        }
    }
}

// The laser took the line as the control would have sent it: the follower finds the same setting
// and value.
void ParameterTableTest::everySetterAControlSendsIsFollowedBackToThatControl()
{
    QFETCH(Setting, setting);
    QFETCH(int, laser);
    const LaserOf connected{Laser(laser)};
    const LaserState &state = connected.state;
    const double value = parameter(setting).designRange.maximum;

    const std::optional<ScriptSetting> taken = settingTakenBy(commandFor(setting, value, state), QStringLiteral("OK"));

    QVERIFY(taken);
    QCOMPARE(settingOfMnemonic(taken->mnemonic, state), std::optional<Setting>(setting));
    QCOMPARE(taken->value, value);
}

// Other programs learn a parameter's range from the table; the window's controls must hold the same.
void ParameterTableTest::everyControlHasTheTablesRange()
{
    QMainWindow window;
    MainFormLayout ui;
    ui.setupUi(&window, new QWidget(&window));
    const SettingControls controls(ui);
    for (const Parameter &row : parameterTable()) {
        QVERIFY2(controls.widget(row.setting), row.name.data());
        LimitRange range{0, 1};
        if (controls.spinEdit(row.setting))
            range = controls.limits(row.setting);
        else if (const QComboBox *choice = controls.choice(row.setting))
            range.maximum = choice->count() - 1;
        QCOMPARE(range.minimum, row.designRange.minimum);
        QCOMPARE(range.maximum, row.designRange.maximum);
    }
}

void ParameterTableTest::aValueTheProgramWritesRunsNoHandler_data()
{
    QTest::addColumn<Setting>("setting");
    QMainWindow window;
    MainFormLayout ui;
    ui.setupUi(&window, new QWidget(&window));
    const SettingControls controls(ui);
    for (const SettingControls::Control &control : controls.all())
        QTest::newRow(qPrintable(nameOf(control.setting))) << control.setting;
}

// Each control's signal that the main window connects its handler to stays silent, and the
// control shows the value.
void ParameterTableTest::aValueTheProgramWritesRunsNoHandler()
{
    QFETCH(Setting, setting);
    QMainWindow window;
    MainFormLayout ui;
    ui.setupUi(&window, new QWidget(&window));
    SettingControls controls(ui);
    TPlusSpinEdit *spinEdit = controls.spinEdit(setting);
    const double value = spinEdit ? parameter(setting).designRange.maximum : 1 - controls.value(setting);
    std::unique_ptr<QSignalSpy> handlerSignal;
    if (spinEdit)
        handlerSignal = std::make_unique<QSignalSpy>(spinEdit, &TPlusSpinEdit::OnChange);
    else if (QComboBox *choice = controls.choice(setting))
        handlerSignal = std::make_unique<QSignalSpy>(choice, &QComboBox::currentIndexChanged);
    else
        handlerSignal = std::make_unique<QSignalSpy>(controls.checkBox(setting), &QCheckBox::toggled);

    QCOMPARE(controls.show(setting, value), value);
    if (spinEdit) {
        const LimitRange design = parameter(setting).designRange;
        QVERIFY(controls.setMaximum(setting, (design.minimum + design.maximum) / 2));
    }

    QCOMPARE(handlerSignal->count(), 0);
}

QTEST_MAIN(ParameterTableTest)
#include "tst_parametertable.moc"
