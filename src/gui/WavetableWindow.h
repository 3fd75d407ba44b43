#pragma once

#include <QDockWidget>

#include <filesystem>

class QLabel;
class QListWidget;

namespace tarn {

class StudioApplication;
class WaveOverview;

// The wavetable tool window: the slots as "%d. %s" (an empty slot shows
// its number alone), loading a sound file into the selected slot through
// the sound-file dialog, removing a slot's wave, the sound files of a
// folder that play through the preview when selected (a double-click
// loads one into the slot), and the selected wave's overview. GUI thread
// only.
class WavetableWindow final : public QDockWidget {
public:
    // Slots listed even when empty, so that there is always room to load.
    static constexpr int kShownSlots = 128;

    explicit WavetableWindow(StudioApplication& application, QWidget* parent = nullptr);

    // Re-reads the wavetable (after a project swap or a load).
    void Reload();
    void SelectSlot(int slot);
    int SelectedSlot() const;

    // The window's commands: a file from the dialog into the selected slot,
    // or a file given; answer as the wavetable's load.
    int Load();
    int LoadFile(const std::filesystem::path& file);
    int Remove();

private:
    void ShowFolder(const std::filesystem::path& folder);

    StudioApplication& application_;
    QListWidget* slots_ = nullptr;
    QListWidget* files_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    WaveOverview* overview_ = nullptr;
    std::filesystem::path folder_;
};

} // namespace tarn
