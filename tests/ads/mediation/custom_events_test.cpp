// The custom-event adapter: which names it makes, what the app's custom event is handed, how its
// calls reach the connector, and what a throwing or stopped custom event comes to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "ads/foundation/AdsTestHome.h"
#include "ads/mediation/DZCustomEventExtras.h"
#include "ads/mediation/DZCustomEventRequest.h"
#include "ads/mediation/DZMAdapterCustomEvents.h"
#include "ads/mediation/DZMBuiltInAdapters.h"
#include "ads/mediation/FakeConnector.h"

using testing::ElementsAre;
using tikoleap::test::FakeConnector;

namespace {

// Answers as its parameter says: "fill", "fail", "throw", anything else nothing.
struct TestBanner : DZCustomEventBanner {
    void requestBannerAd(DZAdSize, const std::optional<std::string>& parameter,
                         const std::optional<std::string>& label,
                         const std::shared_ptr<DZCustomEventRequest>& request) override {
        seenParameter = parameter;
        seenLabel = label;
        seenRequest = request;
        if (parameter == "throw") throw std::runtime_error("network library broke");
        auto delegate = DZCustomEventBanner::delegate();
        if (!delegate) return;
        if (parameter == "fill")
            delegate->customEventBannerDidReceiveAd(*this, std::make_shared<platform::ui::View>());
        if (parameter == "fail")
            delegate->customEventBannerDidFailAd(*this, std::make_shared<platform::Error>("network", 7));
    }
    std::optional<std::string> seenParameter, seenLabel;
    std::shared_ptr<DZCustomEventRequest> seenRequest;
};

struct TestNative : DZCustomEventNativeAd {
    void requestNativeAd(const std::optional<std::string>&, const std::shared_ptr<DZCustomEventRequest>&,
                         const std::vector<std::string>& adTypes, const std::vector<nlohmann::json>&,
                         const std::shared_ptr<platform::ui::ViewController>&) override {
        seenTypes = adTypes;
    }
    std::vector<std::string> seenTypes;
};

class CustomEvents : public ::testing::Test {
  protected:
    void SetUp() override {
        DZMBuiltInAdapters::registerAll();
        auto& registry = platform::ClassRegistry::shared();
        registry.registerClass("TestBannerEvent", {DZCustomEvent::kBannerKind}, [this] {
            banner = std::make_shared<TestBanner>();
            return std::static_pointer_cast<void>(std::shared_ptr<DZCustomEvent>(banner));
        });
        registry.registerClass("TestNativeEvent", {DZCustomEvent::kNativeAdKind}, [this] {
            native = std::make_shared<TestNative>();
            return std::static_pointer_cast<void>(std::shared_ptr<DZCustomEvent>(native));
        });
        // A class of the app that is no custom event: a response naming it must not make it.
        registry.registerClass("AppSecret", {DZMAdNetworkAdapter::kAdapterKind}, [this] {
            ++secretsMade;
            return std::make_shared<int>(0);
        });
        adapter = FakeConnector::adapterNamed(DZMAdapterCustomEvents::kClassName, connector);
        ASSERT_TRUE(adapter);
    }
    void TearDown() override {
        for (const char* name : {"TestBannerEvent", "TestNativeEvent", "AppSecret"})
            platform::ClassRegistry::shared().unregisterClass(name);
    }
    std::string lastMessage() const {
        return connector->lastError ? connector->lastError->localizedDescription() : std::string();
    }

    tikoleap::test::AdsTestHome home;
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    std::shared_ptr<DZMAdNetworkAdapter> adapter;
    std::shared_ptr<TestBanner> banner;
    std::shared_ptr<TestNative> native;
    int secretsMade = 0;
};

}  // namespace

TEST_F(CustomEvents, TheCustomEventGetsItsParameterLabelAndExtrasAndSpeaksAsTheAdapter) {
    auto extras = std::make_shared<DZCustomEventExtras>();
    extras->setExtras(nlohmann::json{{"tint", "blue"}}, "a");
    extras->setExtras(nlohmann::json{{"tint", "red"}}, "b");
    connector->extras = extras;
    connector->testing = true;
    connector->credentialsObject = {{"class_name", "TestBannerEvent"}, {"parameter", "fill"}, {"label", "a"}};
    adapter->getBannerWithSize(kDZAdSizeBanner);
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->seenParameter, "fill");
    EXPECT_EQ(banner->seenLabel, "a");
    ASSERT_TRUE(banner->seenRequest);
    EXPECT_EQ(banner->seenRequest->additionalParameters(), (nlohmann::json{{"tint", "blue"}}));
    EXPECT_TRUE(banner->seenRequest->isTesting());
    // Location the connector withholds is withheld from the custom event too.
    EXPECT_FALSE(banner->seenRequest->userHasLocation());
    EXPECT_EQ(banner->seenRequest->userLatitude(), 0);
    EXPECT_FALSE(banner->seenRequest->userLocationDescription());

    auto delegate = banner->DZCustomEventBanner::delegate();
    ASSERT_TRUE(delegate);
    delegate->customEventBannerWasClicked(*banner);
    delegate->customEventBannerClickDidOccurInAd(*banner, nullptr);
    delegate->customEventBannerWillPresentModal(*banner);
    delegate->customEventBannerWillLeaveApplication(*banner);
    EXPECT_THAT(connector->calls(), ElementsAre("view", "click", "click", "willPresentModal", "leave"));

    // Without a label there are no extras; a failure goes on as the custom event gave it.
    connector->clear();
    connector->hasLocation = true;
    connector->credentialsObject = {{"class_name", "TestBannerEvent"}, {"parameter", "fail"}};
    adapter->getBannerWithSize(kDZAdSizeBanner);
    EXPECT_FALSE(banner->seenRequest->additionalParameters());
    EXPECT_EQ(banner->seenRequest->userLocationDescription(), "Tübingen");
    EXPECT_THAT(connector->calls(), ElementsAre("fail:network:7"));
}

