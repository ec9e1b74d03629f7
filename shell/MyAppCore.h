#pragma once
#include <string>
#include <vector>

#include "shell/AppCoreBase.h"

// The game's app core: its identity, its game core and its resource table.
class MyAppCore : public AppCoreBase {
  public:
    using AppCoreBase::AppCoreBase;

    static constexpr int kGameId = 1000;
    static constexpr const char* kDisplayName = "TikoLeap";

    void setup() override;
    void loadResources() override;

    // Every texture the game loads, by name (without scale suffix or ".png").
    static const std::vector<std::string>& textureNames();
};
