// Writes the seed documents of the project fuzzer into the folder given as
// its argument; built and run by scripts/fuzz-project.sh.

#include "document/ProjectFileWriter.h"
#include "document/ProjectMachines.h"
#include "document/ProjectSnapshot.h"
#include "document/ProjectTestDocument.h"
#include "formats/ChunkMemoryStream.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool WriteSeed(const std::filesystem::path& folder, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(folder / ("seed-" + name + ".tarn"), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::vector<std::uint8_t> Written(const tarn::ProjectDocument& document) {
    tarn::ChunkMemoryStream stream;
    tarn::WriteProjectDocument(stream, document);
    return stream.Bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const tarn::ProjectDocument sample = tarn::test::SampleProjectDocument();
    tarn::ProjectDocument small;
    small.machines = {sample.machines[0]};
    small.songEnd = 4.0;
    // Projects as a save writes them, with machines the loader can make.
    tarn::test::ProjectMachines machines;
    const auto newProject = tarn::MakeNewProject(machines.Creator(), tarn::TempoRecord{});
    const auto richProject = tarn::test::MakeRichProject(machines, tarn::TempoRecord{});
    if (newProject == nullptr || richProject == nullptr) {
        std::fprintf(stderr, "the seed projects cannot be built\n");
        return 1;
    }
    const bool written =
        WriteSeed(folder, "new-project", Written(tarn::SnapshotProject(*newProject))) &&
        WriteSeed(folder, "rich-project", Written(tarn::SnapshotProject(*richProject))) &&
        WriteSeed(folder, "sample", Written(sample)) &&
        WriteSeed(folder, "small", Written(small)) &&
        WriteSeed(folder, "unknown-chunks", tarn::test::WithUnknownChunks(Written(small)));
    return written ? 0 : 1;
}
