#pragma once
// The probe's purchase command: a shown banner loads a unit whose ad offers one of the app's store
// products; the probe runs the component's own purchase flow, taps the banner as a finger would
// and waits until the outcome's pings (and, for a paid purchase, the conversion report) are
// answered.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace platform {
class ManualRunLoop;
}

struct PurchaseProbeOptions {
    std::string unit;
    // The fake store's one product and how its payments end; nothing: the system's store answers.
    struct FakeStore {
        std::string sku;
        std::string price;  // decimal text
        std::string currencyCode;
        std::string outcome = "purchased";  // "purchased", "cancelled" or "failed"
    };
    std::optional<FakeStore> fakeStore;
    double timeoutSeconds = 30;
};

// "" when the text is SKU=PRICE:CURRENCY (PRICE a plain decimal number, CURRENCY letters), what is
// wrong with it otherwise.
std::string parseFakeStore(const std::string& text, PurchaseProbeOptions::FakeStore& store);

// {"purchase": {"productID", "quantity", "status" (null while unreported)} | null when no ad
// offered one, "alerts": [the title of every alert shown, in order]}.
nlohmann::json runPurchase(const PurchaseProbeOptions& options, platform::ManualRunLoop& loop);
