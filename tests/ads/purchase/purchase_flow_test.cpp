// The default purchase flow against a scripted store: each outcome reaches the ad's report URL
// with its status, the app's delegate gets what was paid, and refused, unknown and unbuyable
// purchases never reach the store.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZInAppPurchase.h"
#include "ads/formats/purchase/DZDefaultInAppPurchase.h"
#include "ads/formats/purchase/DZDefaultInAppPurchaseFlow.h"
#include "ads/formats/purchase/DZInAppPurchaseProductCache.h"
#include "platform/foundation/AppPaths.h"
#include "platform/store/FakeStoreBackend.h"
#include "platform/store/PaymentQueue.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using platform::store::FakeStoreBackend;
using platform::store::StoreBackend;
using testing::ElementsAre;

class App : public DZDefaultInAppPurchaseDelegate {
  public:
    void userDidPayForPurchase(const std::shared_ptr<DZDefaultInAppPurchase>& purchase) override {
        paid.push_back(purchase);
        if (finishAtOnce) purchase->finishTransaction();
    }
    std::optional<bool> shouldStartPurchaseForProductID(const std::string& productID, int32_t) override {
        asked.push_back(productID);
        return allows;
    }
    std::vector<std::shared_ptr<DZDefaultInAppPurchase>> paid;
    std::vector<std::string> asked;
    std::optional<bool> allows;
    bool finishAtOnce = true;
};

class DefaultPurchaseFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = StoreBackend::setShared(store);
        DZInAppPurchaseProductCache::sharedInstance().reset();
        store->setProduct("tikoleap.coins", "0.99", "USD");
        window->makeKeyAndVisible();
        flow->enableDefaultPurchaseFlowWithDelegate(app);
    }
    void TearDown() override {
        flow->disableDefaultPurchaseFlow();
        StoreBackend::setShared(previous);
        DZInAppPurchaseProductCache::sharedInstance().reset();
        platform::ui::Application::shared().setKeyWindow(nullptr);
        platform::AppPaths::setHome({});
    }

    std::shared_ptr<DZInAppPurchase> offer(const std::string& productID, int64_t quantity = 2) {
        auto purchase = std::make_shared<DZInAppPurchase>([this] { ++screensClosed; });
        purchase->setProductID(productID);
        purchase->setQuantity(quantity);
        purchase->setReportingURLStringFormats(
            {server.url("/report?sku=@sku@&quantity=@quantity@&status=@status@")});
        flow->didReceiveInAppPurchase(purchase);
        return purchase;
    }
    // The statuses reported so far, once n reports have arrived.
    std::vector<std::string> statuses(std::size_t n) {
        EXPECT_TRUE(pump.until([&] { return server.count("/report") >= n; }));
        std::vector<std::string> out;
        for (const auto& hit : server.hits("/report")) out.push_back(hit.param("status"));
        return out;
    }
    std::string alertTitle() {
        auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(window->frontModal());
        return alert ? alert->title() + "|" + alert->message() : "";
    }

    tikoleap::test::TempDir home;
    tikoleap::test::MainLoopPump pump;
    tikoleap::test::LoopbackServer server;
    std::shared_ptr<FakeStoreBackend> store = std::make_shared<FakeStoreBackend>();
    std::shared_ptr<StoreBackend> previous;
    std::shared_ptr<platform::store::PaymentQueue> queue = platform::store::PaymentQueue::create();
    std::shared_ptr<DZDefaultInAppPurchaseFlow> flow = DZDefaultInAppPurchaseFlow::create(queue);
    std::shared_ptr<App> app = std::make_shared<App>();
    std::shared_ptr<platform::ui::Window> window = std::make_shared<platform::ui::Window>();
    int screensClosed = 0;
};

