#include "tools/assetgen/TextureCatalog.h"

#include <array>

#include "tools/assetgen/ActorArt.h"
#include "tools/assetgen/BlockArt.h"
#include "tools/assetgen/HeroArt.h"
#include "tools/assetgen/IconArt.h"
#include "tools/assetgen/SceneryArt.h"

namespace assetgen {

namespace {

// Sizes in points. The world is drawn at half scale across (640 units on 320 points) and at 3/4
// scale upward, so:
// - the hero touches platforms within 32 units of its centre: 16 points, a 32-point ball whose
//   feet are the bottom row (it is drawn anchored at its bottom centre);
// - a platform reaches 27 units either side of its centre (about 28 points wide) and the hero's
//   feet rest on its centre line, so the slab is drawn below that line in the lower half;
// - the ceiling spans the 320-point canvas and is centred 6 points below its top edge;
// - the background repeats on a 160-point grid;
// - a hamburger is eaten within 64 units (32 points) of the hero's centre, enemies and spikes
//   hurt within 54 units, and a fireball is drawn 20 points behind its head.
// Every size is even so that the 1.5x variant still has whole pixels.
constexpr std::array kTextures{
    TextureSpec{"gameover", 280, 64, &SceneryArt::gameOver},
    TextureSpec{"tiko_left_256", 32, 32, &HeroArt::lookingLeft},
    TextureSpec{"tiko_right_256", 32, 32, &HeroArt::lookingRight},
    TextureSpec{"tiko_ouch_256", 32, 32, &HeroArt::hurt},
    TextureSpec{"block", 28, 16, &BlockArt::normal},
    TextureSpec{"block_down", 28, 16, &BlockArt::falling},
    TextureSpec{"block_jump", 28, 16, &BlockArt::spring},
    TextureSpec{"block_yellow", 28, 16, &BlockArt::yellow},
    TextureSpec{"block_red", 28, 16, &BlockArt::red},
    TextureSpec{"ham", 32, 28, &ActorArt::hamburger},
    TextureSpec{"wall_upper", 320, 12, &SceneryArt::ceiling},
    TextureSpec{"enemy", 32, 32, &ActorArt::enemy},
    TextureSpec{"fire_l", 48, 24, &ActorArt::fireLeft},
    TextureSpec{"fire_r", 48, 24, &ActorArt::fireRight},
    TextureSpec{"haikei", 160, 160, &SceneryArt::backgroundTile},
    TextureSpec{"enemy_sp1", 36, 36, &ActorArt::spikeShooter},
    TextureSpec{"enemy_sp2", 28, 28, &ActorArt::wisp},
    TextureSpec{"toge", 20, 20, &ActorArt::spike},
    TextureSpec{"icon_pause_mini", 32, 32, &IconArt::pause},
    TextureSpec{"icon_scores", 30, 30, &IconArt::scores},
    TextureSpec{"icon_settings", 30, 30, &IconArt::settings},
    TextureSpec{"icon_question", 30, 30, &IconArt::question},
};

constexpr std::array kVariants{
    ScaleVariant{"", 1.0},
    ScaleVariant{"_cs150", 1.5},
    ScaleVariant{"_cs200", 2.0},
};

}  // namespace

std::span<const TextureSpec> TextureCatalog::textures() {
    return kTextures;
}

std::span<const ScaleVariant> TextureCatalog::variants() {
    return kVariants;
}

}  // namespace assetgen
