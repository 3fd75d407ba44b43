#pragma once

#include <filesystem>
#include <vector>

namespace tarn {

// Which plug-in libraries a studio process has in use, kept on the disk
// ("Config/Plugins.playing/<process id>") from before a plug-in's first
// work call until its clean stop, so that the next start can tell which
// libraries were playing when a process crashed. Off until enabled: the
// probe and the tests that host plug-ins directly leave no marks.

// Marks from now on; the studio's plug-in scan turns them on.
void EnablePlayingMarks();
// One more use of library; written to the disk before it returns.
void MarkPlaying(const std::filesystem::path& library);
// One use of library ended cleanly; the process's file goes with its last.
void UnmarkPlaying(const std::filesystem::path& library);
// The libraries that processes which ended without a clean stop had in
// use; their marks are removed.
std::vector<std::filesystem::path> TakeCrashedWhilePlaying();

} // namespace tarn
