#include "platform/image/ImageDecoder.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/image/DecodeAllowance.h"

namespace platform {

namespace {

struct SizeCheck {
    int maxSide = 0;
    const ImageDecoder::Admission* admit = nullptr;
    // What the file declares beyond the size the loader reports: a GIF's first frame, which the
    // loader decodes at its own size however small the picture it makes of it.
    int declaredWidth = 0;
    int declaredHeight = 0;
    bool seen = false;
    bool refused = false;
    bool asked = false;
    bool declined = false;
    // The work shared with other pictures, charged once: the size judged times the passes the
    // loader makes over the pixels times what a pixel of the format costs it.
    DecodeAllowance* allowance = nullptr;
    std::uint64_t passes = 1;
    std::uint64_t perPixel = 1;
    // What the loader is handed: it reads every byte, whatever the pixels.
    std::uint64_t bytes = 0;
    std::uint64_t perByte = ImageDecoder::kWorkPerByte;
    bool charged = false;
    bool unaffordable = false;
    // As the loader reported it, and the largest the file declares (what is judged and asked).
    int reportedWidth = 0;
    int reportedHeight = 0;
    int width = 0;
    int height = 0;
};

std::uint64_t work(const SizeCheck& check) {
    return std::uint64_t(std::max(check.width, 0)) * std::uint64_t(std::max(check.height, 0)) * check.passes *
               check.perPixel +
           check.bytes * check.perByte;
}

// Judges the size a picture's header gives, before its pixels are allocated. A picture once
// refused or declined stays so, and the caller is asked about one size only.
void judgeSize(SizeCheck& check, int width, int height) {
    const bool changed = check.seen && (width != check.reportedWidth || height != check.reportedHeight);
    check.seen = true;
    check.reportedWidth = width;
    check.reportedHeight = height;
    check.width = std::max(width, check.declaredWidth);
    check.height = std::max(height, check.declaredHeight);
    check.refused = check.refused || width <= 0 || height <= 0 || check.width > check.maxSide ||
                    check.height > check.maxSide;
    if (!check.refused && check.allowance && !check.charged) {
        check.charged = true;
        check.unaffordable = !check.allowance->take(work(check));
    }
    if (!check.refused && !check.unaffordable && check.admit && *check.admit) {
        if (!check.asked) {
            check.asked = true;
            check.declined = !(*check.admit)(check.width, check.height);
        } else if (changed) {
            check.declined = true;
        }
    }
}

// The loader reports the size from the header, before it allocates the pixels; a size of zero
// makes it give up there.
void onSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) {
    auto* check = static_cast<SizeCheck*>(data);
    judgeSize(*check, width, height);
    if (check->refused || check->declined || check->unaffordable) gdk_pixbuf_loader_set_size(loader, 0, 0);
}

std::nullopt_t fail(std::string* error, std::string reason) {
    if (error) *error = std::move(reason);
    return std::nullopt;
}

std::string tooLarge(const SizeCheck& check) {
    return "The picture is " + std::to_string(check.width) + " x " + std::to_string(check.height) +
           " pixels; at most " + std::to_string(check.maxSide) + " a side are taken.";
}

std::string unaffordable(const SizeCheck& check) {
    return "The picture of " + std::to_string(check.width) + " x " + std::to_string(check.height) +
           " pixels in " + std::to_string(check.bytes) + " bytes would take " + std::to_string(work(check)) +
           " units of decode work, its bytes counted in, past the decode work left to the pictures it "
           "comes with.";
}

std::string declined(const SizeCheck& check) {
    return "The picture of " + std::to_string(check.width) + " x " + std::to_string(check.height) +
           " pixels was declined before decoding.";
}

std::uint32_t bigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

// The library's PNG and JPEG loaders hand back the rows they got from a cut file, the rest
// left blank, and call that success: a whole file is one that reaches its end marker. What the
// loaders read is also bounded on the way there.

// The chunks the PNG loader draws the pixels from. It inflates a compressed text chunk (up to
// megabytes from a few kilobytes, a thousand of them to a file) only to keep it as an option
// nobody reads: those and every other chunk are left out of what it is handed.
bool drawnFrom(const std::uint8_t* type) {
    for (const char* kept : {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"})
        if (std::memcmp(type, kept, 4) == 0) return true;
    return false;
}

// What a PNG's pixel costs its loader, in units of ImageDecoder's work: the bytes a pixel's row
// holds as decoded (its channels times its bit depth, whole bytes), and the RGBA it is turned into.
// Without a header first, the dearest a pixel can be.
std::uint64_t pngWorkPerPixel(const std::string& chunks) {
    constexpr std::size_t at = 8 + 8;  // past the signature, the header's length and type
    constexpr std::uint64_t made = 4;
    if (chunks.size() < at + 10 || chunks.compare(12, 4, "IHDR") != 0) return 8 + made;
    const auto depth = static_cast<std::uint8_t>(chunks[at + 8]);
    int channels = 4;
    switch (static_cast<std::uint8_t>(chunks[at + 9])) {
        case 0:  // grey
        case 3:  // indexed
            channels = 1;
            break;
        case 2:  // RGB
            channels = 3;
            break;
        case 4:  // grey and alpha
            channels = 2;
            break;
        default:
            break;
    }
    return std::clamp<std::uint64_t>((std::uint64_t{depth} * channels + 7) / 8, 1, 8) + made;
}

// The file's signature and the chunks drawn from, up to its end marker; nothing when the bytes
// end first.
std::optional<std::string> pngPixelChunks(const std::uint8_t* bytes, std::size_t size) {
    std::size_t at = 8;  // past the signature
    std::string kept(reinterpret_cast<const char*>(bytes), at);
    while (size - at >= 12) {
        const std::uint32_t length = bigEndian(bytes + at, 4);
        const bool end = std::memcmp(bytes + at + 4, "IEND", 4) == 0;
        if (!end && length > size - at - 12) return std::nullopt;
        const std::size_t chunk = end ? 12 : 12 + std::size_t{length};
        if (drawnFrom(bytes + at + 4)) kept.append(reinterpret_cast<const char*>(bytes + at), chunk);
        if (end) return kept;
        at += chunk;
    }
    return std::nullopt;
}

// What the walk to a JPEG's end marker finds: the frame's size and how many scans there are.
// The loader decodes a picture of several scans whole again with each scan it reads.
struct JpegLayout {
    bool whole = false;
    std::uint32_t scans = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool framed = false;  // a frame header was read
    std::string kept;     // what the loader is handed
};

// The loader reads every comment and application segment, in time that grows faster than their
// number: of those only a JFIF (APP0) and an Adobe (APP14) segment decide how the colours are
// transformed, and an EXIF one (APP1) how the picture is turned; one of each is kept, the first.
struct KeptSegments {
    bool jfif = false;
    bool adobe = false;
    bool exif = false;
};

bool keptSegment(std::uint8_t marker, const std::uint8_t* data, std::size_t length, KeptSegments& kept) {
    const auto first = [&](const char* name, std::size_t n, bool& seen) {
        if (seen || length < n || std::memcmp(data, name, n) != 0) return false;
        return seen = true;
    };
    if (marker == 0xe0) return first("JFIF", 5, kept.jfif);
    if (marker == 0xe1) return first("Exif\0", 6, kept.exif);
    if (marker == 0xee) return first("Adobe", 5, kept.adobe);
    return marker != 0xfe && !(marker >= 0xe0 && marker <= 0xef);
}

JpegLayout jpegLayout(const std::uint8_t* bytes, std::size_t size) {
    JpegLayout layout;
    std::size_t at = 2;  // past the start marker
    layout.kept.assign(reinterpret_cast<const char*>(bytes), at);
    const auto keep = [&](std::size_t from, std::size_t to) {
        layout.kept.append(reinterpret_cast<const char*>(bytes + from), to - from);
    };
    KeptSegments keptSegments;
    while (at + 1 < size) {
        if (bytes[at] != 0xff) return layout;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xd9) {
            keep(at, at + 2);
            layout.whole = true;
            return layout;
        }
        if (marker == 0xff) {  // fill byte
            ++at;
            continue;
        }
        // The library skips a stuffed zero between segments as stray bytes and looks for the
        // next marker in what follows, where this walk would skip a length: scans it would not
        // count. Stray bytes make no whole file.
        if (marker == 0x00) return layout;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {  // markers without a length
            keep(at, at + 2);
            at += 2;
            continue;
        }
        if (at + 3 >= size) return layout;
        const std::uint32_t length = bigEndian(bytes + at + 2, 2);
        if (length < 2 || length > size - at - 2) return layout;
        // A frame header (every start-of-frame kind, not the tables that share its range): its
        // precision, then its height and width. The loader decodes the first frame's every scan
        // before it refuses a second header, so the first is the one the scans are weighed by.
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame && length >= 7 && !layout.framed) {
            layout.framed = true;
            layout.height = bigEndian(bytes + at + 5, 2);
            layout.width = bigEndian(bytes + at + 7, 2);
        }
        const std::size_t segment = at;
        at += 2 + length;
        if (marker != 0xda) {
            if (keptSegment(marker, bytes + segment + 4, length - 2, keptSegments)) keep(segment, at);
            continue;
        }
        ++layout.scans;
        // The scan's coded data runs to the next marker that is neither a stuffed zero nor a restart.
        while (at + 1 < size && !(bytes[at] == 0xff && bytes[at + 1] != 0 &&
                                  !(bytes[at + 1] >= 0xd0 && bytes[at + 1] <= 0xd7)))
            ++at;
        keep(segment, at);
    }
    return layout;
}

// Skips a run of GIF data sub-blocks (each a length byte, then that many bytes) and its zero
// terminator; the position after it, or nothing when the bytes end first.
std::optional<std::size_t> pastGifSubBlocks(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    while (at < size) {
        const std::size_t length = bytes[at];
        if (length == 0) return at + 1;
        at += 1 + length;
    }
    return std::nullopt;
}

// The data of a run of sub-blocks that pastGifSubBlocks found whole (from `at`, its terminator
// included), written again in blocks of 255 bytes, the most one holds: where the blocks end means
// nothing to the picture, and the library's readers spend on each block they read.
std::string fullGifSubBlocks(const std::uint8_t* bytes, std::size_t at) {
    std::string data;
    for (std::size_t length = bytes[at]; length != 0; at += 1 + length, length = bytes[at])
        data.append(reinterpret_cast<const char*>(bytes + at + 1), length);
    std::string blocks;
    blocks.reserve(data.size() + data.size() / 255 + 2);
    for (std::size_t from = 0; from < data.size(); from += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - from);
        blocks += static_cast<char>(length);
        blocks.append(data, from, length);
    }
    blocks += '\0';
    return blocks;
}

