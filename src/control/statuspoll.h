#pragma once

#include "recordformat.h"
#include "statuslistener.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tovra {

class Communication;
class Desktop;
class FireControl;
class RecordFiles;
class TRZComPort;
struct LaserState;

// What the status poll shows. The main window implements it with its widgets; a test records the
// calls. Texts come ready to show ("Shot Count:       1234", "345.70 V", "Status: unknown").
class StatusPollView
{
public:
    enum class ReadOut {
        ShotCount,
        UserCount,
        BankVoltage,
        BankVoltageTarget,
        FetVoltage,
        FetDropVoltage,
        FetDrainVoltage,
        FetSourceVoltage,
        FetTemperature,
        DiodeCurrent,
        TargetCurrent,
        ResonatorTempA, // the small family's one diode temperature as well
        ResonatorTempB,
        StatusWord,
        // Two label pairs show the heaters: the first heater 0 or 1, the second heater 2.
        FirstHeaterTemp,
        FirstHeaterTarget,
        SecondHeaterTemp,
        SecondHeaterTarget,
    };

    virtual ~StatusPollView() = default;

    virtual void showReadOut(ReadOut which, const QString &text) = 0;
    // One tile per bit 0 to 13 of the word.
    virtual void showStatusTiles(uint32_t statusWord) = 0;
    virtual bool serviceWindowVisible() const = 0;
    // The service window's chart takes the small family's diode temperature, not the heaters.
    virtual bool chartsDiodeTemperature() const = 0;
    // A point of the service window's chart, at the chart clock's present reading.
    virtual void addChartPoint(int series, double value) = 0;
    // The service password was accepted: its menu item appears and the window opens.
    virtual void openUnlockedServiceWindow() = 0;
    // Polling has stopped: `statusText` on the status label, the read-outs and tiles greyed as
    // stale until showLive.
    virtual void showStale(const QString &statusText) = 0;
    virtual void showLive() = 0;
};

// The status poll: on each tick of the status timer the laser is asked for its counters,
// measurements, status word and heater temperatures, and the view follows what it reports. A
// value that was not read (no reply in time, a vanished port, a reply that is no such value)
// leaves its field and read-out at their last value and its column of the data row empty. The
// fire and enable controls follow a status word that was read through `FireControl`; the data row
// and the fault notes go to the record files.
//
// An update is a table of steps, each asking at most one question or opening one box; after every
// step the update ends when the operator asked to close or the program is ending.
class StatusPoll
{
public:
    // How the poll learns that the program is ending, and what it asks for when the laser's port
    // has vanished.
    struct ProgramActions
    {
        std::function<bool()> hasEnded;
        // The laser's port is gone: true when the laser was found again and polling goes on.
        std::function<bool()> recoverLink;
    };

    static inline const QString NotPollingText = QStringLiteral("Status: not polling - Tools > Refresh resumes");

    StatusPoll(Communication &exchange, TRZComPort &serialPort, LaserState &laserState, Desktop &desktopSeam,
               StatusPollView &pollView, FireControl &fireControl, RecordFiles &recordFiles,
               ProgramActions programActions);

    // The status timer's turn, given by the scheduler (TaskRunner): one update, the service window
    // once the password was accepted, and the search for the laser should its port have vanished.
    void tick();
    // One status update.
    void update();
    // A status update runs: its replies are awaited in a nested wait.
    bool isUpdating() const { return updating; }
    // The service password was accepted: the window opens after the next update, from the status
    // timer's turn rather than from inside the dialog's handler.
    void openServiceWindowAfterUpdate() { serviceWindowDue = true; }
    bool serviceWindowPending() const { return serviceWindowDue; }
    void setVoltagesPolled(bool polled);
    // The next update that gets past the status word reads the heaters' set points too.
    void makeSetPointsDue() { updatesTowardsSetPoints = SetPointPeriod - 1; }
    // Updates counted since the set points were last due.
    int updatesSinceSetPoints() const { return updatesTowardsSetPoints; }
    // Hears every update that ran to its end (the program); may be null.
    void setListener(StatusListener *updateListener) { listener = updateListener; }
    // The last update's data row and listener wait (at most the settle time after its last
    // request) for the look for a late reply; this does both now (the program is ending).
    void settleNow();
    // The last update's data row is written and its listener told.
    bool settled() const { return !settling; }
    // Polling has stopped: the read-outs and tiles show as stale, and the status label says why,
    // until an update has read the laser again.
    void showStale(const QString &statusText);

    // Rows of the tables that an update is planned from (statuspoll.cpp).
    struct MeasurementRow;
    struct HeaterRow;

private:
    // One step of an update: at most one question to the laser or one box, taken only when it
    // applies to the laser's family and options at that moment.
    struct Step
    {
        std::function<bool()> applies;
        std::function<void()> run;
    };

    bool mustStop() const;
    void runUpdate();
    bool portLost();
    void planSteps();
    void planHeaterSteps(const HeaterRow &row);
    bool smallFamily() const;

    void ensurePortOpen();
    void readCounter(const char *query, uint64_t LaserState::*field, StatusPollView::ReadOut readOut,
                     const char *caption);
    bool readMeasurement(const char *query, Measurement field, std::function<void()> showAgain = {});
    bool wasRead(Measurement field) const;
    void readOut(const MeasurementRow &row);
    void chartResonatorTemp();
    void readStatusWord();
    void followStatusWord();
    void announceFaults(uint32_t status);
    void countTowardsSetPoints();
    void readHeaterTemperature(const HeaterRow &row);
    void showHeaterTemperature(const HeaterRow &row);
    void readHeaterSetPoint(const HeaterRow &row);
    void showHeaterSetPoint(const HeaterRow &row);
    void finishUpdate();
    void completeUpdate();

    Communication &comm;
    TRZComPort &port;
    LaserState &state;
    Desktop &desktop;
    StatusPollView &view;
    FireControl &fire;
    RecordFiles &records;
    const ProgramActions program;
    std::vector<Step> steps;

    // A measurement the running update read: by which exchange, what it held before, and how to
    // show that again should the reply turn out not to be its own.
    struct Reading
    {
        Measurement field;
        uint64_t exchange;
        double before;
        std::function<void()> showAgain;
    };
    void takeBackDisownedReadings();

    // What the running update read and could not read, and the status word it read.
    std::vector<Reading> readings;
    QList<Measurement> unread;
    CompletedUpdate completed;
    StatusListener *listener = nullptr;
    QElapsedTimer updateClock;
    std::optional<uint32_t> statusWord;
    QString statusText;
    bool stale = false;
    bool updating = false;
    bool serviceWindowDue = false;

    bool voltagesPolled = false;
    // Set points are read on every SetPointPeriod-th update that gets past the status word.
    static constexpr int SetPointPeriod = 3;
    int updatesTowardsSetPoints = 0;
    bool setPointsDue = false;
    // Whether the fault episode under way was announced (announceFaults).
    bool tempFaultShown = false;
    bool electricalFaultShown = false;
    // The last update's readings wait for the look for a late reply (settleTimer).
    bool settling = false;
    QTimer settleTimer;
};

} // namespace tovra
