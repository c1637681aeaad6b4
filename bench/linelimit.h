#pragma once

namespace tovra::bench {

constexpr int requestEndBytes = 2; // CR LF after every line the program writes
constexpr int replyEndBytes = 1;   // CR after every reply
constexpr double exchangePauseMs = 1.0; // every exchange pauses before it writes

// Wire time of `bytes` bytes at 57600 baud 8E1 (11 bits a byte).
double wireMs(int bytes);

// The shortest time one exchange can take: the request line and the reply with their line ends
// on the wire, plus the pause. Byte counts are without the line ends.
double lineLimitMs(int requestBytes, int replyBytes);

} // namespace tovra::bench
