#pragma once

#include <QWidget>

namespace tarn {

class CGUINodeAnalyzeControl;
class Studio;

// The node analyzer's frame ("Analyze machine"): a window of 300 x 300
// holding the analyzer control, titled after the Node. It closes (and is
// deleted) when the user closes it or when its Node is gone. GUI thread
// only.
class CGUINodeAnalyzeWnd final : public QWidget {
public:
    CGUINodeAnalyzeWnd(Studio& studio, int nodeId, const QString& nodeName,
                       QWidget* parent = nullptr);

    CGUINodeAnalyzeControl& Control() { return *control_; }

private:
    CGUINodeAnalyzeControl* control_;
};

} // namespace tarn
