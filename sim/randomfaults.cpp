#include "randomfaults.h"

namespace tovra::sim {

namespace {

using std::chrono::milliseconds;

// One line in this many starts a fault while none is on.
constexpr int faultEvery = 12;
constexpr int longestFaultLines = 6;
constexpr int kindCount = 9;

const QByteArray unaskedLines[] = {"OK", "ERR", "?", "BUSY", "99.50"};
const QByteArray trailingBytes[] = {"\n", "\n>", "\x11", QByteArray("\0\xff", 2)};

} // namespace

RandomFaults::RandomFaults(uint32_t seed)
    : generator(seed)
{ }

int RandomFaults::between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(generator);
}

QByteArray RandomFaults::onLine(Faults &faults, Clock::time_point at)
{
    if (current) {
        if (--linesLeft > 0)
            return {};
        end(*current, faults);
        current.reset();
    }
    if (between(1, faultEvery) != 1)
        return {};
    current = Kind(between(0, kindCount - 1));
    // Unasked lines need time to come: a status poll sends some twenty lines a second.
    linesLeft = *current == Kind::Unasked ? between(20, 80) : between(1, longestFaultLines);
    return begin(*current, faults, at) + " for " + QByteArray::number(linesLeft) + (linesLeft == 1 ? " line" : " lines");
}

QByteArray RandomFaults::begin(Kind kind, Faults &faults, Clock::time_point at)
{
    switch (kind) {
    case Kind::ReplyTwice:
        faults.replyTwice = true;
        return "reply twice";
    case Kind::Late:
        faults.delay = milliseconds(between(200, 3000));
        return "reply late by " + QByteArray::number(faults.delay.count()) + " ms";
    case Kind::Unasked:
        faults.unaskedLine = unaskedLines[between(0, std::size(unaskedLines) - 1)];
        faults.unaskedEvery = milliseconds(between(20, 300));
        return "unasked \"" + faults.unaskedLine + "\" every " + QByteArray::number(faults.unaskedEvery.count())
            + " ms";
    case Kind::EndlessLine: {
        const milliseconds length(between(100, 1500));
        faults.endlessUntil = at + length;
        return "endless line for " + QByteArray::number(length.count()) + " ms";
    }
    case Kind::Echo:
        faults.echo = true;
        return "echo";
    case Kind::Garbage:
        faults.garbage = true;
        return "garbage";
    case Kind::NonNumeric:
        faults.nonNumeric = true;
        return "non-numeric";
    case Kind::Split:
        faults.splitGap = milliseconds(between(1, 30));
        return "split replies " + QByteArray::number(faults.splitGap->count()) + " ms apart";
    case Kind::Trailing:
        faults.trailing = trailingBytes[between(0, std::size(trailingBytes) - 1)];
        return "trailing bytes";
    }
    return {};
}

void RandomFaults::end(Kind kind, Faults &faults)
{
    switch (kind) {
    case Kind::ReplyTwice:
        faults.replyTwice = false;
        break;
    case Kind::Late:
        faults.delay = {};
        break;
    case Kind::Unasked:
        faults.unaskedLine.clear();
        faults.unaskedEvery = {};
        break;
    case Kind::EndlessLine:
        break; // ends by its own time
    case Kind::Echo:
        faults.echo = false;
        break;
    case Kind::Garbage:
        faults.garbage = false;
        break;
    case Kind::NonNumeric:
        faults.nonNumeric = false;
        break;
    case Kind::Split:
        faults.splitGap.reset();
        break;
    case Kind::Trailing:
        faults.trailing.clear();
        break;
    }
}

} // namespace tovra::sim
