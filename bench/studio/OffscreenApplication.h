#pragma once

#include <QApplication>

namespace tarn {

// The benchmark binary's one QApplication, on the offscreen platform so the
// windows need no display; made by the first benchmark that needs it.
inline void EnsureOffscreenApplication() {
    static int argc = 1;
    static char name[] = "tarn-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* made = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return made;
    }();
    (void)application;
}

} // namespace tarn
