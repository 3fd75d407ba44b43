#include "gui/MachineViewFixture.h"

#include "gui/ParameterEditor.h"
#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/Sampler.h"
#include "machines/builtin/Synth.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

#include <string>
#include <vector>

namespace tarn {
namespace {

class ParameterEditorTest : public test::MachineViewFixture {
protected:
    void SetUp() override {
        MachineViewFixture::SetUp();
        bass_ = Add("Tarn Analog Bass", 0.2, 0.4);
        ASSERT_EQ(Connect(bass_, Project::kMasterId), 1);
        view_->Refresh();
        editor_ = view_->OpenParameters(bass_);
        ASSERT_NE(editor_, nullptr);
    }
    double Value(int group, int index) {
        ProjectLock hold(Current());
        return TheProject().GetNode(bass_)->ReadParameter(group, 0, index);
    }
    std::string Text(int group, int index) const {
        return editor_->ValueText(group, 0, index)->text().toStdString();
    }
    void Type(int group, int index, const QString& text) {
        QLineEdit* field = editor_->ValueText(group, 0, index);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    std::vector<std::string> PresetList() const {
        std::vector<std::string> names;
        for (int item = 0; item < editor_->Presets()->count(); ++item) {
            names.push_back(editor_->Presets()->itemText(item).toStdString());
        }
        return names;
    }
    void Press(const char* button) {
        QPushButton* found = editor_->findChild<QPushButton*>(button);
        ASSERT_NE(found, nullptr) << button;
        found->click();
    }

    int bass_ = -1;
    ParameterEditor* editor_ = nullptr;
};

TEST_F(ParameterEditorTest, ShowsTheMachinesTextsAndTakesTypedValuesWithinTheRange) {
    // Opening it again raises the same window.
    EXPECT_EQ(view_->OpenParameters(bass_), editor_);
    EXPECT_EQ(Text(kGroupSystem, system_parameter::kVolume), "0.00db");
    EXPECT_EQ(Text(kGroupSystem, system_parameter::kPan), "(Center)");
    // The Master's editor has the input mixer of the bass's Connection.
    ParameterEditor* master = view_->OpenParameters(Project::kMasterId);
    ASSERT_NE(master, nullptr);
    EXPECT_NE(master->Slider(kGroupInputMixer, 0, system_parameter::kVolume), nullptr);
    EXPECT_EQ(editor_->Slider(kGroupInputMixer, 0, system_parameter::kVolume), nullptr);

    // What is typed is read in the unit the field shows.
    Type(kGroupMachine, AnalogBass::kAttack, "625 ms");
    EXPECT_EQ(Text(kGroupMachine, AnalogBass::kAttack), "625.00 ms");
    EXPECT_NEAR(Value(kGroupMachine, AnalogBass::kAttack), 0.5, 1e-9);
    EXPECT_EQ(editor_->Slider(kGroupMachine, 0, AnalogBass::kAttack)->value(),
              ParameterEditor::kRealSteps / 2);
    // Not a number: nothing changes, and the status line says why. Beyond
    // the range: the end of it.
    Type(kGroupMachine, AnalogBass::kAttack, "fast");
    EXPECT_NEAR(Value(kGroupMachine, AnalogBass::kAttack), 0.5, 1e-9);
    EXPECT_EQ(Text(kGroupMachine, AnalogBass::kAttack), "625.00 ms");
    EXPECT_TRUE(window_->statusBar()->currentMessage().startsWith("'fast' is no value of"));
    Type(kGroupMachine, AnalogBass::kAttack, "7000");
    EXPECT_DOUBLE_EQ(Value(kGroupMachine, AnalogBass::kAttack), 1.0);
    EXPECT_EQ(Text(kGroupMachine, AnalogBass::kAttack), "5000.00 ms");
    Type(kGroupSystem, system_parameter::kVolume, "-6 dB");
    EXPECT_NEAR(Value(kGroupSystem, system_parameter::kVolume), -6.0, 0.01);
    Type(kGroupMachine, AnalogBass::kWaveform, "triangle");
    EXPECT_EQ(Value(kGroupMachine, AnalogBass::kWaveform), 3.0);
    EXPECT_TRUE(History().IsChanged());

    // The waveform steps through its names, one slider step each.
    QSlider* waveform = editor_->Slider(kGroupMachine, 0, AnalogBass::kWaveform);
    ASSERT_NE(waveform, nullptr);
    EXPECT_EQ(waveform->maximum(), 4);
    const std::vector<std::string> names{"Saw", "Square", "Sin", "Triangle", "Analog Saw"};
    for (int position = 4; position >= 0; --position) {
        waveform->setValue(position);
        EXPECT_EQ(Text(kGroupMachine, AnalogBass::kWaveform), names[position]);
        EXPECT_EQ(Value(kGroupMachine, AnalogBass::kWaveform), position);
    }
    // The note is played, not set: it has no line.
    EXPECT_EQ(editor_->Slider(kGroupMachine, 0, 0), nullptr);
}

TEST_F(ParameterEditorTest, ASliderMoveIsHeardFromTheNextBuffer) {
    {
        ProjectLock hold(Current());
        Node& node = *TheProject().GetNode(bass_);
        node.QueueLiveEvent(kGroupMachine, 0, node.NoteParameter(), 45.0, 64.0, 1.0);
    }
    const std::array<double, 2> centred = Render(3);
    ASSERT_GT(centred[0], 0.01);
    ASSERT_GT(centred[1], 0.01);

    // The cutoff reaches the machine as a live event of the next chunk.
    editor_->Slider(kGroupMachine, 0, AnalogBass::kCutoff)->setValue(100);
    {
        ProjectLock hold(Current());
        const auto events = TheProject().GetNode(bass_)->LiveEvents().Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].index, AnalogBass::kCutoff);
        EXPECT_DOUBLE_EQ(events[0].value, 0.1);
    }
    Render(1);
    {
        ProjectLock hold(Current());
        EXPECT_TRUE(TheProject().GetNode(bass_)->LiveEvents().Events().empty());
    }

