#pragma once

#include "simulatedlaser.h"

#include <QTimer>

#include <functional>

namespace tovra::test {

// Runs `action` once, from inside the program's wait, as soon as the laser has received `line`.
class WhenLaserHears
{
public:
    WhenLaserHears(sim::SimulatedLaser &laser, const QByteArray &line, std::function<void()> action)
    {
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [this, &laser, line, action] {
            if (!laser.transcript().contains(line))
                return;
            watch.stop();
            action();
        });
        watch.start();
    }

private:
    QTimer watch;
};

} // namespace tovra::test
