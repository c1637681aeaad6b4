#pragma once

#include "statuspoll.h"

namespace tovra {

class TServiceForm;
struct MainFormLayout;

// What the status poll shows: the main window's read-outs and status tiles, greyed while they are
// stale, and the service window's temperature chart.
class StatusReadoutsView : public StatusPollView
{
public:
    StatusReadoutsView(MainFormLayout &layout, TServiceForm &serviceWindow) : ui(layout), service(serviceWindow) {}

    void showReadOut(ReadOut which, const QString &text) override;
    void showStatusTiles(uint32_t statusWord) override;
    bool serviceWindowVisible() const override;
    bool chartsDiodeTemperature() const override;
    void addChartPoint(int series, double value) override;
    void openUnlockedServiceWindow() override;
    void showStale(const QString &statusText) override;
    void showLive() override;

private:
    void setReadingsLive(bool live);

    MainFormLayout &ui;
    TServiceForm &service;
};

} // namespace tovra
