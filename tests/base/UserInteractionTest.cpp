#include "base/UserInteraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(UserInteraction, TheScriptAnswersInOrderThenWithTheFirstButton) {
    ScriptedInteraction script;
    script.QueueAnswer(MessageBoxAnswer::kCancel);
    script.QueueAnswer(MessageBoxAnswer::kNo);
    EXPECT_EQ(script.ShowMessage(kStudioCaption, "one", MessageBoxButtons::kYesNoCancel),
              MessageBoxAnswer::kCancel);
    EXPECT_EQ(script.ShowMessage(kStudioCaption, "two", MessageBoxButtons::kYesNo),
              MessageBoxAnswer::kNo);
    EXPECT_EQ(script.ShowMessage(kStudioCaption, "three", MessageBoxButtons::kYesNoCancel),
              MessageBoxAnswer::kYes);
    EXPECT_EQ(script.ShowMessage(kStudioCaption, "four", MessageBoxButtons::kOk),
              MessageBoxAnswer::kOk);
    EXPECT_EQ(script.Texts(), (std::vector<std::string>{"one", "two", "three", "four"}));

    // The process-wide interaction is the installed one until null puts
    // the headless one back.
    UserInteraction& headless = CurrentInteraction();
    SetCurrentInteraction(&script);
    EXPECT_EQ(&CurrentInteraction(), &script);
    SetCurrentInteraction(nullptr);
    EXPECT_EQ(&CurrentInteraction(), &headless);
}

} // namespace
} // namespace tarn
