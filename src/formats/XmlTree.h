#pragma once

#include "formats/XmlNode.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tarn {

// The in-memory form of one file of the XML dialect (settings, presets, Gear
// lists, recent lists, clipboard events): a root element or none. Dotted
// paths such as "configuration.windows.mv.pos" name an element by the names
// of the elements leading to it, the first being the root's.
//
// Relative file paths are taken from the application directory. Operations return 1
// on success and 0 on failure; file failures write one "error: " line to the
// error pipe. Not thread-safe: callers serialise access to one tree.
class XmlTree {
public:
    // Elements nested deeper than this make a text malformed, which keeps
    // reading, writing and deleting a tree within a bounded stack depth.
    static constexpr int kMaxDepth = 256;

    XmlNode* Root() { return root_.get(); }
    const XmlNode* Root() const { return root_.get(); }

    // With a parent: appends a new child to it. Without one: creates the
    // root, unless the tree already has one, in which case nothing is
    // created and the result is null.
    XmlNode* AddNode(XmlNode* parent, std::string name, std::string value = {});

    // The element named by the path, or null.
    const XmlNode* FindByPath(std::string_view path) const;
    XmlNode* FindByPath(std::string_view path);

    // 1 and the element's value in out, or 0 with out unchanged.
    int GetValue(std::string_view path, std::string& out) const;

    // Sets the value of an existing element; never creates one. The path
    // needs at least one "."; its first name stands for the root and is not
    // compared with the root's name.
    int SetValue(std::string_view path, std::string value);

    // The whole tree in the file format, with "\n" line breaks; empty
    // without a root. "&", "<" and ">" in values are written as "&amp;",
    // "&lt;" and "&gt;", which Parse turns back.
    std::string Text() const;

    // Replaces the tree by the one read from the text. On malformed text the
    // result is 0 without a message, and whatever was built before the fault
    // (the root at least, when the text starts with an open tag) stays.
    int Parse(std::string_view text);

    // Writes Text() with CR LF line breaks, replacing the file only once
    // the new one is completely on the disk (see ReplacingFile); a failure
    // is one "error: " line naming the file and the system's reason.
    // Without a root nothing is written and the result is 0, without a
    // message.
    int Save(const std::filesystem::path& path) const;

    // Discards the tree, then reads the file and parses it.
    int Load(const std::filesystem::path& path);

    // As Load, but all or nothing: the tree is replaced only by a file that
    // reads completely, and a text that does not parse also gets its
    // "error: " line naming the file. For files whose partial reading would
    // lose data (settings, presets).
    int LoadComplete(const std::filesystem::path& path);

    void Clear();

private:
    // The whole file; false after the error line for a missing, unreadable
    // or empty one.
    static bool ReadFile(const std::filesystem::path& file, std::string& content);

    std::unique_ptr<XmlNode> root_;
};

} // namespace tarn
