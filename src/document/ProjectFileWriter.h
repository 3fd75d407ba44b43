#pragma once

#include "document/ProjectDocument.h"
#include "formats/ChunkStream.h"

#include <cstdint>
#include <filesystem>

namespace tarn {

// Writes the document as one root chunk to a seekable stream, every record
// with its children in the file's fixed order. Returns the document's size
// in bytes, or -1 when the stream failed or a record outgrew its 32-bit
// size field (what the stream holds is then no valid document).
std::int64_t WriteProjectDocument(ChunkStream& stream, const ProjectDocument& document);

// Writes the document to path: first to a temporary file beside it, which
// replaces path only once every byte was written and flushed, so a failed
// save never destroys the file that was there. Reports progress on the
// message pipe; 1, or 0 with one "error: " line naming path.
int WriteProjectFile(const ProjectDocument& document, const std::filesystem::path& path);

} // namespace tarn
