#pragma once

#include "exchangelistener.h"
#include "historytypes.h"
#include "statuslistener.h"

#include <QElapsedTimer>

#include <optional>

namespace tovra {

class HistorySink;
struct LaserState;

// Turns what the program sees into history: each complete status update becomes a sample with
// only the values it read, and the program's events (link lost and found, enable, fire, stop,
// settings loaded, a setter with its value, a fault coming and going) become events. Nothing is
// recorded in demo mode or before a laser's identity is known.
class HistoryRecorder : public StatusListener, public ExchangeListener
{
public:
    HistoryRecorder(const LaserState &state, HistorySink &sink);

    void statusUpdated(const CompletedUpdate &update) override;
    void commandSent(const QString &command) override;
    void linkLost() override;
    void settingsLoaded();
    // Demo mode: no laser, so nothing is recorded.
    void setDemoMode(bool on) { demoMode = on; }

private:
    bool recording() const;
    LaserIdentity identity() const;
    void record(EventKind kind, const QString &text);
    void recordFaultChanges(uint32_t statusWord);
    double shotRate(const CompletedUpdate &update);

    const LaserState &state;
    HistorySink &sink;
    bool lostLink = false;
    bool demoMode = false;
    uint32_t faultBits = 0;
    std::optional<uint32_t> lastShotCount;
    QElapsedTimer sinceLastShotCount;
};

} // namespace tovra
