#pragma once

#include "editing/PatternEditor.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"

namespace tarn {

// The pattern the editor edits and its Node, or null when either is gone.
// The caller holds the project lock.
inline const Pattern* EditedPattern(const CurrentProject& current, const PatternEditor& editor,
                                    const Node** node = nullptr) {
    const Project* project = current.Get();
    const Node* found = project != nullptr ? project->GetNode(editor.NodeId()) : nullptr;
    if (node != nullptr) {
        *node = found;
    }
    return found != nullptr ? found->Patterns().Get(editor.PatternNumber()) : nullptr;
}

} // namespace tarn
