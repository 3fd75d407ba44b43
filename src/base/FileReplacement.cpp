#include "base/FileReplacement.h"

#include <fcntl.h>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace tarn {

bool SyncToDisk(const std::filesystem::path& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && synced;
}

FileReplacement ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temporary = path;
    temporary += ".saving";
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) {
            return FileReplacement::kOpenFailed;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) {
            std::filesystem::remove(temporary, error);
            return FileReplacement::kWriteFailed;
        }
    }
    if (SyncToDisk(temporary)) {
        std::filesystem::rename(temporary, path, error);
        if (!error) {
            return FileReplacement::kReplaced;
        }
    }
    std::filesystem::remove(temporary, error);
    return FileReplacement::kWriteFailed;
}

} // namespace tarn
