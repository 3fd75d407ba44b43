#pragma once

#include "base/UserInteraction.h"

#include <QPointer>
#include <QWidget>

#include <string>

namespace tarn {

// The user interaction of the windowed studio: message boxes and the file
// dialogs over the main window, and the system clipboard. The file dialogs
// start in the folder of the last file chosen. GUI thread only.
class DialogInteraction final : public UserInteraction {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void SetLastDirectory(std::string directory) { lastDirectory_ = std::move(directory); }
    const std::string& LastDirectory() const { return lastDirectory_; }

    MessageBoxAnswer ShowMessage(std::string_view caption, std::string_view text,
                                 MessageBoxButtons buttons) override;
    std::optional<std::filesystem::path> ChooseFile(FileDialog dialog,
                                                    std::string_view defaultExtension) override;
    std::optional<std::filesystem::path> ChooseSoundFile() override;
    std::string ClipboardText() override;
    void SetClipboardText(std::string text) override;

private:
    std::optional<std::filesystem::path> Choose(FileDialog dialog, const QString& extension,
                                                const QStringList& filters);

    QPointer<QWidget> parent_;
    std::string lastDirectory_;
};

} // namespace tarn
