#pragma once

#include "servicehost.h"
#include "serviceformlayout.h"

#include <QRect>
#include <QWidget>

#include <functional>

namespace tovra {

class Desktop;
class TPlusSpinEdit;
struct LaserState;

// The service window: calibration limits (carried over to the main window's controls), heater
// set points, direct diode settings for the small families, bin and counter maintenance, and the
// temperature chart. Every change becomes a command in the host's queue; only the service code
// goes to the port directly. Closing the window only hides it.
class TServiceForm : public QWidget
{
    Q_OBJECT
public:
    // A window of its own, destroyed with its parent (the main window).
    TServiceForm(ServiceHost &serviceHost, LaserState &laserState, Desktop &desktopSeam, QWidget *parent = nullptr);

    void ServiceInitialize();
    // When the window opens, it stands aside from `area` (screen pixels), the main window's
    // controls that must stay in sight, where the screen leaves room for that.
    void keepClearOf(std::function<QRect()> area);

    void MaxRepRateAdjChange();
    void MaxDiodeCurrentAdjChange();
    void MaxDiodePulseWidthAdjChange();
    void MaxQSWDelayAdjChange();
    void Heater0TempAdjChange();
    void Heater1TempAdjChange();
    void Heater2TempAdjChange();
    void DiodeCurrentAdjChange();
    void DiodePulseWidthAdjChange();

    void RefreshbtnClick();
    void ClearShotCountbtnClick();
    void SaveBin0btnClick();
    void SaveAllBinsbtnClick();
    void LSCSleepbtnClick();

    void ClearChartbtnClick();
    void SaveChartbtnClick();
    void DiodeTempEnClick();
    // The chart takes the diode temperature (its box is checked), not the heaters.
    bool chartsDiodeTemperature() const;

    // The status poll feeds the chart through this while the window is visible; the point
    // stands at the chart clock's present reading.
    void addChartPoint(int series, double temperature);

    ServiceFormLayout ui;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void connectControls();
    struct LimitEdit
    {
        TPlusSpinEdit *edit;
        Setting setting;
    };
    QList<LimitEdit> limitEdits() const;
    static bool writeSilently(TPlusSpinEdit &edit, double value);
    void changeLimit(Setting setting);
    void showHeaterControls(bool present, QWidget *group, int temperatureSeries, int setpointSeries);
    void setOuterSize(const QSize &outer);

    ServiceHost &host;
    LaserState &state;
    Desktop &desktop;
    QSize outerSize; // as ServiceInitialize asked for it, frame included
};

} // namespace tovra
