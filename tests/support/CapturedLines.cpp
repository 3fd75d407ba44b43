#include "support/CapturedLines.h"

#include "base/MessagePipe.h"

namespace tarn::test {

CapturedLines::CapturedLines() {
    MessageOut().RegisterReceiver(this, &CapturedLines::Receive, kMessageLine);
    ErrorOut().RegisterReceiver(this, &CapturedLines::Receive, kErrorLine);
    WarningOut().RegisterReceiver(this, &CapturedLines::Receive, kWarningLine);
}

CapturedLines::~CapturedLines() {
    MessageOut().UnregisterReceiver(this);
    ErrorOut().UnregisterReceiver(this);
    WarningOut().UnregisterReceiver(this);
}

std::vector<std::string> CapturedLines::Of(int kind) const {
    std::lock_guard guard(lock_);
    std::vector<std::string> texts;
    for (const auto& [lineKind, text] : lines_) {
        if (lineKind == kind) {
            texts.push_back(text);
        }
    }
    return texts;
}

void CapturedLines::Receive(void* self, int kind, const std::string& text) {
    auto* captured = static_cast<CapturedLines*>(self);
    std::lock_guard guard(captured->lock_);
    captured->lines_.emplace_back(kind, text);
}

} // namespace tarn::test
