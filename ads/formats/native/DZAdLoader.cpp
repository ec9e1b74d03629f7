#include "ads/formats/native/DZAdLoader.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZAdType.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZAdPreprocessor.h"
#include "ads/formats/native/DZCorrelatorAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/formats/native/DZNativeCustomTemplateAd.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdView.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"

namespace {

// The private code of a response the loader could not turn into an ad.
constexpr long kProcessingFailedCode = 11;

const char* protocolName(DZNativeAdClass adClass) {
    switch (adClass) {
        case DZNativeAdClass::kContent:
            return "DZNativeContentAdLoaderDelegate";
        case DZNativeAdClass::kAppInstall:
            return "DZNativeAppInstallAdLoaderDelegate";
        case DZNativeAdClass::kCustomTemplate:
            return "DZNativeCustomTemplateAdLoaderDelegate";
    }
    return "DZAdLoaderDelegate";
}

}  // namespace

bool DZDelegateConformsToAdClassProtocol(const DZAdLoaderDelegate* delegate, DZNativeAdClass adClass,
                                         platform::ErrorRef* error) {
    bool conforms = false;
    switch (adClass) {
        case DZNativeAdClass::kContent:
            conforms = dynamic_cast<const DZNativeContentAdLoaderDelegate*>(delegate) != nullptr;
            break;
        case DZNativeAdClass::kAppInstall:
            conforms = dynamic_cast<const DZNativeAppInstallAdLoaderDelegate*>(delegate) != nullptr;
            break;
        case DZNativeAdClass::kCustomTemplate:
            conforms = dynamic_cast<const DZNativeCustomTemplateAdLoaderDelegate*>(delegate) != nullptr;
            break;
    }
    if (!conforms && error) {
        const std::string name = protocolName(adClass);
        *error = dz_errorWithCode(kDZInternalErrorInvalidArgument,
                                  "Delegate does not conform to the required protocol, " + name + ". Add " +
                                      name + " to the delegate's protocol list.");
    }
    return conforms;
}

std::shared_ptr<DZAdLoader> DZAdLoader::create(
    const std::string& adUnitID, std::weak_ptr<platform::ui::ViewController> rootViewController,
    const std::vector<std::string>& adTypes,
    const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options) {
    ASSERT_MAIN_THREAD();
    auto loader = std::make_shared<DZAdLoader>(adUnitID, std::move(rootViewController), adTypes, options);
    loader->setUp();
    return loader;
}

DZAdLoader::DZAdLoader(const std::string& adUnitID,
                       std::weak_ptr<platform::ui::ViewController> rootViewController,
                       const std::vector<std::string>& adTypes,
                       const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options)
    : configuration_(DZNativeAdLoaderConfiguration::make(adTypes, options)),
      adUnitID_(adUnitID),
      rootViewController_(std::move(rootViewController)) {}

void DZAdLoader::setUp() {
    slot_ = DZSlot::create();
    auto self = shared_from_this();
    slot_->setSlotDelegate(std::weak_ptr<DZSlotDelegate>(self));
    slot_->setAdResponseDelegate(std::weak_ptr<DZSlotAdResponseDelegate>(self));
    slot_->setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate>(self));
    slot_->setAdUnitID(adUnitID_);
    if (configuration_) {
        const auto& options = configuration_->options();
        if (auto it = options.find(DZCorrelatorAdLoaderOptions::kClassName); it != options.end())
            if (auto correlator = std::dynamic_pointer_cast<const DZCorrelatorAdLoaderOptions>(it->second))
                slot_->setCorrelator(correlator->correlator);
    }
    if (auto adView = slot_->adView()) adView->configureAsBannerAdView();
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner), false);
}

DZAdLoader::~DZAdLoader() {
    if (slot_) slot_->cancelPendingAndFutureActions();
}

bool DZAdLoader::setDelegate(std::weak_ptr<DZAdLoaderDelegate> delegate) {
    ASSERT_MAIN_THREAD();
    auto given = delegate.lock();
    if (given == delegate_.lock()) return true;
    if (!given) {
        delegate_.reset();
        return true;
    }
    if (configuration_) {
        for (auto adClass : configuration_->adTypeClasses()) {
            platform::ErrorRef error;
            if (!DZDelegateConformsToAdClassProtocol(given.get(), adClass, &error)) {
                DZLogger::sharedInstance()->logPublicMessage(error->localizedDescription());
                return false;
            }
        }
    }
    delegate_ = std::move(delegate);
    return true;
}

