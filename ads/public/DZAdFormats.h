#pragma once
// Every format the component serves beyond the slot's own, and the built-in mediation adapters,
// put in their registries once, when the first public object (a banner view or an interstitial)
// is made. Tools that drive a slot directly call it themselves.
class DZAdFormats {
  public:
    static void registerAll();
    // The hooks the formats' layers set in the layers under them, and their start-up steps: the
    // app calls it before launching finishes (registerAll() calls it too). Main thread.
    static void installHooks();
};
