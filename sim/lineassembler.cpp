#include "lineassembler.h"

namespace tovra::sim {

QList<QByteArray> LineAssembler::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    for (const char byte : bytes) {
        const bool endsPair = byte == '\n' && afterCarriageReturn;
        afterCarriageReturn = byte == '\r';
        if (endsPair)
            continue;
        if (byte == '\r' || byte == '\n') {
            lines.append(pending);
            pending.clear();
        } else {
            pending.append(byte);
        }
    }
    return lines;
}

} // namespace tovra::sim
