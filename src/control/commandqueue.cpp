#include "commandqueue.h"

#include "laserstate.h"

namespace tovra {

QString mnemonicOf(const QString &command)
{
    const qsizetype blank = command.indexOf(QLatin1Char(' '));
    return blank < 0 ? command : command.left(blank);
}

void CommandQueue::append(const QString &command)
{
    if (state.queueCount >= LaserState::QueueSlots)
        makeRoomFor(command);
    state.commandQueue[size_t(state.queueCount)] = command;
    ++state.queueCount;
    state.queuePending = true;
}

QStringList CommandQueue::takeBatch()
{
    QStringList batch;
    for (int i = 0; i < state.queueCount; ++i)
        batch.append(state.commandQueue[size_t(i)]);
    state.queueCount = 0;
    state.queuePending = false;
    return batch;
}

std::optional<QString> CommandQueue::nextToSend()
{
    if (sending.isEmpty())
        return std::nullopt;
    return sending.takeFirst();
}

void CommandQueue::withdraw(const QString &mnemonic)
{
    // The laser reads mnemonics in either case, and so may the operator's terminal lines.
    const auto ofKind = [&mnemonic](const QString &command) {
        return mnemonicOf(command).compare(mnemonic, Qt::CaseInsensitive) == 0;
    };
    sending.removeIf(ofKind);
    for (int i = state.queueCount - 1; i >= 0; --i) {
        if (ofKind(state.commandQueue[size_t(i)]))
            removeSlot(i);
    }
    state.queuePending = state.queueCount > 0;
}

void CommandQueue::makeRoomFor(const QString &command)
{
    const QString mnemonic = mnemonicOf(command);
    for (int i = 0; i < state.queueCount; ++i) {
        if (mnemonicOf(state.commandQueue[size_t(i)]) == mnemonic) {
            removeSlot(i);
            return;
        }
    }
    for (int i = 0; i < state.queueCount; ++i) {
        const QString earlier = mnemonicOf(state.commandQueue[size_t(i)]);
        for (int later = i + 1; later < state.queueCount; ++later) {
            if (mnemonicOf(state.commandQueue[size_t(later)]) == earlier) {
                removeSlot(i);
                return;
            }
        }
    }
    removeSlot(0);
}

void CommandQueue::removeSlot(int index)
{
    for (int i = index; i + 1 < state.queueCount; ++i)
        state.commandQueue[size_t(i)] = state.commandQueue[size_t(i + 1)];
    --state.queueCount;
}

} // namespace tovra
