#include <cairo.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kGenerator = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-assetgen";

// Sizes in points that the levels' geometry relies on (the world is drawn 640 units on 320 points
// across and 640 units on 480 points upward).
struct Expected {
    const char* name;
    int width;
    int height;
};
constexpr std::array kExpected{
    Expected{"gameover", 280, 64},
    Expected{"tiko_left_256", 32, 32},  // touches within 32 units = 16 points of its centre
    Expected{"tiko_right_256", 32, 32},
    Expected{"tiko_ouch_256", 32, 32},
    Expected{"block", 28, 16},  // 27 units either side of the centre
    Expected{"block_down", 28, 16},
    Expected{"block_jump", 28, 16},
    Expected{"block_yellow", 28, 16},
    Expected{"block_red", 28, 16},
    Expected{"ham", 32, 28},          // eaten within 64 units = 32 points
    Expected{"wall_upper", 320, 12},  // spans the canvas, centred 6 points below its top
    Expected{"enemy", 32, 32},
    Expected{"fire_l", 48, 24},  // drawn 20 points behind the shot's head
    Expected{"fire_r", 48, 24},
    Expected{"haikei", 160, 160},  // laid on a 160-point grid
    Expected{"enemy_sp1", 36, 36},
    Expected{"enemy_sp2", 28, 28},
    Expected{"toge", 20, 20},
    Expected{"icon_pause_mini", 32, 32},
    Expected{"icon_scores", 30, 30},
    Expected{"icon_settings", 30, 30},
    Expected{"icon_question", 30, 30},
};

struct Variant {
    const char* suffix;
    int numerator;  // pixels per point, in halves
};
constexpr std::array kVariants{Variant{"", 2}, Variant{"_cs150", 3}, Variant{"_cs200", 4}};

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "tikoleap-assetgen-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

int runGenerator(const std::string& arguments) {
    std::string command = "'" + kGenerator + "' " + arguments + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<char> readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width and height from the PNG header, read by hand: signature, then the IHDR chunk.
std::optional<std::pair<uint32_t, uint32_t>> pngSize(const fs::path& file) {
    std::vector<char> bytes = readBytes(file);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 24) return std::nullopt;
    for (int i = 0; i < 8; ++i) {
        if (static_cast<unsigned char>(bytes[i]) != kSignature[i]) return std::nullopt;
    }
    if (std::string(bytes.data() + 12, 4) != "IHDR") return std::nullopt;
    auto bigEndian = [&](int at) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return std::make_pair(bigEndian(16), bigEndian(20));
}

// A decoded picture; pixels are premultiplied ARGB as Cairo keeps them.
class Picture {
  public:
    explicit Picture(const fs::path& file) : surface_(cairo_image_surface_create_from_png(file.c_str())) {}
    ~Picture() { cairo_surface_destroy(surface_); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }
    uint32_t at(int x, int y) const {
        const unsigned char* row =
            cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const uint32_t*>(row)[x];
    }
    int alpha(int x, int y) const { return at(x, y) >> 24; }
    int channel(int x, int y, int c) const {
        return (at(x, y) >> (8 * (3 - c))) & 0xFF;
    }  // 0 a, 1 r, 2 g, 3 b

  private:
    cairo_surface_t* surface_;
};

class GeneratedAssets : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        exitCode_ = runGenerator("'" + folder_->path().string() + "'");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(exitCode_, 0); }

    static fs::path file(const std::string& name, const char* suffix = "") {
        return folder_->path() / (name + suffix + ".png");
    }

    static TempFolder* folder_;
    static int exitCode_;
};

TempFolder* GeneratedAssets::folder_ = nullptr;
int GeneratedAssets::exitCode_ = -1;

TEST_F(GeneratedAssets, EveryTextureExistsAtEveryScaleWithMatchingPointSize) {
    for (const auto& texture : kExpected) {
        for (const auto& variant : kVariants) {
            SCOPED_TRACE(std::string(texture.name) + variant.suffix);
            auto size = pngSize(file(texture.name, variant.suffix));
            ASSERT_TRUE(size.has_value()) << "missing or not a PNG";
            EXPECT_EQ(size->first, static_cast<uint32_t>(texture.width * variant.numerator / 2));
            EXPECT_EQ(size->second, static_cast<uint32_t>(texture.height * variant.numerator / 2));
        }
    }
    // Nothing else: no half-written temporaries, no stray names.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder_->path())) {
        EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, static_cast<int>(kExpected.size() * kVariants.size()));
}