TEST_F(CustomEvents, OnlyRegisteredCustomEventsOfTheRightKindAreMade) {
    const auto failure = [&](nlohmann::json credentials) {
        connector->clear();
        connector->credentialsObject = std::move(credentials);
        adapter->getBannerWithSize(kDZAdSizeBanner);
        EXPECT_THAT(connector->calls(), ElementsAre("fail:ad_mediation:1"));
        return lastMessage();
    };
    EXPECT_EQ(failure(nlohmann::json::object()), "No class name for the Custom Event.");
    EXPECT_EQ(failure({{"class_name", 42}}), "No class name for the Custom Event.");
    EXPECT_EQ(failure({{"class_name", "Nowhere"}}), "Cannot find Custom Event class named Nowhere.");
    EXPECT_EQ(failure({{"class_name", "AppSecret"}}), "Cannot find Custom Event class named AppSecret.");
    EXPECT_EQ(secretsMade, 0);
    EXPECT_EQ(failure({{"class_name", "TestNativeEvent"}}),
              "Custom Event class TestNativeEvent does not conform to the DZCustomEventBanner protocol.");
    connector->clear();
    adapter->getInterstitial();
    EXPECT_EQ(
        lastMessage(),
        "Custom Event class TestNativeEvent does not conform to the DZCustomEventInterstitial protocol.");
}

TEST_F(CustomEvents, AThrowingCustomEventFailsTheRequestNotTheApp) {
    connector->credentialsObject = {{"class_name", "TestBannerEvent"}, {"parameter", "throw"}};
    EXPECT_NO_THROW(adapter->getBannerWithSize(kDZAdSizeBanner));
    EXPECT_THAT(connector->calls(), ElementsAre("fail:ad_mediation:2"));
}

TEST_F(CustomEvents, OnceStoppedNoCustomEventReachesTheConnectorNativeIncluded) {
    connector->credentialsObject = {{"class_name", "TestNativeEvent"}};
    EXPECT_TRUE(adapter->getNativeAdWithAdTypes({"app_install"}, {}));
    ASSERT_TRUE(native);
    EXPECT_THAT(native->seenTypes, ElementsAre("app_install"));
    auto delegate = native->DZCustomEventNativeAd::delegate();
    ASSERT_TRUE(delegate);
    // Answers may come from the custom event's own thread.
    std::thread([&] { delegate->customEventNativeAdDidReceiveMediatedNativeAd(*native, nullptr); }).join();
    EXPECT_THAT(connector->calls(), ElementsAre("native"));

    adapter->stopBeingDelegate();
    EXPECT_FALSE(native->DZCustomEventNativeAd::delegate());
    delegate->customEventNativeAdDidFailToLoad(*native, nullptr);
    EXPECT_THAT(connector->calls(), ElementsAre("native"));
}

TEST_F(CustomEvents, ANativeAdForAnotherKindOfRequestIsRefused) {
    connector->credentialsObject = {{"class_name", "TestBannerEvent"}, {"parameter", "none"}};
    adapter->getBannerWithSize(kDZAdSizeBanner);
    auto custom = std::dynamic_pointer_cast<DZMAdapterCustomEvents>(adapter);
    ASSERT_TRUE(custom);
    TestNative stray;
    custom->customEventNativeAdDidReceiveMediatedNativeAd(stray, nullptr);
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:11"));
}

TEST(CustomEventExtras, ExtrasNeedALabelAndNothingRemovesThem) {
    tikoleap::test::AdsTestHome home;
    DZCustomEventExtras extras;
    extras.setExtras(nlohmann::json{{"k", 1}}, std::nullopt);
    EXPECT_TRUE(extras.allExtras().empty());
    extras.setExtras(nlohmann::json{{"k", 1}}, "a");
    EXPECT_EQ(extras.extrasForLabel("a"), (nlohmann::json{{"k", 1}}));
    EXPECT_FALSE(extras.extrasForLabel("b"));
    extras.setExtras(std::nullopt, "a");
    EXPECT_FALSE(extras.extrasForLabel("a"));
}