void DZAdLoader::loadRequest(const std::shared_ptr<DZRequest>& request) {
    ASSERT_MAIN_THREAD();
    lastRequest_ = request;
    if (!configuration_ || configuration_->adTypeClasses().empty()) {
        // The load stops here: one report, nothing asked of the server.
        std::weak_ptr<DZAdLoader> weak = weak_from_this();
        auto error = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
            kDZErrorInvalidRequest, requestParametersForError(), 0, "Must specify at least one ad type.");
        platform::DispatchQueue::main()->async([weak, error] {
            if (auto self = weak.lock()) self->handleFailedRequest(error);
        });
        return;
    }
    auto formatParameters = nlohmann::json::array();
    std::map<DZNativeAdClass, nlohmann::json> byClass;
    for (auto adClass : configuration_->adTypeClasses()) {
        nlohmann::json parameters;
        switch (adClass) {
            case DZNativeAdClass::kContent:
                parameters = DZNativeContentAd::requestParametersForAdLoader(*this);
                break;
            case DZNativeAdClass::kAppInstall:
                parameters = DZNativeAppInstallAd::requestParametersForAdLoader(*this);
                break;
            case DZNativeAdClass::kCustomTemplate:
                parameters = DZNativeCustomTemplateAd::requestParametersForAdLoader(*this);
                break;
        }
        if (parameters.empty()) continue;
        formatParameters.push_back(parameters);
        byClass[adClass] = parameters;
    }
    adClassRequestParameters_ = std::move(byClass);
    auto copy = request ? request->copy() : DZRequest::request();
    copy->setFormatParameters(formatParameters);
    copy->setResponseType(kDZAdResponseTypeNative);
    slot_->loadRequest(copy);
}

nlohmann::json DZAdLoader::requestParametersForError() const {
    return slot_ ? slot_->requestParametersForError() : nlohmann::json();
}

std::optional<platform::Rect> DZAdLoader::frame() {
    const auto size = slot_ ? slot_->adType().adSize().size : platform::Size{};
    return platform::Rect{{0, 0}, size};
}

bool DZAdLoader::slotShouldProcessAdResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef* error) {
    // Reached only where the native format is not registered: the loader takes the ad all the same.
    processNativeResponse(slot, ad, error);
    return false;  // the slot renders nothing itself
}

bool DZAdLoader::processNativeResponse(DZSlot&, const std::shared_ptr<DZAd>& ad, platform::ErrorRef* error) {
    ASSERT_MAIN_THREAD();
    auto preprocessor = DZAdPreprocessor::create(adUnitID_);
    if (!preprocessor || !ad) {
        if (error)
            *error = DZRequestError::errorWithCodeCustomMessage(kDZErrorInternalError,
                                                                "Ad loader failed to process ad response.");
        return false;
    }
    adPreprocessors_.push_back(preprocessor);
    std::weak_ptr<DZAdLoader> weak = weak_from_this();
    std::weak_ptr<DZAdPreprocessor> weakPreprocessor = preprocessor;
    preprocessor->preprocessNativeAdJSON(
        ad->adHTML().value_or(""),
        [weak, weakPreprocessor](std::optional<nlohmann::json> answer, std::shared_ptr<DZSlot> slot,
                                 platform::ErrorRef error) {
            auto self = weak.lock();
            if (self) self->preprocessorDidAnswer(weakPreprocessor.lock(), answer, slot, error);
        });
    return true;
}

void DZAdLoader::preprocessorDidAnswer(const std::shared_ptr<DZAdPreprocessor>& preprocessor,
                                       const std::optional<nlohmann::json>& answer,
                                       const std::shared_ptr<DZSlot>& slot, const platform::ErrorRef& error) {
    auto hold = shared_from_this();
    std::erase(adPreprocessors_, preprocessor);
    std::shared_ptr<DZNativeAd> ad;
    std::optional<DZNativeAdClass> adClass;
    if (!error && answer && slot) {
        adClass = DZNativeAd::classFromAdConfigurationDictionary(*answer);
        if (adClass && configuration_ && configuration_->adTypeClasses().contains(*adClass))
            ad = makeAd(*adClass, *DZNativeAd::firstAdObjectInAdConfigurationDictionary(*answer));
    }
    const auto parameters = adClass && adClassRequestParameters_.contains(*adClass)
                                ? adClassRequestParameters_[*adClass]
                                : nlohmann::json::object();
    if (!ad || !ad->hasValidConfigurationForRequestParameters(parameters)) {
        handleFailedRequest(
            DZRequestError::errorWithCodeUnderlyingError(kDZErrorReceivedInvalidResponse, error));
        return;
    }
    nativeAds_.push_back(ad);
    ad->setAdUnitID(adUnitID_);
    ad->setRootViewController(rootViewController_);
    ad->setSlot(slot);
    if (auto adView = slot->adView()) adView->setViewController(rootViewController_.lock());
    std::weak_ptr<DZAdLoader> weak = hold;
    std::weak_ptr<DZNativeAd> weakAd = ad;
    ad->loadAssets([weak, weakAd](platform::ErrorRef assetError) {
        auto self = weak.lock();
        auto loaded = weakAd.lock();
        if (!self || !loaded) return;
        if (!assetError) {
            self->nativeAdDidFinishLoadingAssets(loaded);
            return;
        }
        // A failed ad is let go with its slot and web view.
        std::erase(self->nativeAds_, loaded);
        self->handleFailedRequest(DZRequestError::errorWithCodeCustomMessage(
            kDZErrorInternalError, "Error loading native ad assets."));
    });
}