TEST_F(GeneratedAssets, DoubleResolutionShowsTheSamePicture) {
    // Halving the _cs200 picture must give back the base one: a routine that drew in pixels instead
    // of points, or forgot part of the picture at one scale, shows up here.
    for (const auto& texture : kExpected) {
        SCOPED_TRACE(texture.name);
        Picture base(file(texture.name));
        Picture twice(file(texture.name, "_cs200"));
        ASSERT_TRUE(base.ok() && twice.ok());
        double total = 0;
        for (int y = 0; y < base.height(); ++y) {
            for (int x = 0; x < base.width(); ++x) {
                for (int c = 0; c < 4; ++c) {
                    int sum = twice.channel(2 * x, 2 * y, c) + twice.channel(2 * x + 1, 2 * y, c) +
                              twice.channel(2 * x, 2 * y + 1, c) + twice.channel(2 * x + 1, 2 * y + 1, c);
                    total += std::abs(sum / 4.0 - base.channel(x, y, c));
                }
            }
        }
        EXPECT_LT(total / (base.width() * base.height() * 4), 10.0);
    }
}

TEST_F(GeneratedAssets, HeroIsARedBallStandingOnTheBottomRowLookingItsWay) {
    Picture left(file("tiko_left_256"));
    Picture right(file("tiko_right_256"));
    Picture hurt(file("tiko_ouch_256"));
    ASSERT_TRUE(left.ok() && right.ok() && hurt.ok());
    // Round: corners clear, the middle of the bottom row solid (the feet are at the anchor), and
    // the middle row spans nearly the whole width.
    EXPECT_EQ(left.alpha(0, 0), 0);
    EXPECT_EQ(left.alpha(31, 31), 0);
    EXPECT_GT(left.alpha(16, 31), 200);
    EXPECT_EQ(left.alpha(1, 17), 255);
    EXPECT_EQ(left.alpha(30, 17), 255);
    // Red below the face.
    EXPECT_GT(left.channel(16, 27, 1), 2 * left.channel(16, 27, 2));
    // The dark pupils and mouth sit toward the side the hero looks.
    auto darkCentroid = [](const Picture& p) {
        double sum = 0;
        int count = 0;
        for (int y = 0; y < p.height(); ++y) {
            for (int x = 0; x < p.width(); ++x) {
                if (p.alpha(x, y) == 255 && p.channel(x, y, 1) < 70 && p.channel(x, y, 2) < 70) {
                    sum += x;
                    ++count;
                }
            }
        }
        return count > 0 ? sum / count : -1.0;
    };
    EXPECT_GT(darkCentroid(left), 0.0);
    EXPECT_LT(darkCentroid(left), 15.0);
    EXPECT_GT(darkCentroid(right), 17.0);
    EXPECT_NE(readBytes(file("tiko_ouch_256")), readBytes(file("tiko_left_256")));
}

TEST_F(GeneratedAssets, PlatformsKeepTheirUpperHalfClearAndAreTellApart) {
    // The hero's feet rest on the platform's centre line, so nothing may be drawn above it.
    const std::array names{"block", "block_down", "block_jump", "block_yellow", "block_red"};
    std::vector<std::array<double, 3>> means;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Picture block(file(name));
        ASSERT_TRUE(block.ok());
        int opaque = 0;
        std::array<double, 3> mean{};
        for (int y = 0; y < block.height(); ++y) {
            for (int x = 0; x < block.width(); ++x) {
                if (y < block.height() / 2) {
                    EXPECT_EQ(block.alpha(x, y), 0) << x << "," << y;
                }
                if (block.alpha(x, y) == 255) {
                    ++opaque;
                    for (int c = 0; c < 3; ++c) mean[c] += block.channel(x, y, c + 1);
                }
            }
        }
        ASSERT_GT(opaque, block.width() * block.height() / 5);
        for (double& m : mean) m /= opaque;
        means.push_back(mean);
    }
    for (size_t i = 0; i < means.size(); ++i) {
        for (size_t j = i + 1; j < means.size(); ++j) {
            double distance = std::abs(means[i][0] - means[j][0]) + std::abs(means[i][1] - means[j][1]) +
                              std::abs(means[i][2] - means[j][2]);
            EXPECT_GT(distance, 40.0) << names[i] << " looks like " << names[j];
        }
    }
}

TEST_F(GeneratedAssets, BackgroundTileIsOpaqueAndRepeatsWithoutSeams) {
    for (const auto& variant : kVariants) {
        SCOPED_TRACE(variant.suffix);
        Picture tile(file("haikei", variant.suffix));
        ASSERT_TRUE(tile.ok());
        int w = tile.width();
        int h = tile.height();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) ASSERT_EQ(tile.alpha(x, y), 255) << x << "," << y;
        }
        // Opposite edges meet in the next tile, so they must be as alike as neighbouring pixels.
        auto edgeDifference = [&](bool columns) {
            int n = columns ? h : w;
            double total = 0;
            int worst = 0;
            for (int i = 0; i < n; ++i) {
                for (int c = 1; c < 4; ++c) {
                    int a = columns ? tile.channel(0, i, c) : tile.channel(i, 0, c);
                    int b = columns ? tile.channel(w - 1, i, c) : tile.channel(i, h - 1, c);
                    total += std::abs(a - b);
                    worst = std::max(worst, std::abs(a - b));
                }
            }
            return std::make_pair(total / (n * 3), worst);
        };
        for (bool columns : {true, false}) {
            auto [mean, worst] = edgeDifference(columns);
            EXPECT_LT(mean, 4.0);
            EXPECT_LT(worst, 48);
        }
    }
}