    // Hard left: once the pan has moved (at most 0.1 s), the right side is
    // silent and the left still plays.
    editor_->Slider(kGroupSystem, 0, system_parameter::kPan)->setValue(0);
    EXPECT_EQ(Text(kGroupSystem, system_parameter::kPan), "100.00% (Left)");
    const std::array<double, 2> left = Render(8);
    EXPECT_GT(left[0], 0.01);
    EXPECT_LT(left[1], 1e-9);
}

TEST_F(ParameterEditorTest, TheTrackSelectorShowsAndChangesEveryTracksParameters) {
    // One track: nothing to choose.
    EXPECT_FALSE(editor_->Tracks()->isVisible());
    const int synth = Add("Tarn Synth", 0.6, 0.4);
    const auto setTracks = [&](int node, int count) {
        ProjectLock hold(Current());
        return TheProject().GetNode(node)->SetTrackCount(kGroupMachine, count);
    };
    const auto read = [&](int track) {
        ProjectLock hold(Current());
        return TheProject().GetNode(synth)->ReadParameter(kGroupMachine, track, Synth::kLfoSpeed);
    };
    ASSERT_EQ(setTracks(synth, 3), 1);
    ParameterEditor* editor = view_->OpenParameters(synth);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->Tracks()->isVisible());
    ASSERT_EQ(editor->Tracks()->count(), 3);
    EXPECT_NE(editor->Slider(kGroupMachine, 0, Synth::kLfoSpeed), nullptr);

    // Track 2's own values, changed there alone.
    const double before = read(0);
    editor->Tracks()->setCurrentIndex(2);
    EXPECT_EQ(editor->Slider(kGroupMachine, 0, Synth::kLfoSpeed), nullptr);
    QSlider* speed = editor->Slider(kGroupMachine, 2, Synth::kLfoSpeed);
    ASSERT_NE(speed, nullptr);
    speed->setValue(speed->maximum());
    EXPECT_DOUBLE_EQ(read(2), 10.0);
    EXPECT_DOUBLE_EQ(read(0), before);
    // The System group is the Node's, whatever the track.
    EXPECT_NE(editor->Slider(kGroupSystem, 0, system_parameter::kVolume), nullptr);

