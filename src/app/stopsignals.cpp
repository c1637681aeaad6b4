#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tovra {

namespace {

int signalPipe[2] = {-1, -1};
volatile sig_atomic_t stopSignalArrived = 0;

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    ::signal(SIGXFSZ, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StopSignals::drain);

    struct sigaction action = {};
    action.sa_handler = &StopSignals::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool StopSignals::received()
{
    return stopSignalArrived != 0;
}

// Only async-signal-safe work here: a flag and one byte into the pipe.
void StopSignals::onSignal(int)
{
    stopSignalArrived = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void StopSignals::drain()
{
    char buffer[16];
    while (::read(signalPipe[1], buffer, sizeof buffer) > 0) {
    }
    emit stopRequested();
}

} // namespace tovra
