#pragma once
// Puts purchases in their places: the slot finds the default purchase flow through its hook, and
// the app's start-up enables the purchase reporter when it should be. Called once on the main
// thread before launching finishes (a static initialiser could be dropped with its library).
class DZInAppPurchaseAds {
  public:
    static void install();
};