    // The Node loses the track shown: its last one shows instead; down to
    // one, the selector goes.
    ASSERT_EQ(setTracks(synth, 2), 1);
    editor->Refresh();
    EXPECT_EQ(editor->Tracks()->count(), 2);
    EXPECT_EQ(editor->Tracks()->currentIndex(), 1);
    EXPECT_NE(editor->Slider(kGroupMachine, 1, Synth::kLfoSpeed), nullptr);
    ASSERT_EQ(setTracks(synth, 1), 1);
    editor->Refresh();
    EXPECT_FALSE(editor->Tracks()->isVisible());
    EXPECT_NE(editor->Slider(kGroupMachine, 0, Synth::kLfoSpeed), nullptr);

    // A global parameter has one value whatever track shows.
    const int sampler = Add("Tarn Sampler", 0.6, 0.7);
    ASSERT_EQ(setTracks(sampler, 4), 1);
    ParameterEditor* samples = view_->OpenParameters(sampler);
    ASSERT_NE(samples, nullptr);
    samples->Tracks()->setCurrentIndex(3);
    EXPECT_EQ(samples->Slider(kGroupMachine, 3, Sampler::kGlide), nullptr);
    QSlider* glide = samples->Slider(kGroupMachine, 0, Sampler::kGlide);
    ASSERT_NE(glide, nullptr);
    glide->setValue(40);
    ProjectLock hold(Current());
    EXPECT_DOUBLE_EQ(
        TheProject().GetNode(sampler)->ReadParameter(kGroupMachine, 0, Sampler::kGlide), 40.0);
}

TEST_F(ParameterEditorTest, PresetsAreStoredLoadedRenamedAndDeletedButNeverTheDefault) {
    EXPECT_EQ(PresetList(), std::vector<std::string>{"Default"});
    Type(kGroupMachine, AnalogBass::kAttack, "625 ms");
    editor_->Presets()->setEditText("Slow");
    Press("store");
    EXPECT_EQ(PresetList(), (std::vector<std::string>{"Default", "Slow"}));
    EXPECT_EQ(editor_->Presets()->currentText(), "Slow");

    // Default sets every value back; the stored preset brings it again.
    editor_->Presets()->setCurrentIndex(0);
    Press("load");
    EXPECT_DOUBLE_EQ(Value(kGroupMachine, AnalogBass::kAttack), 0.01);
    editor_->Presets()->setCurrentIndex(1);
    Press("load");
    EXPECT_NEAR(Value(kGroupMachine, AnalogBass::kAttack), 0.5, 1e-9);

    editor_->Presets()->setEditText("Slower");
    Press("rename");
    EXPECT_EQ(PresetList(), (std::vector<std::string>{"Default", "Slower"}));

    // The default is neither stored over, renamed nor deleted.
    editor_->Presets()->setCurrentIndex(0);
    Press("store");
    EXPECT_EQ(editor_->Status()->text(), "Default preset can't be changed!");
    editor_->Presets()->setEditText("Other");
    Press("rename");
    EXPECT_EQ(editor_->Status()->text(), "Default preset can't be renamed!");
    editor_->Presets()->setCurrentIndex(0);
    Press("delete");
    EXPECT_EQ(editor_->Status()->text(), "Default preset can't be deleted!");
    EXPECT_EQ(PresetList(), (std::vector<std::string>{"Default", "Slower"}));

    editor_->Presets()->setCurrentIndex(1);
    Press("delete"); // the script agrees
    EXPECT_EQ(PresetList(), std::vector<std::string>{"Default"});
}

TEST_F(ParameterEditorTest, ClosesWhenItsMachineIsDeleted) {
    QPointer<ParameterEditor> editor = editor_;
    {
        ProjectLock hold(Current());
        ASSERT_EQ(TheProject().DeleteNode(bass_), 1);
    }
    editor->Refresh();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
}

} // namespace
} // namespace tarn
