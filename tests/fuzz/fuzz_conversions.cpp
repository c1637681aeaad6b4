// The typed queries' reading of a reply as a number (bytes taken as Latin-1, as from the port):
// any text converts without harm, a float that converts is finite, and a text that reads as an
// int reads as the same count.

#include "replyconversion.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    bool intOk = false;
    const int32_t integer = tovra::intFromReply(reply, &intOk);
    bool floatOk = false;
    const double number = tovra::floatFromReply(reply, &floatOk);
    bool countOk = false;
    const uint32_t count = tovra::countFromReply(reply, &countOk);

    if (floatOk && !std::isfinite(number))
        std::abort();
    if (intOk && (!countOk || count != uint32_t(integer)))
        std::abort();
    return 0;
}
