#pragma once
// FNV-1a, 64 bits: a fixed-width digest of short texts and numbers, the same in every run.

#include <cstdint>
#include <string_view>

class TFnvHash {
public:
    TFnvHash& Add(std::string_view bytes)
    {
        for (const char c : bytes)
            AddByte(static_cast<unsigned char>(c));
        return *this;
    }
    // The number's bytes from the lowest.
    TFnvHash& Add(std::uint64_t value)
    {
        for (int shift = 0; shift < 64; shift += 8)
            AddByte(static_cast<unsigned char>(value >> shift));
        return *this;
    }
    std::uint64_t Value() const { return Hash; }

private:
    void AddByte(unsigned char byte)
    {
        Hash ^= byte;
        Hash *= 1099511628211ULL;
    }

    std::uint64_t Hash = 14695981039346656037ULL;
};
