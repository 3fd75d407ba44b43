#pragma once

#include "editing/MachineEdits.h"
#include "gui/ParameterSheet.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QVBoxLayout;

namespace tarn {

class StudioApplication;

// The parameter editor of one Node: every value of its parameter sheet as
// a slider with the value text of the Node's format path, where a value
// can also be typed; for a machine of several tracks, a track selector
// choosing whose track parameters show; the machine's presets (load, store, rename, delete;
// "Default" is never changed). A change is heard from the next rendered
// chunk on, song playing or not. The window follows the values the song
// changes, and closes itself when its Node is deleted or the project
// replaced. GUI thread only.
class ParameterEditor final : public QWidget {
public:
    static constexpr const char* kName = "ParameterEditor";
    static constexpr int kRefreshMilliseconds = 100;
    // Slider positions over the range of a real-valued parameter.
    static constexpr int kRealSteps = 1000;

    ParameterEditor(StudioApplication& application, ParameterSheet sheet,
                    QWidget* parent = nullptr);

    int NodeId() const { return sheet_.nodeId; }
    std::uint64_t Serial() const { return sheet_.serial; }
    // Reads the values again; closes the window when the Node is gone.
    void Refresh();
    // Shows the machine parameters of another of the Node's tracks.
    void ShowTrack(int track);
    // Applies the preset chosen in the list, or stores the values under the
    // list's text.
    void LoadPreset();
    void StorePreset();
    void RenamePreset();
    void DeletePreset();

    // A line's widgets, named "<group>.<track>.<index>".
    QSlider* Slider(int group, int track, int index) const;
    QLineEdit* ValueText(int group, int track, int index) const;
    QComboBox* Presets() const { return presets_; }
    // Lists the Node's tracks; hidden while it has only one.
    QComboBox* Tracks() const { return tracks_; }
    // The outcome of the last preset command.
    QLabel* Status() const { return status_; }

private:
    struct Row {
        ParameterLine line;
        QSlider* slider = nullptr;
        QLineEdit* text = nullptr;
    };

    void Build();
    QWidget* BuildPresetBar();
    QWidget* BuildTrackBar();
    void FillTracks();
    void AddRow(QVBoxLayout& layout, const ParameterLine& line);
    void Set(Row& row, double value);
    void Show(Row& row);
    void FillPresets(const QString& select);
    void Report(bool done, const QString& success);
    const Row* Find(int group, int track, int index) const;

    StudioApplication& application_;
    MachineEdits edits_;
    ParameterSheet sheet_;
    std::vector<Row> rows_;
    QComboBox* presets_ = nullptr;
    QWidget* trackBar_ = nullptr;
    QComboBox* tracks_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace tarn
