#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovra {

struct LaserState;

// The queue of operator commands in the laser state's slots. Appending never writes past the
// last slot: when the queue is full, the oldest command that the new one supersedes (the same
// mnemonic, so the laser would end up with the newer value anyway) makes room; failing that, the
// oldest command of the same mnemonic as a later one; failing that, the oldest command. So the
// operator's latest intent is always kept.
class CommandQueue
{
public:
    explicit CommandQueue(LaserState &laserState) : state(laserState) {}

    void append(const QString &command);
    // Takes the whole waiting batch out of the queue, oldest first. Commands queued while the
    // batch is being sent land in the emptied queue and wait for the next batch.
    QStringList takeBatch();
    // The batch being sent: takeBatch's commands, handed out one at a time, so that a stop
    // asked for while one of them waits for its reply can still withdraw the rest of its kind.
    void beginSending() { sending = takeBatch(); }
    std::optional<QString> nextToSend();
    // Removes every waiting command of `mnemonic`, queued or in the batch being sent: a stop
    // command, sent ahead of them, countermands the earlier ones of its kind ("FL 1" waiting
    // when "FL 0" is asked for).
    void withdraw(const QString &mnemonic);

private:
    void makeRoomFor(const QString &command);
    void removeSlot(int index);

    LaserState &state;
    QStringList sending;
};

// The mnemonic of a command: its text up to the first blank ("RR" of "RR 20.0").
QString mnemonicOf(const QString &command);

} // namespace tovra
