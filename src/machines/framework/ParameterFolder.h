#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// A named folder of parameters for the parameter view. Folders are addressed
// by an index of the machine's choosing; nested folders name their parent.
struct ParameterFolder {
    std::int32_t parent = -1; // index of the enclosing folder, -1 at top level
    std::string name;
    std::int32_t flag = 0; // 1 on the top-level folders of the synthesizers
};

} // namespace tarn
