#pragma once

class QProcess;

namespace tovra::bench {

// Has the system stop the child (SIGTERM) when the benchmark ends without stopping it itself, as
// on a fatal error, so that no simulator or program is left running. Call before starting it.
void endWithThisProcess(QProcess &process);

} // namespace tovra::bench