struct GifFrame {
    std::string file;  // what the loader is handed
    int width = 0;     // the picture's own size, as its descriptor gives it
    int height = 0;
};

// The library decodes every frame of an animation it is given, and only the first is shown; it
// also holds every extension block it reads. So it is handed the header and the global colour
// table, the last graphic control block before the first picture (its transparent colour), that
// picture (its data in full blocks), then the end marker. Nothing when the bytes end or go wrong
// before the first picture is whole.
std::optional<GifFrame> firstGifFrame(const std::uint8_t* bytes, std::size_t size) {
    constexpr std::size_t kScreenEnd = 13;  // signature, then the logical screen descriptor
    if (size < kScreenEnd) return std::nullopt;
    std::size_t at = kScreenEnd;
    if (bytes[10] & 0x80) at += 3u << ((bytes[10] & 0x07) + 1);  // the global colour table
    if (at > size) return std::nullopt;
    const auto text = [bytes](std::size_t from, std::size_t to) {
        return std::string(reinterpret_cast<const char*>(bytes + from), to - from);
    };
    GifFrame frame;
    frame.file = text(0, at);
    std::string control;
    while (at < size) {
        if (bytes[at] == 0x21) {  // an extension: its label, then sub-blocks
            if (size - at < 2) return std::nullopt;
            auto next = pastGifSubBlocks(bytes, size, at + 2);
            if (!next) return std::nullopt;
            if (bytes[at + 1] == 0xf9) control = text(at, *next);
            at = *next;
        } else if (bytes[at] == 0x2c) {  // a picture: its descriptor, colour table, LZW data
            if (size - at < 11) return std::nullopt;
            frame.width = bytes[at + 5] | (bytes[at + 6] << 8);
            frame.height = bytes[at + 7] | (bytes[at + 8] << 8);
            const std::uint8_t flags = bytes[at + 9];
            std::size_t data = at + 10;
            if (flags & 0x80) data += 3u << ((flags & 0x07) + 1);
            auto end = pastGifSubBlocks(bytes, size, data + 1);  // past the LZW code size
            if (!end) return std::nullopt;
            frame.file += control + text(at, data + 1) + fullGifSubBlocks(bytes, data + 1) + '\x3b';
            return frame;
        } else {
            return std::nullopt;  // the end marker before any picture, or a block of no kind
        }
    }
    return std::nullopt;
}

