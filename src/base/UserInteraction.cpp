#include "base/UserInteraction.h"

#include "base/MessagePipe.h"

namespace tarn {
namespace {

UserInteraction* installed = nullptr;

ScriptedInteraction& Headless() noexcept {
    static ScriptedInteraction headless;
    return headless;
}

} // namespace

MessageBoxAnswer ScriptedInteraction::ShowMessage(std::string_view, std::string_view text,
                                                  MessageBoxButtons buttons) {
    texts_.emplace_back(text);
    MessageOut() << text << eol;
    if (!answers_.empty()) {
        const MessageBoxAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return buttons == MessageBoxButtons::kOk ? MessageBoxAnswer::kOk : MessageBoxAnswer::kYes;
}

std::optional<std::filesystem::path> ScriptedInteraction::ChooseFile(FileDialog, std::string_view) {
    if (files_.empty()) {
        return std::nullopt;
    }
    std::filesystem::path file = std::move(files_.front());
    files_.pop_front();
    return file;
}

UserInteraction& CurrentInteraction() noexcept {
    return installed != nullptr ? *installed : Headless();
}

void SetCurrentInteraction(UserInteraction* interaction) noexcept {
    installed = interaction;
}

} // namespace tarn
