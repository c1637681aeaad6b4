#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace tovra {

// What the program makes of the text of a reply from the laser. Reply text is untrusted: these
// functions accept any text and never fail in another way than by giving nothing.

// Removes characters of code 32 or below (blanks and control characters) from both ends.
QString trimmedReply(const QString &reply);

// The number in a reply, or nothing when the trimmed reply is empty or is not a value of the kind
// asked for:
// - an integer: a whole decimal number within the signed 32-bit range;
// - a count: a whole decimal number from 0 up to the unsigned 64-bit maximum (the shot counter
//   outgrows 32 bits, so it is kept whole); a signed or larger number is no count;
// - a decimal: a finite number with "." as the separator (an exponent is accepted) whose
//   magnitude is at most PlausibleDecimalLimit, the largest signed 32-bit integer. Every decimal
//   the laser reports (a setting, a limit, a voltage, a current, a temperature, a delay, a
//   percentage) lies far inside that range, so a reply beyond it ("1e300", "-12345678901234") is
//   not the value asked for but noise or a stray reply, and is not taken for a value.
std::optional<int32_t> replyAsInt(const QString &reply);
std::optional<uint64_t> replyAsCount(const QString &reply);
std::optional<double> replyAsDecimal(const QString &reply);
inline constexpr double PlausibleDecimalLimit = 2147483647.0;

// The text with every control character (codes 0 to 31, 127 and 128 to 159) written as an escape:
// "\r", "\n", "\t" or "\x" with two hex digits ("\x07"). What the laser sends then stays on the
// one line of its record in the log and in the terminal view. Other characters, the backslash
// among them, stay as they are.
QString escapeControlCharacters(const QString &text);

} // namespace tovra
