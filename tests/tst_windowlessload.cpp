// The settings load on its own, against a simulated laser, with a view that records what the load
// shows and no window at all.

#include "linkrig.h"
#include "loadqueries.h"
#include "settingsload.h"

#include <QTest>
#include <QTimer>

#include <map>
#include <set>

using namespace tovra;

using Setting = SettingsLoadView::Setting;
using Part = SettingsLoadView::Part;
using Family = SettingsLoadView::Family;

Q_DECLARE_METATYPE(tovra::SettingsLoadView::Setting)
Q_DECLARE_METATYPE(tovra::SettingsLoadView::Family)
Q_DECLARE_METATYPE(tovra::sim::LaserConfig)

namespace {

// Remembers the last thing shown for each control and part, and whether commands were
// inhibited while a value was shown.
class RecordingLoadView : public SettingsLoadView
{
public:
    explicit RecordingLoadView(const Communication &exchange)
        : comm(exchange)
    {
    }

    void showSetting(Setting setting, double value) override
    {
        values[setting] = value;
        shownWhileInhibited = shownWhileInhibited && comm.commandsInhibited();
    }
    LimitRange limits(Setting setting) const override { return ranges.at(setting); }
    void setLimits(Setting setting, LimitRange range) override
    {
        ranges[setting] = range;
        shownWhileInhibited = shownWhileInhibited && comm.commandsInhibited();
    }
    void setSettingEnabled(Setting setting, bool enabled) override { this->enabled[setting] = enabled; }
    void markUnread(Setting setting, bool unread) override
    {
        if (unread)
            unreadMarks.insert(setting);
        else
            unreadMarks.erase(setting);
    }
    void setPartVisible(Part part, bool visible) override { visibility[part] = visible; }
    void setText(Text text, const QString &value) override { texts[text] = value; }
    void setStatusCaptions(const QStringList &captions) override { statusCaptions = captions; }
    void showFamily(Family family) override { families.append(family); }
    void arrangeForSmallFamily(bool, bool) override { ++arrangements; }
    void setOuterWidth(int width) override { outerWidth = width; }
    void noteInLog(const QString &line) override { notes.append(line); }

    const Communication &comm;
    std::map<Setting, LimitRange> ranges = {
        {Setting::RepRate, {0.1, 100}},
        {Setting::DiodeCurrent, {0, 150}},
        {Setting::DiodePulseWidth, {0.000001, 0.1}},
        {Setting::QSwitchDelay, {0.000001, 1}},
    };
    std::map<Setting, double> values;
    std::set<Setting> unreadMarks;
    std::map<Setting, bool> enabled;
    std::map<Part, bool> visibility;
    std::map<Text, QString> texts;
    QStringList statusCaptions;
    QList<Family> families;
    int arrangements = 0;
    int outerWidth = 0;
    QStringList notes;
    bool shownWhileInhibited = true;
};

sim::LaserConfig unpaced(sim::LaserConfig config)
{
    config.pacing = false;
    return config;
}

// A simulated laser on a port, the exchange on top and the load with its recording view: what
// the program has once the port is open, without the window.
struct LoadRig : test::LinkRig
{
    explicit LoadRig(const sim::LaserConfig &config = {})
        : LinkRig(unpaced(config))
        , view(comm)
        , load(comm, state, view)
    {
        comm.setTimeoutActions({
            .stopPolling = [this] { statusTimer.stop(); },
            .resumePolling = [this] { statusTimer.start(); },
            .restartApp = [] {},
            .exitApp = [] {},
        });
    }

    void run() { load.run(QStringLiteral("1.0.0.0"), 1); }

    QTimer statusTimer;
    RecordingLoadView view;
    SettingsLoad load;
};

} // namespace

class WindowlessLoadTest : public QObject
{
    Q_OBJECT
private slots:
    void eachFamilyIsAskedItsQueriesInOrder_data();
    void eachFamilyIsAskedItsQueriesInOrder();
    void valuesAreShownWithCommandsInhibitedAndTheFlagIsGivenBack();
    void inhibitSetBeforeTheLoadStaysSetAfterIt();
    void limitsAreAppliedOnlyWhenUsable_data();
    void limitsAreAppliedOnlyWhenUsable();
    void absentOptionsHideTheirGroupsAndShowNoValue();
    void unreadSettingKeepsItsControlMarkedWithANote_data();
    void unreadSettingKeepsItsControlMarkedWithANote();
    void unreadCheckBoxFollowsTheNextStatusWord_data();
    void unreadCheckBoxFollowsTheNextStatusWord();
    void smallFamilyIsArrangedOncePerRun();
    void demoModeAsksNothing();
};

