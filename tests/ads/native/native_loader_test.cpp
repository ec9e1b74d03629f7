// The loader end to end on the scripted web engine: a native response through the support page
// into the delegate, the page's bad answers, an ad too large for the page to answer, an ad type
// not asked for, a load without types, and loads and releases that give every web view back.
#include <gtest/gtest.h>

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZAdPreprocessor.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/formats/native/DZNativeFormat.h"
#include "ads/native/NativeTestBed.h"
#include "platform/foundation/PercentEncoding.h"

using tikoleap::test::NativeTestBed;

namespace {

struct Receiver : DZNativeContentAdLoaderDelegate, DZNativeAppInstallAdLoaderDelegate {
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref& error) override {
        errors.push_back(error->code());
    }
    void adLoaderDidReceiveNativeContentAd(DZAdLoader&,
                                           const std::shared_ptr<DZNativeContentAd>& ad) override {
        content = ad;
    }
    void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader&,
                                              const std::shared_ptr<DZNativeAppInstallAd>& ad) override {
        appInstall = ad;
    }
    std::vector<long> errors;
    std::shared_ptr<DZNativeContentAd> content;
    std::shared_ptr<DZNativeAppInstallAd> appInstall;
};

struct ContentOnly : DZNativeContentAdLoaderDelegate {
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref&) override {}
    void adLoaderDidReceiveNativeContentAd(DZAdLoader&, const std::shared_ptr<DZNativeContentAd>&) override {}
};

class NativeLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override { DZNativeFormat::registerFormat(); }

    nlohmann::json ad(int templateID) const {
        return {{"type", "native"},
                {"template_id", templateID},
                {"headline", "Tiko Leap Deluxe"},
                {"call_to_action", "Install"},
                {"body", "Leap"},
                {"app_icon", {{"url", bed_.server().url("/img/icon.png")}}}};
    }
    // A native response handed to the loader's slot as a pre-fetched ad.
    std::shared_ptr<DZRequest> request(const nlohmann::json& answer) {
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters(
            {{"_ad", {{"ad_html", answer.dump()}, {"ad_base_url", bed_.server().url("/")}}},
             {"_adHeaders", {{"x-zazo-ad-format", "native"}, {"Content-Type", "application/json"}}}});
        request->registerAdNetworkExtras(extras);
        return request;
    }
    // The support page loads; true once the pre-processing call reached it.
    bool pageAsked() {
        return bed_.until([&] {
            auto& engine = bed_.views().engine();
            if (engine.isLoading()) engine.finishLoad();
            for (const auto& pending : engine.pendingScripts())
                if (pending.script.starts_with("rerive.zazo.nativeAds.preProcessJsonAmsg(")) return true;
            return false;
        });
    }
    void answer(const std::string& success) {
        bed_.views().engine().navigate("amsg://x/nativeAdPreProcess?success=" +
                                       platform::percentEncode(success, "", false));
    }

    mutable NativeTestBed bed_;
    std::shared_ptr<Receiver> receiver_ = std::make_shared<Receiver>();
};

}  // namespace

TEST_F(NativeLoaderTest, DelegatesAndTypesAreCheckedBeforeAnyLoad) {
    auto loader = DZAdLoader::create("unit", {}, {"1", "2"});
    auto partial = std::make_shared<ContentOnly>();
    EXPECT_FALSE(loader->setDelegate(partial));
    EXPECT_TRUE(loader->setDelegate(receiver_));
    EXPECT_FALSE(loader->setDelegate(partial));
    EXPECT_EQ(loader->delegate(), receiver_);

    auto unusable = DZAdLoader::create("unit", {}, {"1", "9"});
    unusable->setDelegate(receiver_);
    unusable->loadRequest(DZRequest::request());
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorInvalidRequest}));
    EXPECT_FALSE(unusable->slot()->isMakingRequest());
}

TEST_F(NativeLoaderTest, ANativeResponseReachesTheDelegateThroughTheSupportPage) {
    auto loader = DZAdLoader::create("unit", {}, {"1", "2"});
    loader->setDelegate(receiver_);
    auto response = nlohmann::json{{"ads", {ad(2)}}};
    loader->loadRequest(request(response));
    ASSERT_TRUE(pageAsked());
    const auto& script = bed_.views().engine().pendingScripts().back().script;
    EXPECT_NE(script.find(response.dump() + ", {\"sdk_version\":\"7.5.2\"})"), std::string::npos);
    answer(response.dump());
    ASSERT_TRUE(bed_.until([&] { return receiver_->appInstall || !receiver_->errors.empty(); }));
    ASSERT_TRUE(receiver_->appInstall);
    EXPECT_EQ(receiver_->appInstall->headline(), "Tiko Leap Deluxe");
    EXPECT_EQ(loader->nativeAdsLoading(), 0u);
    EXPECT_EQ(loader->preprocessorsInFlight(), 0u);
    EXPECT_TRUE(receiver_->errors.empty());
}

