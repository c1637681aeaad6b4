#pragma once

namespace tovra {

// The switch `headless`: the same program without a window, under QCoreApplication. It scans
// for the laser (or opens port=N), loads, polls, keeps the record files asked for, shares the
// port, serves the control API and prints a status line every 10 s on standard output; SIGTERM
// and SIGINT stop the laser and end it as File > Exit does. Returns the exit status: 0 after an
// orderly end, 1 when no laser was reached or the API could not be served.
int runHeadless(int argc, char *argv[]);

} // namespace tovra
