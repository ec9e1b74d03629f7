// The overlay view between an ad page and the page it lays over it, on the scripted engine: what
// it loads, which messages it follows, and the "id" its relays carry.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AdViewTestBed.h"
#include "PageMessages.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZOverlayView.h"

using platform::web::FakeWebEngine;

namespace {

class Overlay : public ::testing::Test {
  protected:
    Overlay() { overlay_->setAdView(main_); }
    // The page `from` sends a message no handler takes.
    void send(const std::shared_ptr<DZAdView>& from, const std::string& name,
              DZNotification::Parameters parameters) {
        delegate_->didNotHandleMessage(DZNotification::create(name, std::move(parameters)), from);
        bed_.runUntilIdle();
    }
    static FakeWebEngine& engine(const DZAdView& view) { return static_cast<FakeWebEngine&>(*view.engine()); }
    // The last message `view`'s page received, as "name {json}".
    static std::string last(const DZAdView& view) {
        const auto messages = tikoleap::test::pageMessages(view);
        return messages.empty() ? "" : messages.back().first + " " + messages.back().second.dump();
    }
    static std::size_t count(const DZAdView& view) { return tikoleap::test::pageMessages(view).size(); }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZAdViewDelegate> delegate_ = DZAdViewDelegate::create();
    std::shared_ptr<DZAdView> main_ = DZAdView::create({0, 0, 320, 50});
    std::shared_ptr<DZAdView> other_ = DZAdView::create({0, 0, 320, 50});
    std::shared_ptr<DZOverlayView> overlay_ = DZOverlayView::create({0, 0, 320, 480});
};

}  // namespace

TEST_F(Overlay, RelaysCarryTheLoadedPagesIdUnlessTheyHaveOne) {
    // A message before any page makes an empty one and reaches it.
    send(main_, "sendMessageToNativeJs", {{"k", "early"}});
    auto page = overlay_->overlayView();
    ASSERT_TRUE(page);
    EXPECT_EQ(last(*page), R"(sendMessageToSdk {"k":"early"})");

    send(main_, "loadHtml",
         {{"overlayHtml", "<p>over</p>"}, {"baseUrl", "https://ad.example/"}, {"id", "x"}});
    ASSERT_EQ(overlay_->overlayView(), page);
    EXPECT_EQ(engine(*page).loadCalls().back().content, "<p>over</p>");
    engine(*page).finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(last(*main_), R"(sendMessageToNativeJs {"id":"x","messageType":"htmlLoaded"})");

    send(page, "sendMessageToSdk", {{"k", "v"}});
    EXPECT_EQ(last(*main_), R"(sendMessageToNativeJs {"id":"x","k":"v"})");
    send(page, "sendMessageToSdk", {{"k", "v"}, {"id", "own"}});
    EXPECT_EQ(last(*main_), R"(sendMessageToNativeJs {"id":"own","k":"v"})");
    send(main_, "sendMessageToNativeJs", {{"a", "1"}});
    EXPECT_EQ(last(*page), R"(sendMessageToSdk {"a":"1"})");

    // A failed page takes its id along.
    send(main_, "loadHtml", {{"overlayHtml", "<p>next</p>"}, {"id", "z"}});
    EXPECT_EQ(engine(*page).loadCalls().back().baseUrl, "about:blank");
    engine(*page).failLoad({"web", 1, "gone", "about:blank"});
    bed_.runUntilIdle();
    send(page, "sendMessageToSdk", {{"k", "w"}});
    EXPECT_EQ(last(*main_), R"(sendMessageToNativeJs {"k":"w"})");
    EXPECT_FALSE(overlay_->overlayIdentifier());
}

TEST_F(Overlay, ShowsHidesAndLoadsOnlyWhatItsOwnPagesAskFor) {
    EXPECT_TRUE(overlay_->isHidden());
    send(other_, "showOverlay", {});
    send(other_, "loadHtml", {{"overlayHtml", "<p/>"}});
    EXPECT_TRUE(overlay_->isHidden());
    EXPECT_FALSE(overlay_->overlayView());

    // Without the page, or with a base that is no web or about address: nothing loads.
    send(main_, "loadHtml", {{"baseUrl", "https://ad.example/"}});
    send(main_, "loadHtml", {{"overlayHtml", "<p/>"}, {"baseUrl", "file:///etc/"}});
    EXPECT_FALSE(overlay_->overlayView());

    send(main_, "showOverlay", {});
    EXPECT_FALSE(overlay_->isHidden());
    send(main_, "loadHtml", {{"overlayHtml", "<p/>"}, {"baseUrl", "about:blank"}});
    auto page = overlay_->overlayView();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->superview(), overlay_);
    send(page, "hideOverlay", {});
    EXPECT_TRUE(overlay_->isHidden());
    send(main_, "showOverlay", {});
    send(main_, "hideOverlay", {});
    EXPECT_TRUE(overlay_->isHidden());

    // A new main ad view: the old page goes, and the old view is no longer followed.
    overlay_->setAdView(other_);
    EXPECT_FALSE(overlay_->overlayView());
    EXPECT_FALSE(page->superview());
    const std::size_t before = count(*page);
    send(main_, "sendMessageToNativeJs", {{"k", "v"}});
    EXPECT_EQ(count(*page), before);
    EXPECT_FALSE(overlay_->overlayView());
    send(other_, "sendMessageToNativeJs", {{"k", "v"}});
    ASSERT_TRUE(overlay_->overlayView());

    // Each overlay page is a page of its own, with its own budgets: one page of the ad loads a few.
    auto overlayPage = overlay_->overlayView();
    const std::uint64_t loadsBefore = overlayPage->hostLoadCount();
    for (int i = 0; i < DZPageAllowance::kMaxOverlayLoads + 3; ++i)
        send(other_, "loadHtml", {{"overlayHtml", "<p/>"}, {"baseUrl", "about:blank"}});
    EXPECT_EQ(overlayPage->hostLoadCount() - loadsBefore,
              static_cast<std::uint64_t>(DZPageAllowance::kMaxOverlayLoads));
}
