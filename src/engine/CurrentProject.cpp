#include "engine/CurrentProject.h"

#include "engine/Project.h"

namespace tarn {

CurrentProject::CurrentProject() = default;
CurrentProject::~CurrentProject() = default;

std::unique_ptr<Project> CurrentProject::Set(std::unique_ptr<Project> project) {
    std::lock_guard guard(lock_);
    if (project != nullptr) {
        project->SetGuard(&lock_);
    }
    project_.swap(project);
    if (project != nullptr) {
        project->SetGuard(nullptr);
    }
    return project;
}

} // namespace tarn
