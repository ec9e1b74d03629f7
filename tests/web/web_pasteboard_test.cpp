// The general pasteboard where GTK runs: a copy takes the desktop clipboard only when switched on.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

#include "WebTestKit.h"
#include "platform/pasteboard/Pasteboard.h"

TEST(WebPasteboard, ACopyReachesTheDesktopClipboardOnlyWhenSwitchedOn) {
    webtest::host();  // starts GTK
    auto& board = platform::Pasteboard::general();
    board.setString("kept here");
    EXPECT_FALSE(board.lastCopyReachedDesktop());

    const std::string text = "creative 42 \xC3\xA9";
    board.setUsesDesktopClipboard(true);
    board.setString(text);
    board.setUsesDesktopClipboard(false);
    EXPECT_TRUE(board.lastCopyReachedDesktop());
    EXPECT_EQ(board.string(), text);
    // This process owns the selection, so GTK answers at once.
    gchar* pasted = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(std::string(pasted), text);
    g_free(pasted);
}