Image toImage(GdkPixbuf* pixbuf) {
    Image image;
    image.width = gdk_pixbuf_get_width(pixbuf);
    image.height = gdk_pixbuf_get_height(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guint8* rows = gdk_pixbuf_read_pixels(pixbuf);
    image.content = alpha ? Image::Content::RGBAPremultiplied : Image::Content::RGB;
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
    std::uint8_t* out = image.pixels.data();
    for (int y = 0; y < image.height; ++y) {
        const guint8* in = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < image.width; ++x, in += channels, out += 4) {
            const unsigned a = alpha ? in[3] : 255u;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] * a + 127) / 255);
            out[3] = static_cast<std::uint8_t>(a);
        }
    }
    return image;
}

using PixbufHolder = std::unique_ptr<GdkPixbuf, decltype(&g_object_unref)>;

std::atomic<std::uint64_t> gHandings{0};

// The loader of the format the bytes claim, so no other of the library's loaders ever sees them,
// handed them in one write. Nothing, and the reason in `why`, when it fails or the size check
// stopped it.
PixbufHolder loadIncrementally(ImageDecoder::Format format, const std::uint8_t* bytes, std::size_t size,
                               SizeCheck& check, std::string& why, bool& missing) {
    PixbufHolder none(nullptr, g_object_unref);
    GError* failure = nullptr;
    std::unique_ptr<GdkPixbufLoader, decltype(&g_object_unref)> loader(
        gdk_pixbuf_loader_new_with_type(ImageDecoder::nameOf(format), &failure), g_object_unref);
    if (!loader) {
        why = std::string("No ") + ImageDecoder::nameOf(format) +
              " decoder: " + (failure && failure->message ? failure->message : "no loader");
        if (failure) g_error_free(failure);
        missing = true;
        return none;
    }
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(onSizePrepared), &check);
    ++gHandings;
    bool ok = gdk_pixbuf_loader_write(loader.get(), bytes, size, &failure);
    // Closing ends the loader's work even after a failed write; its verdict counts only then.
    ok = gdk_pixbuf_loader_close(loader.get(), ok ? &failure : nullptr) && ok;
    if (failure && failure->message) why = failure->message;
    if (failure) g_error_free(failure);
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (!ok || !pixbuf || check.refused || check.declined || check.unaffordable) return none;
    return PixbufHolder(GDK_PIXBUF(g_object_ref(pixbuf)), g_object_unref);
}

