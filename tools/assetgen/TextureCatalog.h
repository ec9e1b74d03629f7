#pragma once
#include <span>

#include "tools/assetgen/TextureSpec.h"

namespace assetgen {

// Every texture the game loads, with the sizes its level geometry expects, and the resolution
// variants each one is written in.
class TextureCatalog {
  public:
    static std::span<const TextureSpec> textures();
    static std::span<const ScaleVariant> variants();
};

}  // namespace assetgen