TEST_F(NativeLoaderTest, BadAnswersAndUnaskedTypesFailOnce) {
    auto loader = DZAdLoader::create("unit", {}, {"1"});
    loader->setDelegate(receiver_);
    // Type 2 on a loader asked for 1 only.
    loader->loadRequest(request({{"ads", {ad(2)}}}));
    ASSERT_TRUE(pageAsked());
    answer(nlohmann::json{{"ads", {ad(2)}}}.dump());
    answer(nlohmann::json{{"ads", {ad(1)}}}.dump());  // a second answer is not heard
    ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); }));
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorReceivedInvalidResponse}));

    // An answer that is no JSON object, or no JSON at all.
    for (const char* wrong : {"[1, 2]", "not json"}) {
        receiver_->errors.clear();
        loader->loadRequest(request({{"ads", {ad(1)}}}));
        ASSERT_TRUE(pageAsked()) << wrong;
        answer(wrong);
        ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); })) << wrong;
        bed_.runFor(std::chrono::milliseconds(100));
        EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorReceivedInvalidResponse})) << wrong;
    }

    // No answer: the time-out ends it, once, and the page goes with it.
    receiver_->errors.clear();
    loader->loadRequest(request({{"ads", {ad(1)}}}));
    ASSERT_TRUE(pageAsked());
    bed_.advance(DZAdPreprocessor::kTimeoutSeconds + 0.1);
    ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); }));
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorReceivedInvalidResponse}));
    EXPECT_FALSE(receiver_->content);
    EXPECT_EQ(loader->preprocessorsInFlight(), 0u);
}

TEST_F(NativeLoaderTest, AFailedAssetLoadLetsTheAdGo) {
    auto loader = DZAdLoader::create("unit", {}, {"2"});
    loader->setDelegate(receiver_);
    auto broken = ad(2);
    broken["app_icon"]["url"] = bed_.server().url("/missing.png");
    loader->loadRequest(request({{"ads", {broken}}}));
    ASSERT_TRUE(pageAsked());
    answer(nlohmann::json{{"ads", {broken}}}.dump());
    ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); }));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorInternalError}));
    EXPECT_EQ(loader->nativeAdsLoading(), 0u);
}

TEST_F(NativeLoaderTest, AtTheWebViewBudgetALoadFailsOnceAndAReleasedAdGivesItsViewBack) {
    auto loader = DZAdLoader::create("unit", {}, {"2"});
    loader->setDelegate(receiver_);
    const int own = bed_.views().liveEngines();
    bed_.views().setMaxEngines(own + 1);  // room for one ad's support page
    const auto response = nlohmann::json{{"ads", {ad(2)}}};
    loader->loadRequest(request(response));
    ASSERT_TRUE(pageAsked());
    answer(response.dump());
    ASSERT_TRUE(bed_.until([&] { return receiver_->appInstall != nullptr; }));

    loader->loadRequest(request(response));
    ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); }));
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorReceivedInvalidResponse}));
    EXPECT_EQ(loader->preprocessorsInFlight(), 0u);

    receiver_->appInstall.reset();
    bed_.runFor(std::chrono::milliseconds(20));
    EXPECT_EQ(bed_.views().liveEngines(), own);
    loader->loadRequest(request(response));
    ASSERT_TRUE(pageAsked());
    answer(response.dump());
    ASSERT_TRUE(bed_.until([&] { return receiver_->appInstall != nullptr; }));
}

TEST_F(NativeLoaderTest, FiftyLoadsAndReleasesLeaveNoAdNorWebViewBehind) {
    auto loader = DZAdLoader::create("unit", {}, {"2"});
    loader->setDelegate(receiver_);
    const int own = bed_.views().liveEngines();
    const auto response = nlohmann::json{{"ads", {ad(2)}}};
    std::vector<std::weak_ptr<DZNativeAppInstallAd>> released;
    for (int i = 0; i < 50; ++i) {
        loader->loadRequest(request(response));
        ASSERT_TRUE(pageAsked()) << i;
        answer(response.dump());
        ASSERT_TRUE(bed_.until([&] { return receiver_->appInstall != nullptr; })) << i;
        released.push_back(std::exchange(receiver_->appInstall, nullptr));
    }
    bed_.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(receiver_->errors.empty());
    EXPECT_EQ(std::count_if(released.begin(), released.end(), [](const auto& ad) { return !ad.expired(); }),
              0);
    EXPECT_EQ(bed_.views().liveEngines(), own);
    std::weak_ptr<DZAdLoader> gone = loader;
    loader.reset();
    bed_.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(bed_.views().liveEngines(), 0);
}