TEST_F(DefaultPurchaseFlow, EachStoreOutcomeIsReportedWithItsStatus) {
    offer("tikoleap.coins");
    ASSERT_TRUE(pump.until([&] { return app->paid.size() == 1; }));
    const auto& paid = *app->paid.front();
    EXPECT_EQ(paid.productID(), "tikoleap.coins");
    EXPECT_EQ(paid.quantity(), 2);
    EXPECT_EQ(paid.paymentTransaction(), nullptr);  // finished by the app
    EXPECT_EQ(screensClosed, 1);
    EXPECT_TRUE(queue->transactions().empty());
    ASSERT_TRUE(pump.until([&] { return server.count("/report") == 1; }));  // reports race each other

    store->setOutcome(FakeStoreBackend::Outcome::Cancelled);
    offer("tikoleap.coins");
    ASSERT_TRUE(pump.until([&] { return server.count("/report") == 2; }));
    store->setOutcome(FakeStoreBackend::Outcome::Failed);
    offer("tikoleap.coins");
    EXPECT_THAT(statuses(3), ElementsAre("1", "2", "0"));
    EXPECT_EQ(server.hits("/report").front().param("sku"), "tikoleap.coins");
    EXPECT_EQ(server.hits("/report").front().param("quantity"), "2");
    EXPECT_EQ(screensClosed, 1);
    EXPECT_EQ(store->payments().size(), 3u);
    EXPECT_EQ(store->productsRequests(), 1);  // the product is known after the first answer
    EXPECT_TRUE(queue->transactions().empty());
    EXPECT_EQ(flow->activePurchaseCount(), 0u);
}

TEST_F(DefaultPurchaseFlow, UnknownRefusedAndUnbuyablePurchasesNeverReachTheStore) {
    offer("tikoleap.gems");
    EXPECT_THAT(statuses(1), ElementsAre("3"));
    EXPECT_EQ(alertTitle(), "Whoops!|Sorry, the product is currently unavailable.");
    window->dismissModal(window->frontModal().get());

    app->allows = false;
    offer("tikoleap.coins");
    EXPECT_THAT(statuses(2), ElementsAre("3", "0"));
    EXPECT_EQ(alertTitle(), "Whoops!|Sorry, the product is currently unavailable.");
    EXPECT_THAT(app->asked, ElementsAre("tikoleap.gems", "tikoleap.coins"));

    // An invalid quantity is stored as 0; the store must never be asked for none.
    app->allows = true;
    offer("tikoleap.coins", 11);
    EXPECT_THAT(statuses(3), ElementsAre("3", "0", "0"));
    EXPECT_EQ(server.hits("/report").back().param("quantity"), "0");

    store->setProductsError("no network");
    offer("tikoleap.other");
    EXPECT_THAT(statuses(4), ElementsAre("3", "0", "0", "3"));
    EXPECT_TRUE(store->payments().empty());
}

TEST_F(DefaultPurchaseFlow, TwoPurchasesOfOneProductEachTakeOneTransaction) {
    app->finishAtOnce = false;
    auto first = offer("tikoleap.coins");
    auto second = offer("tikoleap.coins");
    ASSERT_TRUE(pump.until([&] { return app->paid.size() == 2; }));
    EXPECT_EQ(queue->transactions().size(), 2u);
    EXPECT_NE(app->paid[0]->inAppPurchase(), app->paid[1]->inAppPurchase());
    for (const auto& paid : app->paid) {
        EXPECT_TRUE(paid->inAppPurchase() == first || paid->inAppPurchase() == second);
        paid->finishTransaction();
        paid->finishTransaction();  // once only
    }
    EXPECT_THAT(statuses(2), ElementsAre("1", "1"));
    EXPECT_TRUE(queue->transactions().empty());

    // A payment no ad started reaches the app too, and reports nowhere.
    queue->addPayment({"tikoleap.coins", 3});
    ASSERT_TRUE(pump.until([&] { return app->paid.size() == 3; }));
    EXPECT_EQ(app->paid[2]->inAppPurchase()->quantity(), 3);
    EXPECT_TRUE(app->paid[2]->inAppPurchase()->reportingURLStringFormats().empty());
}

