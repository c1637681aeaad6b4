#pragma once

#include "recordformat.h"

#include <QList>

#include <chrono>
#include <cstdint>
#include <optional>

namespace tovra {

// What one complete status update read: only these values are new; the laser state holds older
// values for everything else.
struct CompletedUpdate
{
    QList<Measurement> read;
    std::optional<uint32_t> shotCount;
    std::optional<uint32_t> statusWord;
    // How long the update ran, from its first query to its data row and fire state.
    std::chrono::milliseconds took{0};
};

// Who hears each complete status update (the program, for the history and the control API).
// Called on the GUI thread at the end of the update; must only hand the values over.
class StatusListener
{
public:
    virtual ~StatusListener() = default;
    virtual void statusUpdated(const CompletedUpdate &update) = 0;
};

} // namespace tovra
