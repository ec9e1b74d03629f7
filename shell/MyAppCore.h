#pragma once
#include <string>
#include <vector>

#include "shell/AppCoreBase.h"
#include "shell/GameIdentity.h"

// The game's app core: its identity, its game core and its resource table.
class MyAppCore : public AppCoreBase {
  public:
    using AppCoreBase::AppCoreBase;

    static constexpr int kGameId = GameIdentity::kGameId;
    static constexpr const char* kDisplayName = GameIdentity::kDisplayName;

    // The game's identity comes from the bundle information (GameIdentity's values when a key is
    // missing); then the game core: its context and its level manager.
    void setup() override;
    void loadResources() override;

    // Every texture the game loads, by name (without scale suffix or ".png").
    static const std::vector<std::string>& textureNames();
};