void WindowlessLoadTest::eachFamilyIsAskedItsQueriesInOrder_data()
{
    QTest::addColumn<sim::LaserConfig>("laser");
    QTest::addColumn<Family>("family");

    QTest::newRow("standard, bare") << test::laserOfFamily(sim::Family::Standard) << Family::Standard;
    sim::LaserConfig fitted = test::laserOfFamily(sim::Family::Standard);
    fitted.heater1 = fitted.heater2 = fitted.attenuator = true;
    QTest::newRow("standard, heaters 1 and 2, attenuator") << fitted << Family::Standard;
    sim::LaserConfig heaterZero = test::laserOfFamily(sim::Family::Standard);
    heaterZero.heater0 = heaterZero.heater1 = true;
    QTest::newRow("standard, heater 0 hides the others") << heaterZero << Family::Standard;
    QTest::newRow("micro, bare") << test::laserOfFamily(sim::Family::Micro) << Family::Micro;
    sim::LaserConfig enhanced = test::laserOfFamily(sim::Family::Micro);
    enhanced.cfg = 1;
    enhanced.attenuator = true;
    QTest::newRow("micro, enhanced energy, attenuator") << enhanced << Family::Micro;
    sim::LaserConfig locked = test::laserOfFamily(sim::Family::Mini);
    locked.passwordLocked = true;
    QTest::newRow("mini, locked") << locked << Family::Mini;
}

void WindowlessLoadTest::eachFamilyIsAskedItsQueriesInOrder()
{
    QFETCH(sim::LaserConfig, laser);
    QFETCH(Family, family);
    LoadRig rig(laser);

    rig.run();

    QCOMPARE(rig.laser.transcript(), test::loadQueries(laser));
    QCOMPARE(rig.view.families, QList<Family>{family});
    QCOMPARE(rig.view.outerWidth, 665);
    QCOMPARE(rig.view.visibility.count(Part::UnlockLaserMenu), size_t(family == Family::Mini ? 1 : 0));
    if (family == Family::Mini)
        QCOMPARE(rig.view.visibility.at(Part::UnlockLaserMenu), laser.passwordLocked);
}

void WindowlessLoadTest::valuesAreShownWithCommandsInhibitedAndTheFlagIsGivenBack()
{
    LoadRig rig;

    rig.run();

    QVERIFY(rig.view.shownWhileInhibited);
    QVERIFY(rig.view.values.count(Setting::SyncOutput));
    QVERIFY(!rig.comm.commandsInhibited());
}

void WindowlessLoadTest::inhibitSetBeforeTheLoadStaysSetAfterIt()
{
    LoadRig rig;
    rig.comm.setCommandsInhibited(true);

    rig.run();

    QVERIFY(rig.comm.commandsInhibited());
}

void WindowlessLoadTest::limitsAreAppliedOnlyWhenUsable_data()
{
    using Replies = QList<std::pair<QByteArray, QByteArray>>;
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("noted");

    QTest::newRow("both limits read") << Replies{{";LA:DC:MAX?", "100"}, {";LA:DC:MIN?", "5"}} << Setting::DiodeCurrent
                                      << 5.0 << 100.0 << false;
    QTest::newRow("maximum unanswered") << Replies{{";LA:RR:MAX?", ""}, {";LA:RR:MIN?", "1"}} << Setting::RepRate << 0.1
                                        << 100.0 << true;
    QTest::newRow("maximum below the minimum") << Replies{{";LA:DW:MAX?", "0.001"}, {";LA:DW:MIN?", "0.01"}}
                                               << Setting::DiodePulseWidth << 0.000001 << 0.1 << true;
    QTest::newRow("Q-switch delay keeps its own minimum")
        << Replies{{";LA:QD:MAX?", "0.5"}, {";LA:QD:MIN?", "0.1"}} << Setting::QSwitchDelay << 0.000001 << 0.5
        << false;
    QTest::newRow("Q-switch delay maximum below its minimum")
        << Replies{{";LA:QD:MAX?", "0.0000001"}} << Setting::QSwitchDelay << 0.000001 << 1.0 << true;
}

void WindowlessLoadTest::limitsAreAppliedOnlyWhenUsable()
{
    using Replies = QList<std::pair<QByteArray, QByteArray>>;
    QFETCH(Replies, replies);
    QFETCH(Setting, setting);
    QFETCH(bool, noted);
    LoadRig rig;
    for (const auto &[request, reply] : replies)
        rig.laser.setReplyOverride(request, reply);

    rig.run();

    QTEST(rig.view.ranges.at(setting).minimum, "minimum");
    QTEST(rig.view.ranges.at(setting).maximum, "maximum");
    QCOMPARE(rig.view.notes.size(), noted ? 1 : 0);
    if (noted)
        QVERIFY2(rig.view.notes.first().startsWith(QStringLiteral("Limits Error(")), qPrintable(rig.view.notes.first()));
}

// A standard laser without attenuator or energy modes: the groups are hidden and their controls
// keep whatever they showed.
void WindowlessLoadTest::absentOptionsHideTheirGroupsAndShowNoValue()
{
    sim::LaserConfig laser = test::laserOfFamily(sim::Family::Standard);
    laser.energyModes = false;
    LoadRig rig(laser);

    rig.run();

    QCOMPARE(rig.view.visibility.at(Part::AttenuatorGroup), false);
    QCOMPARE(rig.view.visibility.at(Part::EnergyModeGroup), false);
    QCOMPARE(rig.view.values.count(Setting::Attenuator), size_t(0));
    QCOMPARE(rig.view.values.count(Setting::EnergyMode), size_t(0));
    QVERIFY(!rig.state.hasAttenuator);
}

