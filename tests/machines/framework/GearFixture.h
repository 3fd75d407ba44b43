#pragma once

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "formats/XmlTree.h"
#include "machines/framework/GearCatalogue.h"
#include "machines/framework/Machine.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn::test {

// A built-in machine for factory tables in tests: it does nothing at all.
class Builtin : public Machine {};

inline std::unique_ptr<Machine> MakeBuiltin() {
    return std::make_unique<Builtin>();
}

// A test with an application directory of its own: the Gear files and fake
// plug-in libraries (empty files) are written below it, and every error
// line is collected.
class GearFixture : public ::testing::Test {
protected:
    struct DirectoryGroup {
        std::string name;
        std::optional<std::string> adapter; // no "adapter" element when empty
        std::vector<std::string> directories;
    };

    GearFixture() {
        previousDirectory_ = AppDirectory();
        SetAppDirectory(scratch_.Path());
        ErrorOut().RegisterReceiver(this, &Collect, kErrorLine);
    }

    ~GearFixture() override {
        ErrorOut().UnregisterReceiver(this);
        SetAppDirectory(previousDirectory_);
    }

    const std::filesystem::path& App() const { return scratch_.Path(); }

    // Writes "Plugin/Gear/Gear.config.xml" through the XML writer.
    void WriteDirectoryList(const std::vector<DirectoryGroup>& groups) const {
        XmlTree list;
        XmlNode* root = list.AddNode(nullptr, "gear");
        for (const DirectoryGroup& group : groups) {
            XmlNode* element = root->AddChild("group");
            element->AddChild("name", group.name);
            if (group.adapter) {
                element->AddChild("adapter", *group.adapter);
            }
            for (const std::string& directory : group.directories) {
                element->AddChild("directory")->AddChild("name", directory);
            }
        }
        std::filesystem::create_directories(App() / "Plugin/Gear");
        ASSERT_EQ(list.Save(App() / "Plugin/Gear/Gear.config.xml"), 1);
    }

    // Creates a file (and its folders) below the application directory.
    std::filesystem::path WriteText(const std::string& relative, const std::string& text) const {
        const std::filesystem::path file = App() / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::filesystem::path AddLibrary(const std::string& relative) const {
        return WriteText(relative, "");
    }

    std::vector<std::string> errors;

private:
    static void Collect(void* self, int, const std::string& text) {
        static_cast<GearFixture*>(self)->errors.push_back(text);
    }

    ScratchDirectory scratch_;
    std::filesystem::path previousDirectory_;
};

// The catalogue tree as one line per item, indented two blanks per level:
// "Folder/", "+ Name" (available) or "- Name", with " @path" when a path is
// stored.
inline void CatalogueLines(const CatalogueItem& folder, const std::string& indent,
                           std::vector<std::string>& lines) {
    for (const CatalogueItem& item : folder.children) {
        if (item.folder) {
            lines.push_back(indent + item.name + "/");
            CatalogueLines(item, indent + "  ", lines);
        } else {
            lines.push_back(indent + (item.available ? "+ " : "- ") + item.name +
                            (item.path.empty() ? "" : " @" + item.path));
        }
    }
}

inline std::vector<std::string> CatalogueLines(const GearCatalogue& catalogue) {
    std::vector<std::string> lines;
    CatalogueLines(catalogue.Root(), "", lines);
    return lines;
}

} // namespace tarn::test
