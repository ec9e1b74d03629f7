// The purchase reporter: when it switches itself on, what a purchased transaction's conversion
// report holds (prices from their decimal text, values escaped), its retry, and what it leaves out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ads/formats/purchase/DZInAppPurchaseProductCache.h"
#include "ads/formats/purchase/DZInAppPurchaseTransactionReporter.h"
#include "ads/foundation/DZPinger.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/store/FakeStoreBackend.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using platform::store::FakeStoreBackend;
using platform::store::PaymentTransaction;
using platform::store::StoreBackend;
using platform::store::TransactionState;
using Reporter = DZInAppPurchaseTransactionReporter;
using testing::HasSubstr;

class TransactionReporter : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = StoreBackend::setShared(store);
        DZInAppPurchaseProductCache::sharedInstance().reset();
        const std::string format = Reporter::defaultReportFormat();
        defaults->setString(Reporter::kReportFormatKey,
                            server.url("/adpage/conversion/") + format.substr(format.find('?')));
    }
    void TearDown() override {
        pinger->drain();
        // A save under way keeps the store alive past the fixture: it ends before the folder goes.
        defaults->synchronize();
        StoreBackend::setShared(previous);
        DZInAppPurchaseProductCache::sharedInstance().reset();
        platform::AppPaths::setHome({});
    }

    std::shared_ptr<PaymentTransaction> transaction(const std::string& sku, int quantity,
                                                    TransactionState state) {
        auto made = std::make_shared<PaymentTransaction>(platform::store::Payment{sku, quantity});
        made->update(state, "t&" + std::to_string(++count), 1700000000.5, 0, "");
        return made;
    }
    void update(std::vector<std::shared_ptr<PaymentTransaction>> transactions) {
        reporter->paymentQueueUpdatedTransactions(*queue, transactions);
    }
    void cacheProducts(const std::set<std::string>& ids) {
        bool answered = false;
        DZInAppPurchaseProductCache::sharedInstance().requestProductsWithProductIdentifiers(
            ids, platform::DispatchQueue::main(), [&](auto&, auto&, auto&) { answered = true; });
        ASSERT_TRUE(pump.until([&] { return answered; }));
    }

    tikoleap::test::TempDir home;
    tikoleap::test::MainLoopPump pump;
    tikoleap::test::LoopbackServer server;
    std::shared_ptr<FakeStoreBackend> store = std::make_shared<FakeStoreBackend>();
    std::shared_ptr<StoreBackend> previous;
    std::shared_ptr<platform::UserDefaults> defaults =
        platform::UserDefaults::open(home.path() / "reporter.plist");
    std::shared_ptr<DZPinger> pinger = DZPinger::create(defaults);
    std::shared_ptr<platform::store::PaymentQueue> queue = platform::store::PaymentQueue::create();
    std::shared_ptr<Reporter> reporter = Reporter::create(queue, pinger, defaults);
    int count = 0;
};

TEST_F(TransactionReporter, StaysOffWhenAnEquivalentClassIsPresentOrOnceDisabled) {
    EXPECT_TRUE(reporter->shouldBeEnabled());
    platform::ClassRegistry::shared().registerClass(Reporter::kDefaultEquivalentClass, {},
                                                    [] { return nullptr; });
    EXPECT_FALSE(reporter->shouldBeEnabled());
    platform::ClassRegistry::shared().unregisterClass(Reporter::kDefaultEquivalentClass);

    // The server's list arrives as JSON text; another name in it counts, the default no longer.
    platform::ClassRegistry::shared().registerClass("TikoOwnReporter", {}, [] { return nullptr; });
    defaults->setString(Reporter::kEquivalentClassesKey, R"(["Missing", "TikoOwnReporter"])");
    EXPECT_FALSE(reporter->shouldBeEnabled());
    defaults->setString(Reporter::kEquivalentClassesKey, R"(["Missing"])");
    EXPECT_TRUE(reporter->shouldBeEnabled());
    platform::ClassRegistry::shared().unregisterClass("TikoOwnReporter");

    reporter->enableReporting();
    reporter->enableReporting();
    EXPECT_EQ(queue->observerCount(), 1u);
    reporter->disableReporting();
    EXPECT_EQ(queue->observerCount(), 0u);
    EXPECT_FALSE(reporter->shouldBeEnabled());
    reporter->enableReporting();
    EXPECT_FALSE(reporter->reportingEnabled());
}

