// The core page's answers about measured views, through a core view on the scripted engine: only
// the observer of the ID hears, only "1" is visible, made-up IDs and storms cost nothing, and an
// observer that has gone is never called.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/render/AdViewTestBed.h"

namespace {

struct Observer : DZZadavaDuruObserver {
    void adViewDidStopZadavaDuruMonitoring() override { heard->push_back("stop"); }
    void adViewDidChangeZadavaDuruVisibility(bool visible) override {
        heard->push_back(visible ? "visible" : "hidden");
    }
    std::shared_ptr<std::vector<std::string>> heard = std::make_shared<std::vector<std::string>>();
};

class ZadavaDuruCore : public ::testing::Test {
  protected:
    void SetUp() override {
        view_->refreshSDKCoreAndNotifyObserver(nullptr);
        bed_.runUntilIdle();
        ASSERT_EQ(bed_.engine().url(), DZSDKCoreWebView::pageURL());
        bed_.engine().finishLoad();
        bed_.runUntilIdle();
        view_->setZadavaDuruObserver(first_, 1);
        view_->setZadavaDuruObserver(second_, 2);
    }
    void pageSends(const std::string& message) {
        bed_.engine().navigate("amsg://core/" + message);
        bed_.runUntilIdle();
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZSDKCoreWebView> view_ = DZSDKCoreWebView::create();
    std::shared_ptr<Observer> first_ = std::make_shared<Observer>();
    std::shared_ptr<Observer> second_ = std::make_shared<Observer>();
};

}  // namespace

TEST_F(ZadavaDuruCore, VisibilityReachesOnlyTheObserverOfTheIDAndOnlyOneIsVisible) {
    pageSends("visibilityChanged?hashCode=1&isVisible=1");
    pageSends("visibilityChanged?hashCode=1&isVisible=true");
    pageSends("visibilityChanged?hashCode=2&isVisible=0");
    EXPECT_EQ(*first_->heard, (std::vector<std::string>{"visible", "hidden"}));
    EXPECT_EQ(*second_->heard, (std::vector<std::string>{"hidden"}));

    // IDs of no observer, IDs that are not plain decimal numbers, and missing parameters.
    for (const char* bad :
         {"visibilityChanged?hashCode=99&isVisible=1", "visibilityChanged?hashCode=-1&isVisible=1",
          "visibilityChanged?hashCode=1.0&isVisible=1", "visibilityChanged?hashCode=+1&isVisible=1",
          "visibilityChanged?hashCode=4294967297&isVisible=1", "visibilityChanged?isVisible=1",
          "visibilityChanged?hashCode=1", "untrackZadavaDuruUnit?hashCode=x1", "untrackZadavaDuruUnit"})
        pageSends(bad);
    EXPECT_EQ(first_->heard->size(), 2u);
    EXPECT_EQ(second_->heard->size(), 1u);
    EXPECT_TRUE(view_->isZadavaDuruRunning());
}

TEST_F(ZadavaDuruCore, AStormReachesTheObserverAsItsLastValue) {
    for (int i = 0; i < 1000; ++i)
        bed_.engine().navigate(std::string("amsg://core/visibilityChanged?hashCode=2&isVisible=") +
                               (i % 2 ? "0" : "1"));
    for (int i = 0; i < 1000; ++i) bed_.engine().navigate("amsg://core/untrackZadavaDuruUnit?hashCode=1");
    bed_.runUntilIdle();
    EXPECT_EQ(*second_->heard, (std::vector<std::string>{"hidden"}));
    EXPECT_EQ(*first_->heard, (std::vector<std::string>{"stop"}));
}

TEST_F(ZadavaDuruCore, UntrackEndsTheIDAndAnObserverGoneMeanwhileIsNotCalled) {
    pageSends("untrackZadavaDuruUnit?hashCode=1");
    EXPECT_EQ(*first_->heard, (std::vector<std::string>{"stop"}));
    pageSends("visibilityChanged?hashCode=1&isVisible=1");
    EXPECT_EQ(first_->heard->size(), 1u);
    EXPECT_TRUE(view_->isZadavaDuruRunning());  // ID 2 still measures

    // The observer lets go within the same turn as the page's messages.
    auto heard = second_->heard;
    bed_.engine().navigate("amsg://core/visibilityChanged?hashCode=2&isVisible=1");
    bed_.engine().navigate("amsg://core/untrackZadavaDuruUnit?hashCode=2");
    std::weak_ptr<Observer> gone = second_;
    second_.reset();
    bed_.runUntilIdle();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(heard->empty());
    EXPECT_FALSE(view_->isZadavaDuruRunning());

    // An ID whose observer the slot removed is still ended by the page.
    view_->setZadavaDuruObserver(first_, 3);
    view_->removeZadavaDuruObserverForZadavaDuruID(3);
    EXPECT_TRUE(view_->isZadavaDuruRunning());
    pageSends("untrackZadavaDuruUnit?hashCode=3");
    EXPECT_FALSE(view_->isZadavaDuruRunning());
}
