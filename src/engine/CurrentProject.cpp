#include "engine/CurrentProject.h"

#include "engine/Project.h"

namespace tarn {

CurrentProject::CurrentProject() = default;
CurrentProject::~CurrentProject() = default;

std::unique_ptr<Project> CurrentProject::Set(std::unique_ptr<Project> project) {
    std::lock_guard guard(lock_);
    project_.swap(project);
    return project;
}

} // namespace tarn
