#pragma once

#include "editing/PatternEditor.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTabWidget;

namespace tarn {

class PatternGridView;
class PianoRollView;
class StudioApplication;

// The Patterns page of the main window: the machine and pattern
// selectors (new, copy, rename, length, TPB, colour), the octave that
// typed notes sound in, follow mode, and the pattern's grid and piano
// roll. The page
// edits the project's edited Node and that Node's current pattern.
// GUI thread only.
class PatternPage final : public QWidget {
public:
    explicit PatternPage(StudioApplication& application, QWidget* parent = nullptr);

    // Re-reads the machines and patterns (after a project swap, or when the
    // page is shown) and points the editor at the edited one.
    void Reload();
    // A pattern's events or size changed.
    void PatternChanged(int nodeId, int patternNumber);
    // The play position, from the refresh timer.
    void Refresh();

    PatternEditor& Editor() { return editor_; }
    PatternGridView& Grid() { return *grid_; }
    PianoRollView& Roll() { return *roll_; }
    // Shows the grid (0) or the piano roll (1).
    void ShowTab(int tab);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ChooseNode(int nodeId);
    void ChoosePattern(int patternNumber);
    void NewPattern(bool copy);
    void RenamePattern();
    void ChooseColour();
    // Records an undoable change of the current pattern's name or colour.
    template <typename Change> void ChangePattern(const char* name, Change change);
    void ShowSize();

    StudioApplication& application_;
    PatternEditor editor_;
    QComboBox* nodes_ = nullptr;
    QComboBox* patterns_ = nullptr;
    QSpinBox* length_ = nullptr;
    QSpinBox* ticksPerBeat_ = nullptr;
    QSpinBox* octave_ = nullptr;
    QCheckBox* follow_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    PatternGridView* grid_ = nullptr;
    PianoRollView* roll_ = nullptr;
    bool reloading_ = false;
};

} // namespace tarn
