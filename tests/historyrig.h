#pragma once

#include "historystore.h"
#include "historywriter.h"

#include <QList>
#include <QTemporaryDir>

#include <chrono>

namespace tovra::test {

// A history file in a fresh folder, with the writer's waits short.
struct HistoryFolder
{
    HistorySettings settings(const QString &fileName = QStringLiteral("history.sqlite")) const
    {
        HistorySettings s;
        s.fileName = dir.filePath(fileName);
        s.batchInterval = std::chrono::milliseconds(20);
        s.retryInterval = std::chrono::milliseconds(50);
        return s;
    }
    QString path(const QString &name = QStringLiteral("history.sqlite")) const { return dir.filePath(name); }

    // Every sample of the one laser held, in the order they were taken.
    QList<HistorySample> samples(const QString &name = QStringLiteral("history.sqlite")) const
    {
        HistoryStore store;
        QList<HistorySample> found;
        if (!store.open(path(name), HistoryStore::Mode::ReadOnly))
            return found;
        for (const HistoryStore::Laser &laser : store.lasers())
            store.forEachSample(laser.id, 0, std::numeric_limits<qint64>::max(),
                                [&](const HistorySample &sample) { found << sample; });
        return found;
    }

    QList<HistoryEvent> events() const
    {
        HistoryStore store;
        QList<HistoryEvent> found;
        if (store.open(path(), HistoryStore::Mode::ReadOnly)) {
            for (const HistoryStore::Laser &laser : store.lasers())
                found << store.events(laser.id, 0, std::numeric_limits<qint64>::max());
        }
        return found;
    }

    QTemporaryDir dir;
};

inline HistorySample sampleAt(qint64 utcMs, double bankVoltage)
{
    HistorySample sample;
    sample.utcMs = utcMs;
    sample.set(Channel::BankVoltage, bankVoltage);
    return sample;
}

} // namespace tovra::test
