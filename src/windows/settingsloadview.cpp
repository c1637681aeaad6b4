// The window's side of the identity and settings load: the handlers that run it (SettingsFormView
// shows what the load found), and what is out of sight once it has loaded.

#include "mainform.h"

namespace tovra {

void TMainForm::ParseIDN()
{
    program.identify();
}

void TMainForm::Initialize()
{
    program.loadSettings(); // the window hides what is out of sight once it has loaded
}

// What the operator cannot see must take neither the focus nor keys, whatever the family: a
// group left wholly outside the window at its run-time size (the energy-mode choice of the small
// families stands right of the standard window) or a control left outside its group is hidden.
void TMainForm::hideControlsOutOfSight()
{
    const QRect clientArea = ui.ClientArea->rect();
    const QList<QWidget *> parts = ui.ClientArea->findChildren<QWidget *>();
    for (QWidget *part : parts) {
        const QWidget *parent = part->parentWidget();
        const QRect room = parent == ui.ClientArea ? clientArea : parent->rect();
        if (!part->isHidden() && !room.intersects(part->geometry()))
            part->hide();
    }
}

} // namespace tovra