// The library reads a GIF two ways. Its incremental loader moves all it still holds after each
// block it reads, and decodes the picture again from its start after each write: in one write
// its work grows with the blocks times the bytes, in pieces with the pieces times the picture's
// area. Its reader of whole files reads a block at a time from the file and decodes the picture
// once, at its end. So the GIF's first picture goes to that reader, as a file in memory that
// nothing else opens; the bytes begin with the GIF signature, which the library takes for no
// other format. The reader takes a file by name only, and the file's name is the process's own
// link to it under /proc, which a process may be without: then a small picture goes to the
// incremental loader in one write, and a larger one is refused before its work is taken.
struct GifInMemory {
    int fd = -1;
    std::string path;
    GifInMemory() = default;
    GifInMemory(const GifInMemory&) = delete;
    GifInMemory& operator=(const GifInMemory&) = delete;
    ~GifInMemory() {
        if (fd >= 0) ::close(fd);
    }
};

// The bytes as a file in memory that the library can open by name; false, and why not in `why`,
// when there is none.
bool putGifInMemory(const std::string& bytes, GifInMemory& file, std::string& why) {
    file.fd = memfd_create("tikoleap-picture", MFD_CLOEXEC);
    if (file.fd < 0) {
        why = std::string("no file in memory (") + std::strerror(errno) + ")";
        return false;
    }
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t written = ::write(file.fd, bytes.data() + at, bytes.size() - at);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            why = "the file in memory took " + std::to_string(at) + " bytes";
            return false;
        }
        at += static_cast<std::size_t>(written);
    }
    file.path = "/proc/self/fd/" + std::to_string(file.fd);
    const int opened = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened < 0) {
        why = "the file in memory has no name the library can open (" + file.path + ": " +
              std::strerror(errno) + ")";
        return false;
    }
    ::close(opened);
    return true;
}

