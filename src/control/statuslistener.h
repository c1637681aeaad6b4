#pragma once

#include "recordformat.h"

#include <QList>

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
};

// Who hears each complete status update (the history). Called on the GUI thread at the end of the
// update; must only hand the values over.
class StatusListener
{
public:
    virtual ~StatusListener() = default;
    virtual void statusUpdated(const CompletedUpdate &update) = 0;
};

} // namespace tovra
