#pragma once
// A connector played by the test: it answers an adapter's questions from its public fields and
// records what the adapter tells it, in order, as "call" or "call:domain:code".
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ads/core/DZExtras.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace tikoleap::test {

class FakeConnector : public DZMAdNetworkConnector {
  public:
    std::optional<std::string> publisherId() const override { return pubid; }
    nlohmann::json credentials() const override { return credentialsObject; }
    bool testMode() const override { return testing; }
    std::shared_ptr<DZAdNetworkExtras> networkExtras() const override { return extras; }
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() const override {
        return rootViewController;
    }
    std::optional<bool> childDirectedTreatment() const override { return std::nullopt; }
    long userGender() const override { return gender; }
    std::optional<std::chrono::year_month_day> userBirthday() const override { return std::nullopt; }
    bool userHasLocation() const override { return hasLocation; }
    float userLatitude() const override { return hasLocation ? 48.5f : 0; }
    float userLongitude() const override { return hasLocation ? 9.0f : 0; }
    float userLocationAccuracyInMeters() const override { return hasLocation ? 20 : 0; }
    std::optional<std::string> userLocationDescription() const override {
        return hasLocation ? std::optional<std::string>("Tübingen") : std::nullopt;
    }
    std::optional<std::vector<std::string>> userKeywords() const override { return std::nullopt; }
    std::optional<std::string> requestAgent() const override { return std::nullopt; }
    bool isAutoClickProtected() const override { return autoClickProtected; }

    void adapterDidFailAd(DZMAdNetworkAdapter&, platform::ErrorRef error) override {
        std::lock_guard lock(mutex_);
        lastError = error;
        calls_.push_back(error ? "fail:" + error->domain() + ":" + std::to_string(error->code())
                               : "fail:none");
    }
    void adapterDidReceiveAdView(DZMAdNetworkAdapter&, std::shared_ptr<platform::ui::View> view) override {
        std::lock_guard lock(mutex_);
        lastView = std::move(view);
        calls_.push_back("view");
    }
    void adapterDidReceiveInterstitial(DZMAdNetworkAdapter&) override { record("interstitial"); }
    void adapterDidReceiveMediatedNativeAd(DZMAdNetworkAdapter&, std::shared_ptr<DZMediatedAd>) override {
        record("native");
    }
    void adapterDidGetAdClick(DZMAdNetworkAdapter&) override { record("click"); }
    void adapterWillLeaveApplication(DZMAdNetworkAdapter&) override { record("leave"); }
    void adapterWillPresentFullScreenModal(DZMAdNetworkAdapter&) override { record("willPresentModal"); }
    void adapterWillDismissFullScreenModal(DZMAdNetworkAdapter&) override { record("willDismissModal"); }
    void adapterDidDismissFullScreenModal(DZMAdNetworkAdapter&) override { record("didDismissModal"); }
    void adapterWillPresentInterstitial(DZMAdNetworkAdapter&) override { record("willPresent"); }
    void adapterWillDismissInterstitial(DZMAdNetworkAdapter&) override { record("willDismiss"); }
    void adapterDidDismissInterstitial(DZMAdNetworkAdapter&) override { record("didDismiss"); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

    // The adapter made as the connector makes one: by name, handed this connector.
    static std::shared_ptr<DZMAdNetworkAdapter> adapterNamed(const std::string& name,
                                                             const std::shared_ptr<FakeConnector>& connector);

    std::optional<std::string> pubid;
    std::shared_ptr<platform::ui::ViewController> rootViewController =
        std::make_shared<platform::ui::ViewController>();
    nlohmann::json credentialsObject = nlohmann::json::object();
    bool testing = false;
    std::shared_ptr<DZAdNetworkExtras> extras;
    long gender = 0;
    bool hasLocation = false;
    bool autoClickProtected = false;
    platform::ErrorRef lastError;
    std::shared_ptr<platform::ui::View> lastView;

  private:
    void record(const char* call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

inline std::shared_ptr<DZMAdNetworkAdapter> FakeConnector::adapterNamed(
    const std::string& name, const std::shared_ptr<FakeConnector>& connector) {
    auto made = platform::ClassRegistry::shared().create(name);
    if (!made || !platform::ClassRegistry::shared().conformsTo(name, DZMAdNetworkAdapter::kAdapterKind))
        return nullptr;
    auto adapter = std::static_pointer_cast<DZMAdNetworkAdapter>(made);
    adapter->setConnector(connector);
    return adapter;
}

}  // namespace tikoleap::test
