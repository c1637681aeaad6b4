// The typed queries' reading of a reply as a number (bytes taken as Latin-1, as from the port):
// any text converts without harm or gives nothing; a decimal that converts is finite and
// plausible; a whole number that reads as an int reads as the same count when it is not negative.

#include "replytext.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<int32_t> integer = tovra::replyAsInt(reply);
    const std::optional<uint64_t> count = tovra::replyAsCount(reply);
    const std::optional<double> decimal = tovra::replyAsDecimal(reply);

    if (decimal && (!std::isfinite(*decimal) || std::fabs(*decimal) > tovra::PlausibleDecimalLimit))
        std::abort();
    if (integer && *integer >= 0 && count != uint64_t(*integer))
        std::abort();
    tovra::escapeControlCharacters(tovra::trimmedReply(reply));
    return 0;
}
