#pragma once

#include <QString>

#include <cstdint>

namespace tovra {

// Read-outs: the value at four significant digits, written with exactly two decimals (345.67
// shows as 345.70, 5 as 5.00). A value with more than four integer digits cannot keep two
// decimals at four significant digits; it is written in scientific notation with four
// significant digits instead (12345.6 shows as 1.235E+04).
QString twoDecimalText(double value);

// Counters: the unsigned value right-aligned in ten characters; a count of more digits takes
// as many as it needs.
QString counterText(uint64_t value);
// A count with "," between groups of three digits ("5,000,000,123"), in any locale.
QString groupedCountText(uint64_t value);

// Command arguments. "0.0": one decimal; "00.00": two decimals, at least two integer digits;
// "0.0000000": seven decimals. Integers round half to even.
QString oneDecimalArgument(double value);
QString twoDecimalArgument(double value);
QString sevenDecimalArgument(double value);
QString integerArgument(double value);

} // namespace tovra
