#include "commandqueue.h"

namespace tovra {

QString mnemonicOf(const QString &command)
{
    const qsizetype blank = command.indexOf(QLatin1Char(' '));
    return blank < 0 ? command : command.left(blank);
}

void CommandQueue::append(const OutgoingLine &line)
{
    if (waiting.size() >= Slots)
        makeRoomFor(line.text);
    waiting.append(line);
}

QList<OutgoingLine> CommandQueue::takeBatch()
{
    QList<OutgoingLine> batch = std::exchange(waiting, {});
    return batch;
}

std::optional<OutgoingLine> CommandQueue::nextToSend()
{
    if (sending.isEmpty())
        return std::nullopt;
    return sending.takeFirst();
}

void CommandQueue::withdraw(const std::function<bool(const QString &text)> &matches)
{
    const auto matching = [&matches](const OutgoingLine &line) { return matches(line.text); };
    sending.removeIf(matching);
    waiting.removeIf(matching);
}

void CommandQueue::clear()
{
    sending.clear();
    waiting.clear();
}

void CommandQueue::makeRoomFor(const QString &text)
{
    const QString mnemonic = mnemonicOf(text);
    for (qsizetype i = 0; i < waiting.size(); ++i) {
        if (mnemonicOf(waiting.at(i).text) == mnemonic) {
            waiting.removeAt(i);
            return;
        }
    }
    for (qsizetype i = 0; i < waiting.size(); ++i) {
        const QString earlier = mnemonicOf(waiting.at(i).text);
        for (qsizetype later = i + 1; later < waiting.size(); ++later) {
            if (mnemonicOf(waiting.at(later).text) == earlier) {
                waiting.removeAt(i);
                return;
            }
        }
    }
    waiting.removeFirst();
}

} // namespace tovra
