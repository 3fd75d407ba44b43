#include "gui/ConsoleWindow.h"

#include "base/MessagePipe.h"
#include "gui/Skin.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tarn {
namespace {

constexpr int kRefreshMilliseconds = 200;

bool FilteredOut(const QListWidgetItem& item, const QString& filter) {
    return !filter.isEmpty() && !item.text().contains(filter, Qt::CaseInsensitive);
}

} // namespace

ConsoleWindow::ConsoleWindow(const ConsoleFeed& feed, const Skin& skin, QWidget* parent)
    : QDockWidget(tr("Console"), parent), feed_(feed), skin_(skin) {
    setObjectName("Console");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    filter_ = new QLineEdit(body);
    filter_->setPlaceholderText(tr("Filter"));
    filter_->setClearButtonEnabled(true);
    lines_ = new QListWidget(body);
    lines_->setUniformItemSizes(true);
    lines_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(filter_);
    layout->addWidget(lines_);
    setWidget(body);
    connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { TakeLines(); });
    timer->start(kRefreshMilliseconds);
    TakeLines();
}

void ConsoleWindow::TakeLines() {
    std::vector<ConsoleEntry> taken;
    next_ = feed_.Take(next_, taken);
    if (taken.empty()) {
        return;
    }
    const QString filter = filter_->text();
    for (const ConsoleEntry& entry : taken) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry.text), lines_);
        if (entry.kind == kErrorLine) {
            item->setForeground(skin_.meterHot);
        } else if (entry.kind == kWarningLine) {
            item->setForeground(skin_.highlight);
        }
        item->setHidden(FilteredOut(*item, filter));
    }
    while (lines_->count() > static_cast<int>(ConsoleFeed::kMaxLines)) {
        delete lines_->takeItem(0);
    }
    lines_->scrollToBottom();
}

void ConsoleWindow::ApplyFilter() {
    const QString filter = filter_->text();
    for (int row = 0; row < lines_->count(); ++row) {
        lines_->item(row)->setHidden(FilteredOut(*lines_->item(row), filter));
    }
}

QStringList ConsoleWindow::ShownLines() const {
    QStringList shown;
    for (int row = 0; row < lines_->count(); ++row) {
        if (!lines_->item(row)->isHidden()) {
            shown.push_back(lines_->item(row)->text());
        }
    }
    return shown;
}

} // namespace tarn
