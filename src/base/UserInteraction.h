#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// The buttons a message box offers and the answer it gives back. The save
// prompt's Save, Don't Save and Cancel answer kYes, kNo and kCancel.
enum class MessageBoxButtons { kOk, kYesNo, kYesNoCancel, kSaveDontSaveCancel };
enum class MessageBoxAnswer { kOk, kYes, kNo, kCancel };

// The file dialogs: choosing an existing file to open, or a name to save
// under (an existing file is replaced only once the user agreed).
enum class FileDialog { kOpen, kSave };

// Where the studio asks the user something or tells them something that
// needs acknowledging (the save prompt, integrity alarms, overwrite
// prompts). The GUI answers with a dialog; headless runs and tests answer
// through ScriptedInteraction. Called on the GUI thread only, never from
// the audio thread.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // Shows text under caption and waits for one of the offered answers.
    virtual MessageBoxAnswer ShowMessage(std::string_view caption, std::string_view text,
                                         MessageBoxButtons buttons) = 0;

    // A file the user chose, with defaultExtension ("tarn") added to a name
    // typed without one; none when the dialog was cancelled (which is all
    // an interaction without file dialogs can answer).
    virtual std::optional<std::filesystem::path> ChooseFile(FileDialog /*dialog*/,
                                                            std::string_view /*defaultExtension*/) {
        return std::nullopt;
    }

    // A sound file to load into the wavetable: the open dialog showing the
    // files the sound handlers read.
    virtual std::optional<std::filesystem::path> ChooseSoundFile() {
        return ChooseFile(FileDialog::kOpen, "wav");
    }

    // The system clipboard's text (empty when it holds none) and replacing
    // it, for copying pattern events between editors and programs. The GUI
    // uses the system's; without one the clipboard is a text in memory.
    virtual std::string ClipboardText() { return clipboard_; }
    virtual void SetClipboardText(std::string text) { clipboard_ = std::move(text); }

private:
    std::string clipboard_;
};

// Answers from a script: queued answers first, then the first button of
// the box (OK or Yes). Every text shown is kept and written to the message
// pipe, so that a headless run still leaves the alarm in the console log.
// File dialogs take the queued files in order and are cancelled once none
// is left.
class ScriptedInteraction : public UserInteraction {
public:
    MessageBoxAnswer ShowMessage(std::string_view caption, std::string_view text,
                                 MessageBoxButtons buttons) override;
    std::optional<std::filesystem::path> ChooseFile(FileDialog dialog,
                                                    std::string_view defaultExtension) override;

    void QueueAnswer(MessageBoxAnswer answer) { answers_.push_back(answer); }
    void QueueFile(std::filesystem::path file) { files_.push_back(std::move(file)); }
    // Every text shown so far, oldest first.
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::deque<MessageBoxAnswer> answers_;
    std::deque<std::filesystem::path> files_;
    std::vector<std::string> texts_;
};

// The process-wide interaction; a ScriptedInteraction of its own until the
// GUI (or a test) installs another. Installing null goes back to that one.
// The installed object must outlive its installation.
UserInteraction& CurrentInteraction() noexcept;
void SetCurrentInteraction(UserInteraction* interaction) noexcept;

// The caption of the studio's own message boxes.
inline constexpr std::string_view kStudioCaption = "Tarn Studio";

} // namespace tarn
