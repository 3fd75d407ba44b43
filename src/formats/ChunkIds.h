#pragma once

#include <cstdint>

namespace tarn {

// Every chunk starts with identifier, version and payload size, each an
// unsigned 32-bit little-endian word.
inline constexpr std::uint32_t kChunkHeaderSize = 12;

// The top byte of an identifier names its class; the low bytes number the
// identifier within the class. What a number means depends on the record
// it stands in.
inline constexpr std::uint32_t kChunkClassMask = 0xFF000000;
inline constexpr std::uint32_t kFieldChunkClass = 0xCA000000;  // a leaf holding one value
inline constexpr std::uint32_t kRecordChunkClass = 0xCD000000; // payload = child chunks

constexpr std::uint32_t FieldId(std::uint32_t number) {
    return kFieldChunkClass | number;
}
constexpr std::uint32_t RecordId(std::uint32_t number) {
    return kRecordChunkClass | number;
}
constexpr bool IsFieldId(std::uint32_t identifier) {
    return (identifier & kChunkClassMask) == kFieldChunkClass;
}
constexpr bool IsRecordId(std::uint32_t identifier) {
    return (identifier & kChunkClassMask) == kRecordChunkClass;
}

// Held by every record that is an element of a list: the element's index.
inline constexpr std::uint32_t kIndexFieldId = FieldId(0);

// Payload layout versions. In the file the bytes read 00 00 00 01 and
// 00 00 01 01; readers look at a version only where an old layout exists.
inline constexpr std::uint32_t kChunkVersion1_0 = 0x01000000;
inline constexpr std::uint32_t kChunkVersion1_1 = 0x01010000;

// A root identifier made of four ASCII letters, stored in their reading
// order: FourLetterId("TARN") is the bytes 'T' 'A' 'R' 'N' on disk.
constexpr std::uint32_t FourLetterId(const char (&letters)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(letters[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(letters[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(letters[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(letters[3])) << 24;
}

} // namespace tarn
