#pragma once

#include <QSplashScreen>

#include <memory>

namespace tarn {

struct Skin;

// The picture shown while the studio starts ("Data/splash.tga" under the
// application directory), with the studio's name and the start-up step
// under way written over it, so a slow start shows where it is. Closed
// once the main window shows, or with start-up's failure exit. GUI thread
// only.
class SplashWindow final : public QSplashScreen {
public:
    static constexpr const char* kImage = "Data/splash.tga";

    // Null, after a warning line, when the picture cannot be read: the
    // studio starts without one.
    static std::unique_ptr<SplashWindow> Open();

    // Shows text as the step under way and draws it at once, as start-up
    // gives the event loop no time until the main window shows.
    void ShowStep(const QString& text);
    const QString& Step() const { return step_; }

protected:
    void drawContents(QPainter* painter) override;

private:
    explicit SplashWindow(const QPixmap& picture);

    QString step_;
};

} // namespace tarn
