#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarn {

class Studio;

// The audio streamer's window: which Node to record, its inputs or its
// outputs, WAVE or raw, 32 or 64 bits, the file; Record and Stop, and
// while recording the elapsed time and the size written. The settings go
// to the streamer and the project only when recording starts, under the
// project lock. GUI thread only.
class StreamerWindow final : public QWidget {
public:
    static constexpr int kRefreshMilliseconds = 250;

    // studio must outlive the window.
    explicit StreamerWindow(Studio& studio, QWidget* parent = nullptr);

    // Fills the Node list again from the current project, keeping the
    // choice.
    void ReadNodes();
    // Selects the Node of that id in the list; false when it has none.
    bool ChooseNode(int id);
    bool Record();
    bool Stop();
    // The elapsed time and size texts, from the streamer's count.
    void Refresh();

private:
    Studio& studio_;
    QComboBox* node_ = nullptr;
    QComboBox* side_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* format_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* status_ = nullptr;
    // Bytes of one frame of the running recording.
    int frameBytes_ = 0;
};

} // namespace tarn
