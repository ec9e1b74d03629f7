#pragma once
// The adapters of this folder (custom events, HTML), put in platform::ClassRegistry by the
// component's start-up step. Again is harmless.
class DZMBuiltInAdapters {
  public:
    static void registerAll();
};
