#include "gui/CGUINodeAnalyzeWnd.h"

#include "gui/CGUINodeAnalyzeControl.h"

#include <QVBoxLayout>

namespace tarn {

CGUINodeAnalyzeWnd::CGUINodeAnalyzeWnd(Studio& studio, int nodeId, const QString& nodeName,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window), control_(new CGUINodeAnalyzeControl(studio, nodeId, this)) {
    setObjectName("NodeAnalyzerWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Analyze %1").arg(nodeName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(control_);
    resize(300, 300);
}

} // namespace tarn
