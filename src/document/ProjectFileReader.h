#pragma once

#include "document/ProjectDocument.h"
#include "formats/ChunkStream.h"

#include <filesystem>

namespace tarn {

// Reads a whole project document: the root must be the project's magic;
// every known child is read into its record, anything else is skipped with
// its subtree, and members no child fills keep their missing values. A
// loop point of the first layout is read from its whole numbers with a
// warning. 1 on success; 0 with one "error: " line naming the stream, the
// failure and its offset otherwise, and then document is left as it was.
// Damaged input never makes the reader allocate more than the stream holds.
int ReadProjectDocument(ChunkStream& stream, ProjectDocument& document);

// The same for a file.
int ReadProjectFile(const std::filesystem::path& path, ProjectDocument& document);

} // namespace tarn
