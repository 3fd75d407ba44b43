#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::test {

// What the project reader and loader must satisfy for any input, however
// damaged: the reader fails with exactly one error line or succeeds with
// none, and a document it accepted writes out to bytes that read back into
// a document writing the very same bytes. The loader builds a project from
// that document or refuses it with one error line; a project it built saves
// to bytes that load into a project saving the very same bytes. Returns
// what went wrong, or an empty text. The fuzz target and the regression
// test over its corpus both run this.
std::string CheckProjectInput(const std::uint8_t* data, std::size_t size);

} // namespace tarn::test
