#pragma once

#include "firecontrol.h"

namespace tovra {

struct MainFormLayout;

// What enable and fire control shows, on the main window's fire button, its animation and the
// enable box.
class FireButtonView : public FireControlView
{
public:
    explicit FireButtonView(MainFormLayout &layout) : ui(layout) {}

    void showFiringLook() override;
    void showReadyLook() override;
    void setFireEnabled(bool enabled) override;
    void setEnableBoxEnabled(bool enabled) override;
    bool enableChecked() const override;
    void setEnableChecked(bool checked) override;

private:
    MainFormLayout &ui;
};

} // namespace tovra