TEST_F(NativeLoaderTest, OnlyItsOwnSupportPagesAnswerReachesALoader) {
    auto first = DZAdLoader::create("unit", {}, {"2"});
    first->setDelegate(receiver_);
    first->loadRequest(request({{"ads", {ad(2)}}}));
    ASSERT_TRUE(pageAsked());
    auto& firstPage = bed_.views().engine();
    auto other = std::make_shared<Receiver>();
    auto second = DZAdLoader::create("unit", {}, {"2"});
    second->setDelegate(other);
    second->loadRequest(request({{"ads", {ad(2)}}}));
    ASSERT_TRUE(pageAsked());
    ASSERT_NE(&bed_.views().engine(), &firstPage);

    answer(nlohmann::json{{"ads", {ad(2)}}}.dump());  // the second loader's page
    ASSERT_TRUE(bed_.until([&] { return other->appInstall != nullptr; }));
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(receiver_->appInstall);
    EXPECT_TRUE(receiver_->errors.empty());
    EXPECT_EQ(first->preprocessorsInFlight(), 1u);
}

TEST_F(NativeLoaderTest, AnAnswerAfterTheTimeOutChangesNothing) {
    auto preprocessor = DZAdPreprocessor::create("unit");
    const auto response = nlohmann::json{{"ads", {ad(2)}}}.dump();
    std::vector<std::string> outcomes;
    preprocessor->preprocessNativeAdJSON(
        response, [&](std::optional<nlohmann::json> got, std::shared_ptr<DZSlot>, platform::ErrorRef error) {
            outcomes.push_back(error ? error->localizedDescription() : got ? "answer" : "nothing");
        });
    ASSERT_TRUE(pageAsked());
    bed_.advance(DZAdPreprocessor::kTimeoutSeconds + 0.1);
    ASSERT_TRUE(bed_.until([&] { return !outcomes.empty(); }));
    answer(response);
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(outcomes, std::vector<std::string>{"Timed out."});
}

TEST_F(NativeLoaderTest, AnAdTooLargeForThePagesAnswerFailsAtOnceAsTooLarge) {
    auto preprocessor = DZAdPreprocessor::create("unit");
    auto large = ad(2);
    large["body"] = std::string(DZAdPreprocessor::kMaxAnswerURLBytes, 'x');
    std::vector<std::string> outcomes;
    preprocessor->preprocessNativeAdJSON(
        nlohmann::json{{"ads", {large}}}.dump(),
        [&](std::optional<nlohmann::json> got, std::shared_ptr<DZSlot>, platform::ErrorRef error) {
            outcomes.push_back(error ? error->localizedDescription() : got ? "answer" : "nothing");
        });
    ASSERT_TRUE(bed_.until([&] { return !outcomes.empty(); }));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].starts_with("The native ad is too large")) << outcomes[0];
    // Half of it comes back within the page message's size: it goes to the page.
    large["body"] = std::string(DZAdPreprocessor::kMaxAnswerURLBytes / 2, 'x');
    auto fits = DZAdPreprocessor::create("unit");
    fits->preprocessNativeAdJSON(
        nlohmann::json{{"ads", {large}}}.dump(),
        [&](std::optional<nlohmann::json>, std::shared_ptr<DZSlot>, platform::ErrorRef error) {
            outcomes.push_back(error ? error->localizedDescription() : "answer");
        });
    EXPECT_TRUE(pageAsked());
    EXPECT_EQ(outcomes.size(), 1u);
    // The page's work made its answer longer than a page message: the engine refuses it, and the
    // pre-processing fails as soon as it does, not at its time-out.
    answer(std::string(DZAdPreprocessor::kMaxAnswerURLBytes, 'x'));
    ASSERT_TRUE(bed_.until([&] { return outcomes.size() == 2; }));
    EXPECT_TRUE(outcomes[1].starts_with("The native ad is too large: the support page's answer took"))
        << outcomes[1];
}

TEST_F(NativeLoaderTest, ASupportPageThatNeverFinishesLoadingFailsOnceAtItsCap) {
    // A host whose engine lets a load run for longer than the loader may wait.
    platform::web::FakeWebEngine::Limits patient;
    patient.loadTimeoutSeconds = 10 * DZAdPreprocessor::kPageLoadTimeoutSeconds;
    bed_.views().setEngineLimits(patient);
    auto loader = DZAdLoader::create("unit", {}, {"2"});
    loader->setDelegate(receiver_);
    loader->loadRequest(request({{"ads", {ad(2)}}}));
    ASSERT_TRUE(bed_.until([&] { return loader->preprocessorsInFlight() == 1; }));
    bed_.advance(DZAdPreprocessor::kPageLoadTimeoutSeconds - 1);
    bed_.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(receiver_->errors.empty());
    bed_.advance(1.1);
    ASSERT_TRUE(bed_.until([&] { return !receiver_->errors.empty(); }));
    bed_.advance(patient.loadTimeoutSeconds);
    bed_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(receiver_->errors, (std::vector<long>{kDZErrorReceivedInvalidResponse}));
    EXPECT_EQ(loader->preprocessorsInFlight(), 0u);
}
