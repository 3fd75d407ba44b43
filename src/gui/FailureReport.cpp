#include "gui/FailureReport.h"

#include "base/ConsoleFeed.h"
#include "base/UserInteraction.h"

namespace tarn {

bool RunReported(const ConsoleFeed& feed, const std::string& failure,
                 const std::function<bool()>& command) {
    const std::size_t from = feed.End();
    const bool done = command();
    if (!done) {
        const std::string reason = feed.FirstError(from);
        if (!reason.empty()) {
            CurrentInteraction().ShowMessage(kStudioCaption, failure + "\n\n" + reason,
                                             MessageBoxButtons::kOk);
        }
    }
    return done;
}

} // namespace tarn
