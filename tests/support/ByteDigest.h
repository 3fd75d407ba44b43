#pragma once

#include <cstdint>
#include <iomanip>
#include <span>
#include <sstream>
#include <string>

namespace tarn::test {

// FNV-1a over raw bytes, as sixteen hex digits: a short, stable fingerprint
// of a render or a table, for comparing with one recorded earlier.
inline std::string ByteDigest(std::span<const unsigned char> bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    std::ostringstream text;
    text << std::hex << std::setw(16) << std::setfill('0') << hash;
    return text.str();
}

} // namespace tarn::test