GdkPixbuf* readWholeGif(const GifInMemory& file, std::string& why) {
    ++gHandings;
    GError* failure = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(file.path.c_str(), &failure);
    if (failure && failure->message) why = failure->message;
    if (failure) g_error_free(failure);
    return pixbuf;
}

}  // namespace

std::uint64_t ImageDecoder::loaderHandings() {
    return gHandings;
}

std::optional<ImageDecoder::Format> ImageDecoder::formatOf(const std::uint8_t* bytes, std::size_t size) {
    static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!bytes) return std::nullopt;
    if (size >= sizeof kPng && std::memcmp(bytes, kPng, sizeof kPng) == 0) return Format::PNG;
    if (size >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return Format::JPEG;
    if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
        return Format::GIF;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return Format::BMP;
    return std::nullopt;
}

std::optional<std::string> ImageDecoder::loaderInput(const std::uint8_t* bytes, std::size_t size) {
    const auto format = formatOf(bytes, size);
    if (!format) return std::nullopt;
    switch (*format) {
        case Format::PNG:
            return pngPixelChunks(bytes, size);
        case Format::JPEG: {
            JpegLayout jpeg = jpegLayout(bytes, size);
            if (!jpeg.whole) return std::nullopt;
            return std::move(jpeg.kept);
        }
        case Format::GIF: {
            auto frame = firstGifFrame(bytes, size);
            if (!frame) return std::nullopt;
            return std::move(frame->file);
        }
        case Format::BMP:
            break;
    }
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

const char* ImageDecoder::nameOf(Format format) {
    switch (format) {
        case Format::PNG:
            return "png";
        case Format::JPEG:
            return "jpeg";
        case Format::GIF:
            return "gif";
        case Format::BMP:
            return "bmp";
    }
    return "";
}

std::optional<Image> ImageDecoder::decode(const std::uint8_t* bytes, std::size_t size, std::string* error,
                                          int maxSide, const Admission& admit, Formats formats,
                                          DecodeAllowance* allowance, Orientation orientation) {
    if (!bytes || size == 0) return fail(error, "The picture is empty.");
    const auto format = formatOf(bytes, size);
    if (!format || (*format == Format::BMP && formats != Formats::WebAndBmp))
        return fail(error, formats == Formats::WebAndBmp ? "The data is no PNG, JPEG, GIF or BMP picture."
                                                         : "The data is no PNG, JPEG or GIF picture.");
    const std::string cut = std::string("The ") + nameOf(*format) + " picture is truncated or corrupt";
    if (allowance && allowance->spent())
        return fail(error,
                    "The pictures before it took all the decode work the pictures they come with may take.");
    SizeCheck check;
    check.maxSide = maxSide;
    check.admit = &admit;
    check.allowance = allowance;
    // What the loader is handed when that is not the caller's bytes as they are.
    std::string handed;
    if (*format == Format::PNG) {
        auto chunks = pngPixelChunks(bytes, size);
        if (!chunks) return fail(error, cut + ": it has no end.");
        handed = std::move(*chunks);
        check.perPixel = pngWorkPerPixel(handed);
    } else if (*format == Format::JPEG) {
        JpegLayout jpeg = jpegLayout(bytes, size);
        if (!jpeg.whole) return fail(error, cut + ": it has no end.");
        handed = std::move(jpeg.kept);
        check.passes = std::max<std::uint32_t>(jpeg.scans, 1);
        check.width = static_cast<int>(jpeg.width);
        check.height = static_cast<int>(jpeg.height);
        if (check.width > maxSide || check.height > maxSide) return fail(error, tooLarge(check));
        if (jpeg.scans > kMaxJpegScans ||
            std::uint64_t{jpeg.scans} * jpeg.width * jpeg.height > kMaxJpegScanPixels)
            return fail(error, "The jpeg picture of " + std::to_string(jpeg.width) + " x " +
                                   std::to_string(jpeg.height) + " pixels has " + std::to_string(jpeg.scans) +
                                   " scans; at most " + std::to_string(kMaxJpegScans) +
                                   " are taken, and at most " + std::to_string(kMaxJpegScanPixels) +
                                   " pixels in all of them.");
    } else if (*format == Format::GIF) {
        auto firstFrame = firstGifFrame(bytes, size);
        if (!firstFrame) return fail(error, cut + ": it has no whole picture.");
        handed = std::move(firstFrame->file);
        check.perPixel = kGifWorkPerPixel;
        check.perByte = kGifWorkPerByte;
        check.declaredWidth = check.width = firstFrame->width;
        check.declaredHeight = check.height = firstFrame->height;
        if (check.width > maxSide || check.height > maxSide)
            return fail(error, "The gif picture's first frame is " + std::to_string(check.width) + " x " +
                                   std::to_string(check.height) + " pixels; at most " +
                                   std::to_string(maxSide) + " a side are taken.");
    }
    if (!handed.empty()) {
        bytes = reinterpret_cast<const std::uint8_t*>(handed.data());
        size = handed.size();
    }
    check.bytes = size;
    PixbufHolder pixbuf(nullptr, g_object_unref);
    std::string why;
    bool missing = false;  // no decoder at all, rather than bytes it could not decode
    if (*format == Format::GIF) {
        GifInMemory file;
        std::string noFile;
        const bool whole = putGifInMemory(handed, file, noFile);
        if (!whole && handed.size() > kMaxGifBytesInOneWrite)
            return fail(error, "No gif decoder for a picture of " + std::to_string(handed.size()) +
                                   " bytes: " + noFile + ", and at most " +
                                   std::to_string(kMaxGifBytesInOneWrite) + " bytes are read without one.");
        // Judged as the loader would have been, by the screen its header gives, before the
        // reader allocates anything.
        judgeSize(check, bytes[6] | (bytes[7] << 8), bytes[8] | (bytes[9] << 8));
        if (check.refused) return fail(error, tooLarge(check));
        if (check.unaffordable) return fail(error, unaffordable(check));
        if (check.declined) return fail(error, declined(check));
        if (whole) {
            pixbuf.reset(readWholeGif(file, why));
        } else {
            pixbuf = loadIncrementally(*format, bytes, size, check, why, missing);
            if (check.declined) return fail(error, declined(check));
        }
    } else {
        pixbuf = loadIncrementally(*format, bytes, size, check, why, missing);
        if (check.refused) return fail(error, tooLarge(check));
        if (check.unaffordable) return fail(error, unaffordable(check));
        if (check.declined) return fail(error, declined(check));
    }
    if (!pixbuf) return fail(error, missing ? why : cut + (why.empty() ? "." : ": " + why));
    // The size the loader reported is the size the caller gets.
    const int width = gdk_pixbuf_get_width(pixbuf.get());
    const int height = gdk_pixbuf_get_height(pixbuf.get());
    const bool resized = check.asked && (width != check.reportedWidth || height != check.reportedHeight);
    check.width = std::max(width, check.declaredWidth);
    check.height = std::max(height, check.declaredHeight);
    if (resized) return fail(error, declined(check));
    // A loader that never reported the size is held to the limit, and to the caller's
    // admission, all the same.
    if (check.width > maxSide || check.height > maxSide) return fail(error, tooLarge(check));
    if (allowance && !check.charged && !allowance->take(work(check))) return fail(error, unaffordable(check));
    if (admit && !check.asked && !admit(check.width, check.height)) return fail(error, declined(check));
    // The loader read the orientation from the picture's EXIF; turning makes a copy of the same
    // size, turned.
    if (orientation == Orientation::Upright)
        pixbuf.reset(gdk_pixbuf_apply_embedded_orientation(pixbuf.get()));
    if (!pixbuf) return fail(error, "The picture could not be turned upright.");
    return toImage(pixbuf.get());
}

}  // namespace platform
