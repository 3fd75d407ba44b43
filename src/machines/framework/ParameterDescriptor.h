#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// One machine parameter as the machine describes it; the Node keeps a copy
// per parameter index. A fresh descriptor is all zeros and empty texts.
struct ParameterDescriptor {
    std::int32_t folder = 0; // ParameterFolder index, -1 for none
    std::int32_t type = 0;   // ParameterType
    std::int32_t flags = 0;  // ParameterFlag bits
    std::string name;
    std::string description; // may hold several lines separated by "\n"
    double minimum = 0.0;
    double maximum = 0.0;
    double defaultValue = 0.0;
    double resolution = 0.0;

    // The descriptor every note parameter uses: no folder, type note,
    // range 0..127, default 0.
    static ParameterDescriptor Note(std::string name, std::string description);
};

} // namespace tarn
