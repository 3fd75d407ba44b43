#pragma once

#include "cli/Command.h"

namespace tarn {

// `tarn studio [PROJECT]`, also what `tarn` alone runs: the studio's main
// window, opening PROJECT when one is named. Where no display can be
// reached it says so in one line, pointing to the command-line commands,
// and fails.
Command AddStudioCommand(CommandParser& app);

// Whether a window could be shown: a display server to talk to, or a
// platform chosen for Qt (offscreen, say).
bool DisplayAvailable();

} // namespace tarn
