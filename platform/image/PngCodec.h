#pragma once
// PNG files in and out: decoded by libpng; written compact through Cairo, or fast through
// libdeflate.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/Image.h"

namespace platform {

class PngCodec {
  public:
    // Decodes `path`. An image with alpha comes back RGBAPremultiplied, one without as RGB.
    // Nothing (and a reason in `error`) for a missing, unreadable, truncated or corrupt file.
    static std::optional<Image> load(const std::string& path, std::string* error = nullptr);

    // Whether `path` is a whole PNG file (signature, header, every chunk's checksum, the end
    // marker) whose header the decoder takes (a size within its limits), without decoding its
    // pixels; a reason in `error` when not.
    static bool verify(const std::string& path, std::string* error = nullptr);

    // Decodes PNG bytes held in memory (from a download or a cache), refusing an image wider or
    // taller than maxSide pixels before any pixel memory is taken.
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t size, int maxSide,
                                       std::string* error = nullptr);

    // The PNG bytes of `rgba` (width x height pixels, straight alpha, top row first); empty, with
    // a reason, for no pixels or an impossible size. Safe on any thread.
    static std::vector<std::uint8_t> encode(const std::uint8_t* rgba, int width, int height,
                                            std::string* error = nullptr);
    // The same, favouring speed over size (unfiltered rows, the fastest compression; RGB when every
    // pixel is opaque), for captures: several times faster, somewhat larger. The same pixels always
    // give the same bytes. Safe on any thread.
    static std::vector<std::uint8_t> encodeFast(const std::uint8_t* rgba, int width, int height,
                                                std::string* error = nullptr);

    // Encodes (fast) and writes to `path` (platform::writeFileAtomically: whole or not at all, through a
    // symbolic link, never over a file that is not a regular one).
    static bool write(const std::string& path, const std::uint8_t* rgba, int width, int height,
                      std::string* error = nullptr);
};

// Short names for the two operations.
inline std::optional<Image> loadPng(const std::string& path, std::string* error = nullptr) {
    return PngCodec::load(path, error);
}
inline bool writePng(const std::string& path, const std::uint8_t* rgba, int width, int height,
                     std::string* error = nullptr) {
    return PngCodec::write(path, rgba, width, height, error);
}

}  // namespace platform
