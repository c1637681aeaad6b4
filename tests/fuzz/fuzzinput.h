#pragma once

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tovra::fuzz {

// Reads a fuzzer's input as a stream of small values; past the end every read gives 0.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : data(data), size(size) { }

    bool atEnd() const { return offset >= size; }
    uint8_t byte() { return atEnd() ? 0 : data[offset++]; }
    uint16_t word()
    {
        const uint8_t low = byte();
        return uint16_t(low | byte() << 8);
    }
    // A number any reply could carry: finite, of any size (non-finite bit patterns read as 0).
    double finiteDouble()
    {
        uint8_t bytes[sizeof(double)] = {};
        for (uint8_t &b : bytes)
            b = byte();
        double value = 0;
        std::memcpy(&value, bytes, sizeof value);
        return std::isfinite(value) ? value : 0.0;
    }
    // The bytes not read yet.
    QByteArray rest()
    {
        const QByteArray bytes(reinterpret_cast<const char *>(data + offset), qsizetype(size - offset));
        offset = size;
        return bytes;
    }

private:
    const uint8_t *data;
    size_t size;
    size_t offset = 0;
};

} // namespace tovra::fuzz
