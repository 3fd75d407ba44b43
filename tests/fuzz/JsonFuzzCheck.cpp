#include "fuzz/JsonFuzzCheck.h"

#include "cli/ProjectJson.h"
#include "document/ProjectBuilder.h"
#include "document/ProjectSnapshot.h"
#include "engine/Project.h"

#include "document/ProjectMachines.h"
#include "document/ProjectTestDocument.h"

#include <memory>
#include <optional>
#include <stdexcept>

namespace tarn::test {
namespace {

using Json = nlohmann::ordered_json;

const std::filesystem::path kNoFolder = "/nonexistent/tarn-fuzz";

// The document of a JSON song, or nothing when import refuses it as the
// command does: with the parser's exception or its own.
std::optional<ProjectDocument> Imported(const std::string& text) {
    try {
        return DocumentFromJson(Json::parse(text), kNoFolder, false);
    } catch (const Json::exception&) {
        return std::nullopt;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

std::string Dumped(Project& project) {
    return ProjectJson(SnapshotProject(project), project)
        .dump(2, ' ', false, Json::error_handler_t::replace);
}

} // namespace

std::string CheckJsonInput(const std::uint8_t* data, std::size_t size) {
    ProjectLines lines;
    const std::optional<ProjectDocument> document =
        Imported(std::string(reinterpret_cast<const char*>(data), size));
    if (!document) {
        return "";
    }
    ProjectMachines machines;
    const std::unique_ptr<Project> project =
        BuildProject(*document, machines.Creator(), TempoRecord{}, "fuzz");
    if (project == nullptr) {
        return lines.errors.Take().size() == 1 ? ""
                                               : "a refused song must write exactly one error line";
    }
    // A dump names wave files only when it writes them.
    if (!document->waves.empty()) {
        return "";
    }
    const std::string dumped = Dumped(*project);
    const std::optional<ProjectDocument> again = Imported(dumped);
    if (!again) {
        return "an imported song dumps to JSON that import refuses";
    }
    const std::unique_ptr<Project> rebuilt =
        BuildProject(*again, machines.Creator(), TempoRecord{}, "fuzz");
    if (rebuilt == nullptr) {
        return "an imported song dumps to JSON whose project the loader refuses";
    }
    return Dumped(*rebuilt) == dumped ? ""
                                      : "an imported song, dumped and imported again, dumps "
                                        "differently";
}

} // namespace tarn::test
