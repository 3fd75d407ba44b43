#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::test {

// What the XML reader and the files read through it must satisfy for any
// input: a text the reader accepts writes back to a text that reads into
// the very same text again; clipboard text is either refused or reads to
// events that write and read back unchanged; a preset file, however
// damaged, is applied or refused without a parameter ever leaving its
// range. Returns what went wrong, or an empty text. The fuzz target and
// the regression test over its corpus both run this.
std::string CheckXmlInput(const std::uint8_t* data, std::size_t size);

} // namespace tarn::test
