#pragma once

#include "outgoingline.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tovra {

// The queue of the operator's lines, each with its own framing (a control's command or a raw
// terminal line). Appending never holds more than `Slots` lines: when the queue is full, the
// oldest line that the new one supersedes (the same mnemonic, so the laser would end up with the
// newer value anyway) makes room; failing that, the oldest line of the same mnemonic as a later
// one; failing that, the oldest line. So the operator's latest intent is always kept.
class CommandQueue
{
public:
    static constexpr int Slots = 100;

    void append(const OutgoingLine &line);
    // Takes the whole waiting batch out of the queue, oldest first. Lines queued while the batch
    // is being sent land in the emptied queue and wait for the next batch.
    QList<OutgoingLine> takeBatch();
    // The batch being sent: takeBatch's lines, handed out one at a time, so that a stop asked for
    // while one of them waits for its reply can still withdraw the rest.
    void beginSending() { sending = takeBatch(); }
    std::optional<OutgoingLine> nextToSend();
    // Removes every waiting line for which `matches` holds, queued or in the batch being sent.
    void withdraw(const std::function<bool(const QString &text)> &matches);
    // Drops every waiting line, queued or in the batch being sent.
    void clear();
    // The lines waiting for the next batch (not those of the batch being sent).
    int waitingCount() const { return int(waiting.size()); }
    bool hasWaiting() const { return !waiting.isEmpty(); }

private:
    void makeRoomFor(const QString &text);

    QList<OutgoingLine> waiting;
    QList<OutgoingLine> sending;
};

// The mnemonic of a command: its text up to the first blank ("RR" of "RR 20.0").
QString mnemonicOf(const QString &command);

} // namespace tovra
