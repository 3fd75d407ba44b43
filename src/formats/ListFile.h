#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarn {

// A list of texts kept in an XML file (recent files and the like): a root
// named "list" holding one "item" per entry, each with a child "name" whose
// value is the entry's text. Relative paths are taken from the application
// directory.
class ListFile {
public:
    static constexpr const char* kRootName = "list";
    static constexpr const char* kItemName = "item";
    static constexpr const char* kEntryName = "name";

    // Appends the file's non-empty entries, in file order, to Entries(). On
    // failure one "error: " line is written and the result is 0; an item
    // without "name" stops reading, keeping the entries before it.
    int Read(const std::filesystem::path& path);

    // Replaces the file by one holding every entry in order.
    int Save(const std::filesystem::path& path) const;

    std::vector<std::string>& Entries() { return entries_; }
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

// Makes entry the newest (last) of a recent list file, once, and forgets
// the oldest beyond capacity. A list file that does not exist is left so:
// the user removed it to keep no list, which is no error.
void RememberInList(const std::filesystem::path& list, const std::string& entry,
                    std::size_t capacity);

} // namespace tarn