std::shared_ptr<DZNativeAd> DZAdLoader::makeAd(DZNativeAdClass adClass,
                                               const nlohmann::json& dictionary) const {
    const auto& options = configuration_->options();
    switch (adClass) {
        case DZNativeAdClass::kContent:
            return DZNativeContentAd::create(dictionary, options);
        case DZNativeAdClass::kAppInstall:
            return DZNativeAppInstallAd::create(dictionary, options);
        case DZNativeAdClass::kCustomTemplate:
            return DZNativeCustomTemplateAd::create(dictionary, options);
    }
    return nullptr;
}

std::shared_ptr<DZNativeAd> DZAdLoader::makeMediatedAd(
    DZNativeAdClass adClass, const std::shared_ptr<DZMediatedNativeAd>& mediated) const {
    const auto options = configuration_ ? configuration_->options() : DZAdLoaderOptionsByClass{};
    switch (adClass) {
        case DZNativeAdClass::kContent:
            return DZNativeContentAd::createMediated(mediated, options);
        case DZNativeAdClass::kAppInstall:
            return DZNativeAppInstallAd::createMediated(mediated, options);
        case DZNativeAdClass::kCustomTemplate:
            return nullptr;
    }
    return nullptr;
}

void DZAdLoader::slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) {
    handleFailedRequest(error);
}

bool DZAdLoader::slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                     platform::ErrorRef*) {
    if (ad) ad->setMediationDelegate(std::weak_ptr<DZAdMediationDelegate>(shared_from_this()));
    return true;
}

std::optional<DZAdLoaderConfiguration> DZAdLoader::adLoaderConfigurationForAd(const DZAd&) {
    if (!configuration_) return std::nullopt;
    return configuration_->mediationConfiguration();
}

bool DZAdLoader::processMediatedAd(const std::shared_ptr<DZAd>&,
                                   const std::shared_ptr<DZMediatedNativeAd>& mediated,
                                   Completion completion) {
    ASSERT_MAIN_THREAD();
    auto fail = [&](const std::string& message) {
        completion(dz_errorWithCode(kProcessingFailedCode, message));
        return true;
    };
    if (!mediated) return fail("Ad loader failed to process mediated native ad response.");
    auto adClass = DZNativeAd::classFromMediatedNativeAd(*mediated);
    if (!adClass) return fail("Ad loader currently isn't able to process returned mediated ad class.");
    platform::ErrorRef conformance;
    if (!DZDelegateConformsToAdClassProtocol(delegate().get(), *adClass, &conformance)) {
        completion(conformance);
        return true;
    }
    std::shared_ptr<DZNativeAd> ad;
    if (auto own = std::dynamic_pointer_cast<DZNativeAd>(mediated->mediatedAd())) {
        // The own-ads adapter's native ad: taken out of the wrapper, which it then keeps for the
        // wrapper's reports.
        ad = own;
        mediated->takeMediatedAd();
        ad->setMediatedNativeAd(mediated);
        ad->setAdNetworkClassName(mediated->adNetworkClassName());
    } else if (configuration_) {
        ad = makeMediatedAd(*adClass, mediated);
    }
    if (!ad) return fail("Ad loader failed to process mediated native ad response.");
    ad->setAdUnitID(adUnitID_);
    if (ad->slot()) ad->slot()->setAdUnitID(adUnitID_);
    ad->setRootViewController(rootViewController_);
    if (ad->slot())
        if (auto adView = ad->slot()->adView()) adView->setViewController(rootViewController_.lock());
    std::weak_ptr<DZAdLoader> weak = weak_from_this();
    ad->loadAssets([weak, ad, completion](platform::ErrorRef error) {
        // The pending completion holds the ad until its assets are in.
        if (error) {
            completion(error);
            return;
        }
        completion(nullptr);
        if (auto self = weak.lock()) self->nativeAdDidFinishLoadingAssets(ad);
    });
    return true;
}

void DZAdLoader::nativeAdDidFinishLoadingAssets(const std::shared_ptr<DZNativeAd>& ad) {
    ASSERT_MAIN_THREAD();
    auto hold = shared_from_this();
    std::erase(nativeAds_, ad);
    platform::ErrorRef conformance;
    if (!DZDelegateConformsToAdClassProtocol(delegate().get(), ad->adClass(), &conformance)) {
        handleFailedRequest(
            DZRequestError::errorWithCodeUnderlyingError(kDZErrorInvalidRequest, conformance));
        return;
    }
    ad->adLoaderDidReceiveAd(*this);
}

void DZAdLoader::handleFailedRequest(platform::ErrorRef error) {
    auto hold = shared_from_this();
    auto delegate = delegate_.lock();
    if (!delegate) return;
    auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error);
    if (!requestError)
        requestError = error ? DZRequestError::errorWithCodeUnderlyingError(kDZErrorInternalError, error)
                             : DZRequestError::errorWithCode(kDZErrorInternalError);
    delegate->adLoaderDidFailToReceiveAd(*this, requestError);
}
