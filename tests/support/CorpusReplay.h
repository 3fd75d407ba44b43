#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tarn::test {

// What a fuzzer's check says of one input: empty when it was handled
// cleanly, otherwise what went wrong.
using FuzzCheck = std::function<std::string(const std::uint8_t* data, std::size_t size)>;

// Every file a fuzzer was seeded with or found a fault with, in one corpus
// folder of the source tree, run again through the fuzzer's own check.
void ReplayCorpus(const std::string& folder, const FuzzCheck& check);

} // namespace tarn::test
