#include "fuzz/ProjectFuzzCheck.h"

#include "document/ProjectFileReader.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "formats/ChunkMemoryStream.h"

#include "document/ProjectMachines.h"
#include "document/ProjectTestDocument.h"

#include <vector>

namespace tarn::test {
namespace {

std::vector<std::uint8_t> Written(const ProjectDocument& document) {
    ChunkMemoryStream stream;
    WriteProjectDocument(stream, document);
    return stream.Bytes();
}

// Saves a live project the way a save does, to bytes.
std::vector<std::uint8_t> Saved(Project& project) {
    return Written(SnapshotProject(project));
}

// The reader accepts its own output of a document it accepted, unchanged.
std::string CheckRewrite(const ProjectDocument& document) {
    const std::vector<std::uint8_t> written = Written(document);
    ChunkMemoryStream stream(written);
    ProjectDocument reread;
    if (ReadProjectDocument(stream, reread) != 1) {
        return "a document the reader accepted was written to bytes it refuses";
    }
    return Written(reread) == written ? ""
                                      : "a written document does not read back to the same bytes";
}

// What was loaded saves to a file that loads into the same project.
std::string CheckResave(Project& project) {
    const std::vector<std::uint8_t> saved = Saved(project);
    ChunkMemoryStream stream(saved);
    ProjectDocument reread;
    if (ReadProjectDocument(stream, reread) != 1) {
        return "a loaded project was saved to bytes the reader refuses";
    }
    ProjectMachines machines;
    const std::unique_ptr<Project> reloaded =
        BuildProject(reread, machines.Creator(), TempoRecord{}, "fuzz");
    if (reloaded == nullptr) {
        return "a loaded project was saved to a file the loader refuses";
    }
    return Saved(*reloaded) == saved
               ? ""
               : "a loaded project, saved and loaded again, saves differently";
}

} // namespace

std::string CheckProjectInput(const std::uint8_t* data, std::size_t size) {
    ProjectLines lines;
    ChunkMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    ProjectDocument document;
    const int result = ReadProjectDocument(input, document);
    if (result == 0) {
        return lines.errors.Take().size() == 1 ? ""
                                               : "a failed read must write exactly one error line";
    }
    if (result != 1 || !lines.errors.Take().empty()) {
        return "a successful read returns 1 and writes no error line";
    }
    if (std::string failure = CheckRewrite(document); !failure.empty()) {
        return failure;
    }
    // The loader builds whatever the document describes, or refuses it with
    // one error line before building anything.
    ProjectMachines machines;
    const std::unique_ptr<Project> project =
        BuildProject(document, machines.Creator(), TempoRecord{}, "fuzz");
    if (project == nullptr) {
        return lines.errors.Take().size() == 1 ? ""
                                               : "a refused load must write exactly one error line";
    }
    return CheckResave(*project);
}

} // namespace tarn::test
