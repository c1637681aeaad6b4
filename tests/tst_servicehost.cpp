// The service window on its own: a recording host stands where the main window would be, so what
// the window asks of its host is seen without a main window or a laser.

#include "laserstate.h"
#include "plusspinedit.h"
#include "scripteddesktop.h"
#include "serviceform.h"
#include "servicehost.h"

#include <QTest>

#include <utility>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::Setting)

namespace {

class RecordingHost : public ServiceHost
{
public:
    void queueCommand(const QString &command) override { queued.append(command); }
    void queueRawLine(const QString &line) override { queued.append(line); }
    void sendDirectly(const QString &command) override { sent.append(command); }
    void showMaximum(Setting setting, double maximum) override { maxima.append({setting, maximum}); }
    void applyCalibratedMaximum(Setting setting, double maximum) override { calibrated.append({setting, maximum}); }
    void showHeaterTarget(int heater, double setpoint) override { targets.append({heater, setpoint}); }
    bool statusUpdating() const override { return false; }

    void forget()
    {
        queued.clear();
        sent.clear();
        maxima.clear();
        calibrated.clear();
        targets.clear();
    }

    QStringList queued;
    QStringList sent;
    QList<std::pair<Setting, double>> maxima;
    QList<std::pair<Setting, double>> calibrated;
    QList<std::pair<int, double>> targets;
};

// A full-size laser with all three heaters, its window opened, shown and active, and the host's
// record of the opening forgotten.
struct ServiceWindowAlone
{
    ServiceWindowAlone()
    {
        state.hasHeater0 = state.hasHeater1 = state.hasHeater2 = true;
        state.repRateMax = 10;
        state.diodeCurrentMax = 40;
        state.diodePulseWidthMax = 0.0002;
        state.qswDelayMax = 0.00015;
        state.heater0Setpoint = state.heater1Setpoint = state.heater2Setpoint = 25;
        window.ServiceInitialize();
        window.show();
        window.activateWindow();
    }

    // Focuses the control and steps it up with the Up key, as the operator would.
    bool stepUp(TPlusSpinEdit *control)
    {
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        host.forget();
        control->setFocus();
        if (!QTest::qWaitFor([control] { return control->hasFocus(); }))
            return false;
        QTest::keyClick(control, Qt::Key_Up);
        return true;
    }

    LaserState state;
    test::ScriptedDesktop desktop;
    RecordingHost host;
    TServiceForm window{host, state, desktop};
};

} // namespace

class ServiceHostTest : public QObject
{
    Q_OBJECT
private slots:
    void openingSendsTheServiceCodeDirectlyAndShowsAChangedLimit();
    void raisedLimitIsQueuedAndShownAsTheHostsMaximum_data();
    void raisedLimitIsQueuedAndShownAsTheHostsMaximum();
    void raisedHeaterSetpointIsQueuedAndShownAsTheHostsTarget_data();
    void raisedHeaterSetpointIsQueuedAndShownAsTheHostsTarget();
};

void ServiceHostTest::openingSendsTheServiceCodeDirectlyAndShowsAChangedLimit()
{
    ServiceWindowAlone service;
    service.host.forget();
    service.state.repRateMax = 12;

    service.window.ServiceInitialize();

    QCOMPARE(service.host.sent, QStringList{"SEC 53871"});
    QCOMPARE(service.host.maxima, (QList<std::pair<Setting, double>>{{Setting::RepRate, 12.0}}));
}

void ServiceHostTest::raisedLimitIsQueuedAndShownAsTheHostsMaximum_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QString>("command");
    QTest::addColumn<double>("maximum");
    QTest::newRow("rep rate") << "MaxRepRateAdj" << Setting::RepRate << "RR:CAL:MAX 10.1000000" << 10.1;
    QTest::newRow("diode current") << "MaxDiodeCurrentAdj" << Setting::DiodeCurrent
                                   << "DC:CAL:MAX 40.0100000" << 40.01;
    QTest::newRow("diode pulse width") << "MaxDiodePulseWidthAdj" << Setting::DiodePulseWidth
                                       << "DW:CAL:MAX 0.0002001" << 0.0002001;
    QTest::newRow("q-switch delay") << "MaxQSWDelayAdj" << Setting::QSwitchDelay << "QD:CAL:MAX 0.0001501"
                                    << 0.0001501;
}

void ServiceHostTest::raisedLimitIsQueuedAndShownAsTheHostsMaximum()
{
    QFETCH(QString, control);
    QFETCH(Setting, setting);
    QFETCH(double, maximum);
    ServiceWindowAlone service;

    QVERIFY(service.stepUp(service.window.findChild<TPlusSpinEdit *>(control)));

    QTEST(service.host.queued.join(QLatin1Char('|')), "command");
    QCOMPARE(service.host.calibrated.size(), 1);
    QCOMPARE(service.host.calibrated.first().first, setting);
    QCOMPARE(service.host.calibrated.first().second, maximum);
    QVERIFY(service.host.maxima.isEmpty());
    QVERIFY(service.host.sent.isEmpty());
}

void ServiceHostTest::raisedHeaterSetpointIsQueuedAndShownAsTheHostsTarget_data()
{
    QTest::addColumn<int>("heater");
    QTest::addColumn<QString>("command");
    QTest::newRow("heater 0") << 0 << "H0:CAL:SP 25.1";
    QTest::newRow("heater 1") << 1 << "H1:CAL:SP 25.1";
    QTest::newRow("heater 2") << 2 << "H2:CAL:SP 25.1000000";
}

void ServiceHostTest::raisedHeaterSetpointIsQueuedAndShownAsTheHostsTarget()
{
    QFETCH(int, heater);
    ServiceWindowAlone service;
    TPlusSpinEdit *setpoints[] = {service.window.ui.Heater0TempAdj, service.window.ui.Heater1TempAdj,
                                  service.window.ui.Heater2TempAdj};

    QVERIFY(service.stepUp(setpoints[heater]));

    QTEST(service.host.queued.join(QLatin1Char('|')), "command");
    QCOMPARE(service.host.targets, (QList<std::pair<int, double>>{{heater, 25.1}}));
    QVERIFY(service.host.sent.isEmpty());
}

QTEST_MAIN(ServiceHostTest)
#include "tst_servicehost.moc"
