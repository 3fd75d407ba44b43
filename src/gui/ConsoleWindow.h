#pragma once

#include "base/ConsoleFeed.h"

#include <QDockWidget>

class QLineEdit;
class QListWidget;

namespace tarn {

struct Skin;

// The console tool window: every line the studio wrote, errors and
// warnings in their own colours, narrowed to the lines holding a filter
// text. Takes new lines from the feed a few times a second. GUI thread.
class ConsoleWindow final : public QDockWidget {
public:
    ConsoleWindow(const ConsoleFeed& feed, const Skin& skin, QWidget* parent = nullptr);

    // Takes the lines that came since the last call.
    void TakeLines();
    // The lines shown (those the filter lets through).
    QStringList ShownLines() const;

private:
    void ApplyFilter();

    const ConsoleFeed& feed_;
    const Skin& skin_;
    std::size_t next_ = 0;
    QLineEdit* filter_;
    QListWidget* lines_;
};

} // namespace tarn
