#pragma once
// Every format the component serves beyond the slot's own, and the built-in mediation adapters,
// put in their registries once, when the first public object (a banner view or an interstitial)
// is made. Tools that drive a slot directly call it themselves. The formats' start-up steps run
// when launching finishes: an app calls this before then so that they are in place.
class DZAdFormats {
  public:
    static void registerAll();
};
