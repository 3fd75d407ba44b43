#pragma once

#include "engine/Project.h"

#include <algorithm>
#include <vector>

namespace tarn {

// The ids of the project's Nodes as the editors list them: the project's
// own order first, then every Node it does not name, by id. The caller
// holds the project lock.
inline std::vector<int> OrderedNodeIds(const Project& project) {
    std::vector<int> ids;
    for (const int id : project.NodeOrder()) {
        if (project.GetNode(id) != nullptr && std::ranges::find(ids, id) == ids.end()) {
            ids.push_back(id);
        }
    }
    for (auto [id, node] : project.Nodes()) {
        if (std::ranges::find(ids, id) == ids.end()) {
            ids.push_back(id);
        }
    }
    return ids;
}

} // namespace tarn
