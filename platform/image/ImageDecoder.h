#pragma once
// Pictures from elsewhere (an ad's icons and images) decoded from memory: PNG, JPEG and GIF only,
// the format told by the bytes themselves (never by a name or a served type), and at most
// kMaxSide pixels a side, refused before any pixel memory is taken. Each call is independent and
// may run on any thread, so a caller on the main loop decodes on a queue of its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/Image.h"

namespace platform {

class ImageDecoder {
  public:
    static constexpr int kMaxSide = 4096;

    enum class Format { PNG, JPEG, GIF };

    // Asked once with the picture's size as its header gives it, before any pixel memory is
    // taken (and on the decoding thread); false refuses the picture. A GIF is asked about the
    // larger of its screen and its first frame a side: the frame is decoded at its own size, and
    // only then cut to the screen. A caller that holds many pictures budgets their memory here
    // rather than after the decoder has spent it.
    using Admission = std::function<bool(int width, int height)>;

    // The format the bytes begin as, or nothing for any other.
    static std::optional<Format> formatOf(const std::uint8_t* bytes, std::size_t size);
    static const char* nameOf(Format format);

    // The picture (the first frame of an animation, the only one decoded): RGBAPremultiplied
    // when it has an alpha channel, RGB otherwise. Nothing, and the reason in `error`, for bytes
    // that are empty, of another format, truncated or corrupt, a picture (or a GIF's first frame)
    // wider or taller than maxSide, or one `admit` refused.
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t size,
                                       std::string* error = nullptr, int maxSide = kMaxSide,
                                       const Admission& admit = {});
    static std::optional<Image> decode(std::string_view bytes, std::string* error = nullptr,
                                       int maxSide = kMaxSide, const Admission& admit = {}) {
        return decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), error, maxSide,
                      admit);
    }
};

}  // namespace platform
