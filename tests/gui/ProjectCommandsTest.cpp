#include "gui/StudioFixture.h"

#include "engine/Project.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace tarn {
namespace {

constexpr const char* kQuerySaveText =
    "The active project has changed. Do you want to save the changes?";

class ProjectCommandsWindowTest : public test::StudioFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        window_ = &studio_->Window();
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }

    Project* Current() {
        ProjectLock hold(studio_->GetStudio().Current());
        return studio_->GetStudio().Current().Get();
    }
    UndoHistory& History() { return studio_->Commands().History(); }
    void Change() { History().Push(std::make_unique<UndoEntry>("Edit")); }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(window_, key, modifiers);
    }
    std::size_t Prompts() const {
        return static_cast<std::size_t>(
            std::count(script_.Texts().begin(), script_.Texts().end(), kQuerySaveText));
    }

    MainWindow* window_ = nullptr;
};

TEST_F(ProjectCommandsWindowTest, NewAndOpenAskBeforeLosingWorkAndKeepItOnFailure) {
    Project* first = Current();
    Change();
    // Cancel: nothing happens.
    script_.QueueAnswer(MessageBoxAnswer::kCancel);
    Keys(Qt::Key_N);
    EXPECT_EQ(Prompts(), 1u);
    EXPECT_EQ(Current(), first);
    EXPECT_TRUE(History().IsChanged());
    EXPECT_EQ(History().Count(), 1);

    // An Open that fails to load keeps the project, its flag and history,
    // and says why in a message box.
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    script_.QueueFile(scratch_ / "Missing.tarn");
    Keys(Qt::Key_O);
    EXPECT_EQ(Prompts(), 2u);
    EXPECT_EQ(script_.Texts().back(), "The project could not be opened.\n\nerror: '" +
                                          (scratch_ / "Missing.tarn").string() +
                                          "' could not be read: No such file or directory");
    EXPECT_EQ(Current(), first);
    EXPECT_TRUE(History().IsChanged());
    EXPECT_EQ(History().Count(), 1);

    // Don't Save: a new project with a clean history.
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    Keys(Qt::Key_N);
    EXPECT_NE(Current(), nullptr);
    EXPECT_NE(Current(), first);
    EXPECT_FALSE(History().IsChanged());
    EXPECT_EQ(History().Count(), 0);
    EXPECT_EQ(Current()->Nodes().Count(), 1); // the Master alone

    // Nothing changed: no question at all.
    Keys(Qt::Key_N);
    EXPECT_EQ(Prompts(), 3u);
}

TEST_F(ProjectCommandsWindowTest, SavingANeverSavedProjectAsksForANameAndOpenBringsItBack) {
    Change();
    const std::filesystem::path song = scratch_ / "Song.tarn";
    // The first save of a project asks for its name.
    script_.QueueFile(song);
    Keys(Qt::Key_S);
    ASSERT_TRUE(std::filesystem::exists(song));
    EXPECT_EQ(Current()->filePath, song.string());
    EXPECT_FALSE(History().IsChanged());
    EXPECT_EQ(window_->windowTitle().toStdString(), "Song.tarn - Tarn Studio");

    // Later saves go to that file without asking, and clear the flag.
    Change();
    EXPECT_EQ(window_->windowTitle().toStdString(), "*Song.tarn - Tarn Studio");
    Keys(Qt::Key_S);
    EXPECT_EQ(window_->windowTitle().toStdString(), "Song.tarn - Tarn Studio");
    EXPECT_FALSE(History().IsChanged());
    EXPECT_EQ(History().Count(), 1); // still undoable

    // Save As under a name that cannot be written keeps the flag set.
    Change();
    script_.QueueFile(scratch_ / "No/Such/Folder/Song.tarn");
    Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(History().IsChanged());
    EXPECT_EQ(Current()->filePath, song.string());

    // Save in the prompt saves, then the file opens in place of the project.
    Project* before = Current();
    script_.QueueAnswer(MessageBoxAnswer::kYes);
    script_.QueueFile(song);
    Keys(Qt::Key_O);
    EXPECT_NE(Current(), before);
    EXPECT_EQ(Current()->filePath, song.string());
    EXPECT_FALSE(History().IsChanged());
    EXPECT_EQ(History().Count(), 0);
}

TEST_F(ProjectCommandsWindowTest, ExitAsksFirstAndClosingTheWindowIsExit) {
    Change();
    script_.QueueAnswer(MessageBoxAnswer::kCancel);
    Keys(Qt::Key_Q);
    EXPECT_FALSE(studio_->Ended());
    EXPECT_TRUE(window_->isVisible());

    script_.QueueAnswer(MessageBoxAnswer::kCancel);
    EXPECT_FALSE(window_->close());
    EXPECT_FALSE(studio_->Ended());

    script_.QueueAnswer(MessageBoxAnswer::kNo);
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(studio_->Ended());
    EXPECT_EQ(Prompts(), 3u);
    EXPECT_EQ(studio_->Run(), 0); // the loop does not start again
}

} // namespace
} // namespace tarn
