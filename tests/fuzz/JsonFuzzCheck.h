#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::test {

// What `tarn import` must satisfy for any JSON song, however damaged: the
// JSON is refused with the parser's or the importer's exception (never
// another), or its document is built into a project or refused with one
// error line; a project built from a song without waves dumps to JSON that
// imports into a project dumping the very same JSON. Wave files are looked
// for in a folder that does not exist. Returns what went wrong, or an
// empty text. The fuzz target and the regression test over its corpus both
// run this.
std::string CheckJsonInput(const std::uint8_t* data, std::size_t size);

} // namespace tarn::test
