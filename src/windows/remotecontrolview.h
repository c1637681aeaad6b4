#pragma once

namespace tovra {

class ProgramApi;
class TMainForm;

// The window's side of the control API: the status bar says "Remote control: <client>" while a
// client holds control, and shows why a remote client's laser was stopped; Tools > Remote API…
// shows where the API is served and starts and stops serving on TCP.
void showRemoteControlIn(TMainForm &window, ProgramApi &api);

} // namespace tovra
