// The main window's handlers of the status poll hand over to the program; StatusReadoutsView shows
// what the poll reads.

#include "mainform.h"

#include <QCheckBox>

namespace tovra {

void TMainForm::StatusTimerTimer()
{
    program.statusTick();
}

void TMainForm::UpdateStatus()
{
    program.updateStatus();
}

void TMainForm::UpdateVoltagesEnClick()
{
    program.setVoltagesPolled(ui.UpdateVoltagesEn->isChecked());
}

} // namespace tovra
