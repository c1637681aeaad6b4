#pragma once

#include <QObject>

class QSocketNotifier;

namespace tovra {

// Turns SIGINT and SIGTERM into a Qt signal on the GUI thread, so that an interrupted program
// takes the same orderly way out as File > Exit (the laser is told to stop firing first). While
// no events are processed (the start-up) the program asks `received` instead.
//
// SIGXFSZ is ignored from construction on: a record file that reaches the file-size limit then
// fails its write with EFBIG, and the program reports it, instead of being killed without a
// word to the laser.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // True once SIGINT or SIGTERM has arrived.
    static bool received();

signals:
    void stopRequested();

private:
    static void onSignal(int);
    void drain();

    QSocketNotifier *notifier = nullptr;
};

} // namespace tovra
