#include "fuzz/ProjectFuzzCheck.h"

#include "base/MessagePipe.h"
#include "formats/ChunkMemoryStream.h"
#include "formats/ProjectFileReader.h"
#include "formats/ProjectFileWriter.h"

#include <vector>

namespace tarn::test {
namespace {

// Counts the error lines and drops every line while it lives, so that a
// long fuzzing run keeps no text.
class LineCounter {
public:
    LineCounter() {
        MessageOut().RegisterReceiver(this, &LineCounter::Receive, kMessageLine);
        ErrorOut().RegisterReceiver(this, &LineCounter::Receive, kErrorLine);
        WarningOut().RegisterReceiver(this, &LineCounter::Receive, kWarningLine);
    }
    ~LineCounter() {
        MessageOut().UnregisterReceiver(this);
        ErrorOut().UnregisterReceiver(this);
        WarningOut().UnregisterReceiver(this);
    }
    LineCounter(const LineCounter&) = delete;
    LineCounter& operator=(const LineCounter&) = delete;

    int Errors() const { return errors_; }

private:
    static void Receive(void* self, int kind, const std::string&) {
        if (kind == kErrorLine) {
            ++static_cast<LineCounter*>(self)->errors_;
        }
    }

    int errors_ = 0;
};

std::vector<std::uint8_t> Written(const ProjectDocument& document) {
    ChunkMemoryStream stream;
    WriteProjectDocument(stream, document);
    return stream.Bytes();
}

} // namespace

std::string CheckProjectInput(const std::uint8_t* data, std::size_t size) {
    LineCounter lines;
    ChunkMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    ProjectDocument document;
    const int result = ReadProjectDocument(input, document);
    if (result == 0) {
        return lines.Errors() == 1 ? "" : "a failed read must write exactly one error line";
    }
    if (result != 1 || lines.Errors() != 0) {
        return "a successful read returns 1 and writes no error line";
    }
    const std::vector<std::uint8_t> first = Written(document);
    ChunkMemoryStream rewritten(first);
    ProjectDocument again;
    if (ReadProjectDocument(rewritten, again) != 1) {
        return "a document the reader accepted was written to bytes it refuses";
    }
    if (Written(again) != first) {
        return "a written document does not read back to the same bytes";
    }
    return "";
}

} // namespace tarn::test
