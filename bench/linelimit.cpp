#include "linelimit.h"

namespace tovra::bench {

namespace {
constexpr double baud = 57600;
constexpr double bitsPerByte = 11; // start bit, 8 data bits, parity, stop bit
} // namespace

double wireMs(int bytes)
{
    return bytes * bitsPerByte * 1000.0 / baud;
}

double lineLimitMs(int requestBytes, int replyBytes)
{
    return wireMs(requestBytes + requestEndBytes + replyBytes + replyEndBytes) + exchangePauseMs;
}

} // namespace tovra::bench
