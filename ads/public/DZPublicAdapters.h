#pragma once
// The adapters of this folder (the component's own ads, the core page's ads), put in
// platform::ClassRegistry by the component's start-up step. Again is harmless.
class DZPublicAdapters {
  public:
    static void registerAll();
};
