#pragma once

// Include after the test framework, whose names Xlib's macros (None, ...)
// would replace.
#include <X11/Xlib.h>

#include <vector>

namespace tarn::test {

// The windows directly inside parent.
inline std::vector<Window> Children(::Display* display, Window parent) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, parent, &root, &up, &children, &count) != 0) {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

} // namespace tarn::test