// Offers in a burst (a page opening again and again, many ads): one store question per product,
// one alert on screen, a bounded number of payments; every offer still gets its one report.
TEST_F(DefaultPurchaseFlow, OffersInABurstAreBounded) {
    for (int i = 0; i < 20; ++i) offer("tikoleap.gems");
    ASSERT_EQ(statuses(20), std::vector<std::string>(20, "3"));
    offer("tikoleap.gems");  // the store has said it does not know it
    ASSERT_EQ(statuses(21).size(), 21u);
    EXPECT_EQ(store->productsRequests(), 1);
    EXPECT_EQ(window->modalCount(), 1u);

    for (int i = 0; i < 20; ++i) offer("tikoleap.coins");
    ASSERT_EQ(statuses(41).size(), 41u);
    EXPECT_EQ(store->productsRequests(), 2);
    EXPECT_EQ(store->payments().size(), DZDefaultInAppPurchaseFlow::kMaxActivePurchases);
    EXPECT_EQ(flow->activePurchaseCount(), 0u);
}

// An app's own delegate reporting again and again: the first outcome stands, reported once.
TEST_F(DefaultPurchaseFlow, APurchaseReportsOneOutcomeOnly) {
    auto purchase = std::make_shared<DZInAppPurchase>([this] { ++screensClosed; });
    purchase->setReportingURLStringFormats({server.url("/report?status=@status@")});
    for (int i = 0; i < 20; ++i) {
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusSuccess);
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusCancel);
    }
    pump.runFor(std::chrono::milliseconds(100));
    EXPECT_THAT(statuses(1), ElementsAre("1"));
    EXPECT_EQ(purchase->purchaseStatus(), DZInAppPurchase::kStatusSuccess);
    EXPECT_EQ(screensClosed, 1);
}

TEST_F(DefaultPurchaseFlow, EnablingTwiceObservesOnceAndTheSystemStoreFailsEveryPayment) {
    flow->enableDefaultPurchaseFlowWithDelegate(std::make_shared<App>());
    EXPECT_EQ(queue->observerCount(), 1u);
    flow->disableDefaultPurchaseFlow();
    EXPECT_FALSE(flow->isDefaultPurchaseFlowEnabled());
    EXPECT_EQ(queue->observerCount(), 0u);
    flow->enableDefaultPurchaseFlowWithDelegate(app);

    StoreBackend::setShared(nullptr);
    EXPECT_FALSE(platform::store::PaymentQueue::canMakePayments());
    offer("tikoleap.coins");
    EXPECT_THAT(statuses(1), ElementsAre("3"));  // the system's store knows no products
    queue->addPayment({"tikoleap.coins", 1});
    ASSERT_EQ(queue->transactions().size(), 1u);
    EXPECT_EQ(queue->transactions().front()->state(), platform::store::TransactionState::Failed);
    EXPECT_NE(queue->transactions().front()->errorCode(),
              platform::store::PaymentTransaction::kErrorPaymentCancelled);
    ASSERT_TRUE(pump.until([&] { return queue->transactions().empty(); }));  // the flow finished it
    EXPECT_THAT(statuses(1), ElementsAre("3"));
}

}  // namespace

namespace {

TEST(InAppPurchaseReport, TemplatesTakeEscapedValuesAndLoseUnknownPlaceholders) {
    DZInAppPurchase purchase;
    purchase.setProductID("a&b=@c");
    purchase.setQuantity(3);
    purchase.setPurchaseStatus(DZInAppPurchase::kStatusCancel);
    EXPECT_EQ(purchase.expandedURLStringForURLStringFormat(
                  "https://r.example/?sku=@sku@&q=@quantity@&x=@nope@&s=@status@"),
              "https://r.example/?sku=a%26b%3D%40c&q=3&x=&s=2");
    // A doubled "@" is a literal one.
    EXPECT_EQ(purchase.expandedURLStringForURLStringFormat("https://r.example/@@sku@@/@sku@"),
              "https://r.example/@sku@/a%26b%3D%40c");
    DZInAppPurchase unnamed;
    EXPECT_EQ(unnamed.expandedURLStringForURLStringFormat("https://r.example/?sku=@sku@"),
              "https://r.example/?sku=");
}

}  // namespace