TEST_F(TransactionReporter, PricesKeepTheirDecimalsRoundedDown) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"4.99", "4.99"},
                                                                    {"1.2345678", "1.234567"},
                                                                    {"0.10", "0.1"},
                                                                    {"12", "12"},
                                                                    {"-1.2345671", "-1.234568"},
                                                                    {"-0.9999999", "-1"},
                                                                    {"0.0000001", "0"},
                                                                    {"007.50", "7.5"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(Reporter::formattedPrice(text), expected) << text;
    for (const std::string bad : {"", "-", "abc", "1e3", "4,99", "1.2.3", " 1"})
        EXPECT_EQ(Reporter::formattedPrice(bad), std::nullopt) << bad;
}

TEST_F(TransactionReporter, APurchaseIsReportedWithItsProductsPriceAndValuesEscaped) {
    store->setProduct("tikoleap.coins", "4.99", "USD");
    store->setProduct("a&b@c", "1.2345678", "EUR");
    cacheProducts({"tikoleap.coins"});
    update({transaction("tikoleap.coins", 2, TransactionState::Purchased),
            transaction("tikoleap.coins", 1, TransactionState::Restored),
            transaction("tikoleap.coins", 1, TransactionState::Failed),
            transaction("a&b@c", 1, TransactionState::Purchased),
            transaction("unknown", 1, TransactionState::Purchased)});
    ASSERT_TRUE(pump.until([&] { return server.count("/adpage/conversion/") >= 3; }));
    pump.runFor(std::chrono::milliseconds(100));
    // The pings race each other: order them as sent.
    auto hits = server.hits("/adpage/conversion/");
    ASSERT_EQ(hits.size(), 3u);  // restored and failed ones are not conversions
    std::sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) {
        return a.param("transaction_id") < b.param("transaction_id");
    });
    EXPECT_THAT(hits[0].target, HasSubstr("&currency_code=USD&iap_source=auto&lat=1&osversion="));
    EXPECT_EQ(hits[0].param("price"), "4.99");
    EXPECT_EQ(hits[0].param("quantity"), "2");
    EXPECT_EQ(hits[0].param("sku"), "tikoleap.coins");
    EXPECT_EQ(hits[0].param("timestamp"), "1700000000.500000");
    EXPECT_EQ(hits[0].param("transaction_id"), "t&1");
    EXPECT_THAT(hits[0].target, HasSubstr("&transaction_id=t%261"));
    // Asked of the store as it came: the cache knew only the first product.
    EXPECT_EQ(hits[1].param("price"), "1.234567");
    EXPECT_EQ(hits[1].param("currency_code"), "EUR");
    EXPECT_THAT(hits[1].target, HasSubstr("sku=a%26b%40c&"));
    EXPECT_THAT(hits[2].target, HasSubstr("currency_code=&"));
    EXPECT_THAT(hits[2].target, HasSubstr("&price=&"));
}

TEST_F(TransactionReporter, AFailedReportIsRetriedWithTheSuffix) {
    server.reply("/adpage/conversion/", 500);
    store->setProduct("tikoleap.coins", "0.99", "USD");
    cacheProducts({"tikoleap.coins"});
    pinger->start();
    update({transaction("tikoleap.coins", 1, TransactionState::Purchased)});
    ASSERT_TRUE(pump.until([&] { return server.count("/adpage/conversion/") >= 1; }));
    ASSERT_TRUE(pump.until([&] { return pinger->pingsInFlight() == 0; }));
    pinger->drain();
    server.reply("/adpage/conversion/", 204);
    pump.loop().advance(pinger->pingInterval());
    pinger->drain();
    ASSERT_TRUE(pump.until([&] { return server.count("/adpage/conversion/") >= 2; }));
    const auto hits = server.hits("/adpage/conversion/");
    EXPECT_EQ(hits[0].param("retry"), "");
    EXPECT_EQ(hits[1].target, hits[0].target + "&retry=1");
}

}  // namespace
