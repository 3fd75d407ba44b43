#include "fuzz/XmlFuzzCheck.h"

#include "base/MessagePipe.h"
#include "document/PresetStore.h"
#include "engine/Project.h"
#include "formats/ClipboardEvents.h"
#include "formats/XmlTree.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace tarn::test {
namespace {

std::string CheckTree(std::string_view text) {
    XmlTree tree;
    if (tree.Parse(text) == 0) {
        return "";
    }
    const std::string written = tree.Text();
    XmlTree again;
    if (again.Parse(written) == 0 || again.Text() != written) {
        return "an accepted text does not write back to a text that reads the same";
    }
    return "";
}

std::string CheckClipboard(std::string_view text) {
    const std::optional<ClipboardEvents> events = ReadClipboardEvents(text);
    if (!events) {
        return "";
    }
    const std::string written = WriteClipboardEvents(*events);
    const std::optional<ClipboardEvents> again = ReadClipboardEvents(written);
    if (!again || WriteClipboardEvents(*again) != written) {
        return "accepted clipboard events do not write and read back unchanged";
    }
    return "";
}

// One Analog Bass for the whole run; every input is applied to it.
Node& Bass() {
    static MachineFactory factory{BuiltinMachines()};
    static Project project{factory};
    static const int id = project.CreateNode("Tarn Analog Bass");
    return *project.GetNode(id);
}

std::string CheckPreset(std::string_view text) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("tarn-fuzz-" + std::to_string(::getpid()) + PresetStore::kExtension);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
    Node& node = Bass();
    const PresetStore store(file);
    for (const std::string& name : store.List(node)) {
        store.Apply(node, name);
        for (const auto& [index, descriptor] : node.Parameters(kGroupMachine)) {
            const double value = node.ReadParameter(kGroupMachine, 0, index);
            if (!(value >= descriptor.minimum && value <= descriptor.maximum)) {
                return "preset '" + name + "' put parameter " + std::to_string(index) +
                       " out of its range";
            }
        }
    }
    return "";
}

// Takes the error and warning lines the inputs cause, so that they do not
// pile up in the pipes' pending lines over millions of inputs.
struct DiscardedLines {
    DiscardedLines() {
        for (MessagePipe* pipe : {&MessageOut(), &ErrorOut(), &WarningOut()}) {
            pipe->RegisterReceiver(this, &Discard, kMessageLine);
        }
    }
    ~DiscardedLines() {
        for (MessagePipe* pipe : {&MessageOut(), &ErrorOut(), &WarningOut()}) {
            pipe->UnregisterReceiver(this);
        }
    }
    static void Discard(void*, int, const std::string&) {}
};

} // namespace

std::string CheckXmlInput(const std::uint8_t* data, std::size_t size) {
    const DiscardedLines discarded;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto check : {&CheckTree, &CheckClipboard, &CheckPreset}) {
        std::string failure = check(text);
        if (!failure.empty()) {
            return failure;
        }
    }
    return "";
}

} // namespace tarn::test
