#include "replyoutbox.h"

#include <algorithm>

namespace tovra::sim {

namespace {
constexpr int64_t baud = 57600;
constexpr int64_t bitsPerCharacter = 11;
} // namespace

std::chrono::nanoseconds lineTime(qsizetype bytes)
{
    return std::chrono::nanoseconds(int64_t(bytes) * bitsPerCharacter * 1'000'000'000 / baud);
}

void ReplyOutbox::schedule(Clock::time_point due, const QList<QByteArray> &replyPieces,
                           std::chrono::milliseconds gap)
{
    for (const QByteArray &piece : replyPieces) {
        if (piece.isEmpty())
            continue;
        add(due, piece);
        due += gap;
    }
}

void ReplyOutbox::add(Clock::time_point due, const QByteArray &bytes)
{
    // A later reply never overtakes an earlier one.
    if (!pieces.empty())
        due = std::max(due, pieces.back().due);
    pieces.push_back({due, bytes});
}

std::optional<ReplyOutbox::Clock::time_point> ReplyOutbox::nextDue() const
{
    if (pieces.empty())
        return std::nullopt;
    return pieces.front().due;
}

QList<QByteArray> ReplyOutbox::takeDue(Clock::time_point now)
{
    QList<QByteArray> due;
    while (!pieces.empty() && pieces.front().due <= now) {
        due.append(pieces.front().bytes);
        pieces.pop_front();
    }
    return due;
}

} // namespace tovra::sim
