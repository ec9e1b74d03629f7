#pragma once
// Pictures from elsewhere (an ad's icons and images, a picture the user keeps) decoded from memory:
// PNG, JPEG and GIF only (and BMP where the caller asks), the format told by the bytes themselves
// (never by a name or a served type), and at most kMaxSide pixels a side, refused before any pixel
// memory is taken. A decode's work is bounded by the file's bytes and its pixels: each loader sees
// only what the pixels come from (loaderInput), in one piece (a GIF's through the library's reader
// of whole files), and a JPEG's scans are bounded below. Each call is independent and may run on any thread,
// so a caller on the main loop decodes on a queue of its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/Image.h"

namespace platform {

class DecodeAllowance;

class ImageDecoder {
  public:
    static constexpr int kMaxSide = 4096;

    enum class Format { PNG, JPEG, GIF, BMP };
    // What a call takes: a page's pictures, or those and BMP, for a picture the user keeps.
    enum class Formats { Web, WebAndBmp };
    // The pixels as stored, or turned and flipped upright as the picture's EXIF orientation says
    // (a camera's photo held on its side).
    enum class Orientation { AsStored, Upright };

    // The loader decodes a JPEG of several scans whole again with each scan (an ordinary
    // progressive one has about 10): one with more scans, or more pixels in all of them, is
    // refused as a picture too large.
    static constexpr std::uint32_t kMaxJpegScans = 100;
    static constexpr std::uint64_t kMaxJpegScanPixels = std::uint64_t{16} * kMaxSide * kMaxSide;

    // Decode work is counted in one currency whatever the format, a unit costing at most about
    // 3.5 ns of a core here (one pixel of one JPEG scan), so that an allowance buys about the same time of
    // any format. Measured with the library's loaders, 4096 x 4096 pictures, best of three:
    // - JPEG: a pixel a scan (progressive, 10 scans in 11 MB 0.43 s: 2.3 ns a unit; 16 scans in
    //   27 MB 0.99 s: 3.1 ns);
    // - PNG: a pixel costs the bytes its row holds as decoded (channels x bit depth / 8, at least
    //   one) and the 4 of the RGBA it becomes: 8-bit RGBA 0.27 s (2.0 ns a unit), 16-bit RGBA
    //   0.69 s (3.4), 8-bit RGB 0.29 s (2.9), 8-bit grey or indexed 0.14-0.15 s (2.1-2.2), 1-bit
    //   grey 0.09 s (1.1); interlaced, 8-bit RGBA 0.38 s (2.9) and 16-bit 0.69 s, so the seven
    //   passes add no pass of their own;
    // - GIF: a pixel costs 4 (one colour, 0.25 s: 3.8 ns a unit), and the data a byte 8 (a
    //   3800 x 3800 picture of 16.4 MB that does not compress, 0.33-0.42 s: 1.8-2.2 ns a unit;
    //   64 x 64 in 4 MB of one-byte blocks, 21 ms now, 0.09-0.16 s before: 0.7-5 ns).
    // What a byte handed to a PNG's or a JPEG's loader costs: it reads every byte it is handed,
    // and a compressed byte costs it about as much as two pixels of a scan.
    static constexpr std::uint64_t kWorkPerByte = 2;
    static constexpr std::uint64_t kGifWorkPerPixel = 4;
    static constexpr std::uint64_t kGifWorkPerByte = 8;
    // Without a name for a file in memory (see decode), a GIF's first picture goes to the
    // library's incremental loader in one write, whose work grows with its bytes squared: up to
    // this many bytes.
    static constexpr std::size_t kMaxGifBytesInOneWrite = std::size_t{1} << 20;

    // Asked once with the picture's size as its header gives it, before any pixel memory is
    // taken (and on the decoding thread); false refuses the picture. A GIF is asked about the
    // larger of its screen and its first frame a side: the frame is decoded at its own size, and
    // only then cut to the screen. A caller that holds many pictures budgets their memory here
    // rather than after the decoder has spent it.
    using Admission = std::function<bool(int width, int height)>;

    // The format the bytes begin as, or nothing for any other.
    static std::optional<Format> formatOf(const std::uint8_t* bytes, std::size_t size);
    static const char* nameOf(Format format);

    // What the format's loader is handed of the bytes: of a PNG only the chunks its pixels come
    // from, of a JPEG no comment and no application segment but one JFIF and one Adobe (which
    // decide its colours) and one EXIF (which says how it is turned), of a GIF its first picture and the
    // control block before it. Nothing for bytes of no such format, or not whole.
    static std::optional<std::string> loaderInput(const std::uint8_t* bytes, std::size_t size);
    static std::optional<std::string> loaderInput(std::string_view bytes) {
        return loaderInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }

    // How many times, in this process, a library's loader has been handed more of a picture: once
    // a picture. Its loaders' work grows with how often they are handed more times what they hold.
    static std::uint64_t loaderHandings();

    // The picture (the first frame of an animation, the only one decoded): RGBAPremultiplied
    // when it has an alpha channel, RGB otherwise. Nothing, and the reason in `error`, for bytes
    // that are empty, of another format, truncated or corrupt, a picture (or a GIF's first frame)
    // wider or taller than maxSide, or one `admit` refused. With an `allowance`, the picture's
    // work (its pixels times the loader's passes and what a pixel of its format costs, and its
    // bytes handed at what a byte of its format costs: see kWorkPerByte) is taken from it before `admit` is
    // asked, and a picture it refuses is refused too. A picture turned `Upright` is judged and admitted at
    // its stored size, the same pixels. A GIF is read from a file in memory, named under /proc; without that
    // name, one whose first picture takes more than kMaxGifBytesInOneWrite bytes is refused before its work
    // is taken.
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t size,
                                       std::string* error = nullptr, int maxSide = kMaxSide,
                                       const Admission& admit = {}, Formats formats = Formats::Web,
                                       DecodeAllowance* allowance = nullptr,
                                       Orientation orientation = Orientation::AsStored);
    static std::optional<Image> decode(std::string_view bytes, std::string* error = nullptr,
                                       int maxSide = kMaxSide, const Admission& admit = {},
                                       Formats formats = Formats::Web, DecodeAllowance* allowance = nullptr,
                                       Orientation orientation = Orientation::AsStored) {
        return decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), error, maxSide,
                      admit, formats, allowance, orientation);
    }
};

}  // namespace platform
