#pragma once

namespace tarn {

// What the engine and the editors tell the main window; the numbers are
// those of the studio's private window messages.
enum StudioNotice : int {
    kNoticeSwitchMainView = 0x800C, // value: the view (2, 1 or 7)
    kNoticeExit = 0x800D,
    kNoticeProjectSwapped = 0x8096,
    kNoticeProjectSwapping = 0x8098,
    kNoticeSavedAs = 0x8099,
    kNoticePatternChanged = 0x809A,  // value: Node id, value2: pattern number
    kNoticeSequenceChanged = 0x809B, // a sequence edit was undone or redone
    kNoticeMachinesChanged = 0x809C, // machines were made, deleted, put back or renamed
};

// The main window's side of those notices. The GUI installs one that posts
// them to its event loop; headless runs leave none installed and the
// notices go nowhere. Sent on the GUI thread, never with the project lock
// held, so an observer may take the lock to read the project.
class StudioObserver {
public:
    virtual ~StudioObserver() = default;
    virtual void Notice(int notice, int value, int value2) = 0;
};

// The installed object must outlive its installation; null uninstalls.
void SetStudioObserver(StudioObserver* observer) noexcept;
void NotifyStudio(int notice, int value = 0, int value2 = 0);

} // namespace tarn
