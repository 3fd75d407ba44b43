#include "gui/SplashWindow.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

#include <QApplication>
#include <QPainter>

namespace tarn {

std::unique_ptr<SplashWindow> SplashWindow::Open() {
    const QString path = QString::fromStdString(AppPath(kImage).string());
    QPixmap picture;
    if (!picture.load(path)) {
        WarningOut() << "warning: the splash picture " << path.toStdString() << " cannot be read"
                     << eol;
        return nullptr;
    }
    return std::unique_ptr<SplashWindow>(new SplashWindow(picture));
}

SplashWindow::SplashWindow(const QPixmap& picture) : QSplashScreen(picture) {
    setObjectName("Splash");
}

void SplashWindow::ShowStep(const QString& text) {
    step_ = text;
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashWindow::drawContents(QPainter* painter) {
    const QRect area = rect().adjusted(24, 20, -24, -16);
    QFont title = painter->font();
    title.setPointSize(26);
    title.setBold(true);
    painter->setFont(title);
    painter->setPen(QColor(0xec, 0xef, 0xf4));
    painter->drawText(area, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Tarn Studio"));
    QFont small = painter->font();
    small.setPointSize(9);
    small.setBold(false);
    painter->setFont(small);
    painter->setPen(QColor(0x8f, 0x99, 0xa8));
    painter->drawText(area.adjusted(2, 44, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      QStringLiteral("version " TARN_VERSION));
    painter->drawText(area, Qt::AlignLeft | Qt::AlignBottom, step_);
}

} // namespace tarn
