// Reproducible bytes for files and writes whose arrival a test checks byte for byte.
#pragma once

#include <cstddef>
#include <vector>

namespace test_support {

inline std::vector<unsigned char> SampleBytes(size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    unsigned state = seed;
    for (unsigned char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    return bytes;
}

}  // namespace test_support
