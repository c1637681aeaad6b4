#pragma once

#include <QByteArray>
#include <QList>

#include <chrono>
#include <deque>
#include <optional>

namespace tovra::sim {

// How long `bytes` take on the line at 57600 baud with 11 bits a character (start, 8 data,
// parity, stop).
std::chrono::nanoseconds lineTime(qsizetype bytes);

// Replies waiting for their moment on the line. Bytes leave in the order they were scheduled,
// never before they are due.
class ReplyOutbox
{
public:
    using Clock = std::chrono::steady_clock;

    // Schedules the first piece for `due` and each further one `gap` after the one before.
    void schedule(Clock::time_point due, const QList<QByteArray> &replyPieces,
                  std::chrono::milliseconds gap = {});
    std::optional<Clock::time_point> nextDue() const;
    // Removes and returns the pieces due at `now`, each to be written on its own.
    QList<QByteArray> takeDue(Clock::time_point now);

private:
    struct Piece
    {
        Clock::time_point due;
        QByteArray bytes;
    };
    void add(Clock::time_point due, const QByteArray &bytes);

    std::deque<Piece> pieces;
};

} // namespace tovra::sim
