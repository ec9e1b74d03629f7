#pragma once
// The general pasteboard: text the user copies out of the game. The text is always kept here, in
// memory, and that is what string() answers. Where the desktop clipboard is switched on (the
// window's run does it) and GTK runs on the main loop's context (the web engine starts it), a copy
// is also offered to the desktop: GTK takes the text and answers other programs' pastes from the
// main loop, so nothing here ever waits on another program. The desktop's own clipboard is never
// read back: that would wait on whichever program owns it. Main thread only.
#include <optional>
#include <string>

namespace platform {

class Pasteboard {
  public:
    static Pasteboard& general();

    void setString(const std::string& text);
    // The text copied last; nothing before any copy.
    const std::optional<std::string>& string() const { return text_; }

    // Whether copies also go to the desktop clipboard; off until switched on.
    void setUsesDesktopClipboard(bool uses) { usesDesktop_ = uses; }
    bool usesDesktopClipboard() const { return usesDesktop_; }
    // Whether the last copy reached the desktop clipboard.
    bool lastCopyReachedDesktop() const { return reachedDesktop_; }

  private:
    std::optional<std::string> text_;
    bool usesDesktop_ = false;
    bool reachedDesktop_ = false;
};

}  // namespace platform