TEST_F(GeneratedAssets, TabIconsAreWhiteShapesOnTransparency) {
    for (const char* name : {"icon_scores", "icon_settings", "icon_question"}) {
        for (const auto& variant : kVariants) {
            SCOPED_TRACE(std::string(name) + variant.suffix);
            Picture icon(file(name, variant.suffix));
            ASSERT_TRUE(icon.ok());
            int solid = 0;
            for (int y = 0; y < icon.height(); ++y) {
                for (int x = 0; x < icon.width(); ++x) {
                    int a = icon.alpha(x, y);
                    // Premultiplied white: every colour channel equals the alpha.
                    for (int c = 1; c < 4; ++c) ASSERT_EQ(icon.channel(x, y, c), a) << x << "," << y;
                    if (a == 255) ++solid;
                }
            }
            EXPECT_EQ(icon.alpha(0, 0), 0);
            EXPECT_GT(solid, icon.width() * icon.height() / 12);
            EXPECT_LT(solid, icon.width() * icon.height() * 3 / 4);
        }
    }
}

TEST_F(GeneratedAssets, PauseIconShowsWhiteBarsOnATranslucentRound) {
    Picture icon(file("icon_pause_mini"));
    ASSERT_TRUE(icon.ok());
    EXPECT_EQ(icon.alpha(0, 0), 0);
    uint32_t bar = icon.at(12, 16);
    EXPECT_EQ(bar, 0xFFFFFFFFu);
    int roundAlpha = icon.alpha(16, 16);
    EXPECT_GT(roundAlpha, 64);
    EXPECT_LT(roundAlpha, 200);
}

TEST_F(GeneratedAssets, CeilingIsSolidAlongTheTopEdge) {
    Picture ceiling(file("wall_upper"));
    ASSERT_TRUE(ceiling.ok());
    for (int x = 0; x < ceiling.width(); ++x) ASSERT_EQ(ceiling.alpha(x, 1), 255) << x;
    // The teeth leave gaps along the bottom edge.
    int clear = 0;
    for (int x = 0; x < ceiling.width(); ++x) clear += ceiling.alpha(x, ceiling.height() - 1) == 0;
    EXPECT_GT(clear, ceiling.width() / 2);
}

TEST_F(GeneratedAssets, GameOverBannerHasTextInTheMiddleAndClearMargins) {
    Picture banner(file("gameover"));
    ASSERT_TRUE(banner.ok());
    int solid = 0;
    for (int x = 0; x < banner.width(); ++x) {
        EXPECT_EQ(banner.alpha(x, 0), 0);
        EXPECT_EQ(banner.alpha(x, banner.height() - 1), 0);
        solid += banner.alpha(x, banner.height() / 2) == 255;
    }
    EXPECT_GT(solid, banner.width() / 4);
}

TEST(AssetGenerator, SameProgramWritesIdenticalBytes) {
    TempFolder first;
    TempFolder second;
    ASSERT_EQ(runGenerator("'" + first.path().string() + "'"), 0);
    ASSERT_EQ(runGenerator("'" + second.path().string() + "'"), 0);
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(first.path())) {
        fs::path other = second.path() / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_EQ(readBytes(entry.path()), readBytes(other)) << entry.path().filename();
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(kExpected.size() * kVariants.size()));
}

TEST(AssetGenerator, CreatesMissingFoldersAndRefusesUnusableOnes) {
    TempFolder folder;
    fs::path nested = folder.path() / "a" / "b";
    EXPECT_EQ(runGenerator("'" + nested.string() + "'"), 0);
    EXPECT_TRUE(fs::exists(nested / "block.png"));

    EXPECT_EQ(runGenerator(""), 2);
    EXPECT_EQ(runGenerator("''"), 2);
    EXPECT_EQ(runGenerator("one two"), 2);

    // A regular file where the folder should be is left alone.
    fs::path plain = folder.path() / "plain";
    std::ofstream(plain) << "keep";
    EXPECT_EQ(runGenerator("'" + plain.string() + "'"), 1);
    EXPECT_EQ(runGenerator("'" + (plain / "below").string() + "'"), 1);
    EXPECT_EQ(std::string(readBytes(plain).data(), 4), "keep");
}

}  // namespace
