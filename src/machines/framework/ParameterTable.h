#pragma once

#include "machines/framework/ParameterDescriptor.h"
#include "machines/framework/ParameterFolder.h"
#include "tarn/MachineAbi.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarn {

// Writes the display text of a stored value into a kValueTextSize buffer and
// answers 1; the helpers of ParameterDisplay.h fit directly, or wrapped in a
// captureless lambda where they take a unit.
using ValueFormat = int (*)(char* text, double value) noexcept;

// One parameter of a built-in machine, declared once in a constexpr array;
// its description, default, range check and display all come from here.
// Fields in declaration order, so rows read well with designated
// initialisers: {.index = kCutoff, .name = "Cutoff", ...}.
struct ParameterRow {
    std::int32_t index = 0; // the machine's own number: events, saved values, FormatValue
    const char* name = "";
    // A title line, then optionally "\n" and an explanation.
    const char* description = "";
    std::int32_t type = kTypeDouble; // ParameterType
    double minimum = 0.0;
    double maximum = 1.0;
    double defaultValue = 0.0;
    double resolution = 0.01; // 1.0 for the whole-number types
    std::int32_t folder = 0;  // a FolderRow index, -1 for none (0 when a machine has no folders)
    std::int32_t flags = 0;   // ParameterFlag bits
    // The display text; null leaves the value to the host's format by type.
    ValueFormat format = nullptr;
    // For enumerations (type kTypeByte): the names the truncated value picks.
    std::span<const char* const> names{};
};

// The note parameter every generator declares: no folder, range 0..127, the
// note-descriptor flag, as the Node expects of a note.
constexpr ParameterRow NoteRow(std::int32_t index, const char* name = "Note",
                               const char* description = "Note") {
    return {.index = index,
            .name = name,
            .description = description,
            .type = kTypeNote,
            .minimum = 0.0,
            .maximum = 127.0,
            .defaultValue = 0.0,
            .resolution = 0.0,
            .folder = -1,
            .flags = kParamNoteDescriptor};
}

// Rows declared in parts, as one array: a part shared by a family of
// machines joins each machine's own rows.
template <std::size_t... N>
constexpr std::array<ParameterRow, (N + ...)>
JoinRows(const std::array<ParameterRow, N>&... parts) {
    std::array<ParameterRow, (N + ...)> out{};
    std::size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), out.begin() + at), at += N), ...);
    return out;
}

// A folder of the parameter view. Top-level folders of synthesizers carry
// flag 1; nested ones name their parent and carry 0.
struct FolderRow {
    std::int32_t index = 0;
    const char* name = "";
    std::int32_t parent = -1;
    std::int32_t flag = 1;
};

// A machine's parameters and folders as one read-only view over its static
// rows. Everything here is safe on any thread and allocates nothing, apart
// from Descriptor, which builds strings for Describe.
class ParameterTable {
public:
    constexpr ParameterTable(std::span<const ParameterRow> rows,
                             std::span<const FolderRow> folders = {})
        : rows_(rows), folders_(folders) {}

    std::span<const ParameterRow> Rows() const noexcept { return rows_; }
    std::span<const FolderRow> Folders() const noexcept { return folders_; }

    // The row of a parameter index, or null for an index the machine does
    // not have.
    const ParameterRow* Find(std::int32_t index) const noexcept;
    // The index of the note parameter, -1 for a machine without one.
    std::int32_t NoteIndex() const noexcept;

    static ParameterDescriptor Descriptor(const ParameterRow& row);
    static ParameterFolder Folder(const FolderRow& row);

    // The row's display of value: 1 with the text written, 0 for an index
    // without a display of its own. An enumeration value outside its names
    // writes an empty text and still answers 1, so the host never shows a
    // bare number for it.
    int Format(std::int32_t index, double value, char* text) const noexcept;

private:
    std::span<const ParameterRow> rows_;
    std::span<const FolderRow> folders_;
};

} // namespace tarn
