#pragma once

#include <QObject>

class QSocketNotifier;

namespace tovra {

// Turns SIGINT and SIGTERM into a Qt signal on the GUI thread, so that an interrupted program
// takes the same orderly way out as File > Exit (the laser is told to stop firing first).
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    static void onSignal(int);
    void drain();

    QSocketNotifier *notifier = nullptr;
};

} // namespace tovra