void WindowlessLoadTest::smallFamilyIsArrangedOncePerRun()
{
    LoadRig rig(test::laserOfFamily(sim::Family::Micro));

    rig.run();
    rig.run();

    QCOMPARE(rig.view.arrangements, 1);
    QCOMPARE(rig.view.families, (QList<Family>{Family::Micro, Family::Micro}));
    QCOMPARE(rig.view.statusCaptions.value(12), QStringLiteral("Normal Energy"));
}

void WindowlessLoadTest::demoModeAsksNothing()
{
    LoadRig rig;
    rig.comm.detach(); // demo mode: no laser behind the exchange

    rig.run();

    QVERIFY(rig.laser.transcript().isEmpty());
    QCOMPARE(rig.view.texts.at(SettingsLoadView::Text::SerialNumber), QStringLiteral("Serial Number: 1234"));
}

// Replies that are not a value: a busy laser, garbage, nothing at all.
void WindowlessLoadTest::unreadSettingKeepsItsControlMarkedWithANote_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Setting>("setting");

    QTest::newRow("repetition rate busy") << QByteArray(";LA:RR?") << QByteArray("BUSY") << Setting::RepRate;
    QTest::newRow("diode current garbage") << QByteArray(";LA:DC?") << QByteArray("\x01\xfe") << Setting::DiodeCurrent;
    QTest::newRow("burst count empty") << QByteArray(";LA:BC?") << QByteArray("") << Setting::BurstCount;
    QTest::newRow("pulse mode busy") << QByteArray(";LA:PM?") << QByteArray("BUSY") << Setting::PulseMode;
    QTest::newRow("laser enable busy") << QByteArray(";LA:EN?") << QByteArray("BUSY") << Setting::LaserEnable;
    QTest::newRow("q-switch enable busy") << QByteArray(";LA:QE?") << QByteArray("BUSY") << Setting::QSwitchEnable;
    QTest::newRow("divide-by-n enable busy") << QByteArray(";LA:DE?") << QByteArray("BUSY") << Setting::DivideByNEnable;
    QTest::newRow("sync output busy") << QByteArray(";LA:SY?") << QByteArray("BUSY") << Setting::SyncOutput;
}

// A first load reads everything; the second meets the unreadable reply and leaves the control
// with the first load's value.
void WindowlessLoadTest::unreadSettingKeepsItsControlMarkedWithANote()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(Setting, setting);
    LoadRig rig;
    rig.run();
    const double first = rig.view.values.at(setting);
    rig.view.values.erase(setting);
    rig.laser.setReplyOverride(request, reply);

    rig.run();

    QCOMPARE(rig.view.values.count(setting), size_t(0));
    QCOMPARE(rig.view.unreadMarks, std::set<Setting>{setting});
    QCOMPARE(rig.view.notes.size(), 1);
    QVERIFY2(rig.view.notes.first().startsWith(QStringLiteral("Setting Not Read(")), qPrintable(rig.view.notes.first()));

    rig.laser.clearReplyOverrides();
    rig.run();
    QCOMPARE(rig.view.values.at(setting), first);
    QVERIFY(rig.view.unreadMarks.empty());
}

void WindowlessLoadTest::unreadCheckBoxFollowsTheNextStatusWord_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<uint32_t>("status");
    QTest::addColumn<double>("shown");

    QTest::newRow("enable, laser enabled") << QByteArray(";LA:EN?") << Setting::LaserEnable << 0x0c05u << 1.0;
    QTest::newRow("enable, laser disabled") << QByteArray(";LA:EN?") << Setting::LaserEnable << 0x0404u << 0.0;
    QTest::newRow("q-switch enable on") << QByteArray(";LA:QE?") << Setting::QSwitchEnable << 0x0404u << 1.0;
    QTest::newRow("q-switch enable off") << QByteArray(";LA:QE?") << Setting::QSwitchEnable << 0x0400u << 0.0;
}

void WindowlessLoadTest::unreadCheckBoxFollowsTheNextStatusWord()
{
    QFETCH(QByteArray, request);
    QFETCH(Setting, setting);
    QFETCH(uint32_t, status);
    LoadRig rig;
    rig.laser.setReplyOverride(request, "BUSY");
    rig.run();
    QCOMPARE(rig.view.values.count(setting), size_t(0));

    rig.load.followStatusWord(status);

    QTEST(rig.view.values.at(setting), "shown");
    QVERIFY(rig.view.unreadMarks.empty());
    // Only the first word after the load: later ones are the fire control's business.
    rig.view.values.erase(setting);
    rig.load.followStatusWord(status);
    QCOMPARE(rig.view.values.count(setting), size_t(0));
}

QTEST_MAIN(WindowlessLoadTest)
#include "tst_windowlessload.moc"
