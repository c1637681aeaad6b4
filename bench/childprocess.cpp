#include "childprocess.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace tovra::bench {

void endWithThisProcess(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace tovra::bench
