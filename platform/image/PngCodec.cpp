#include "platform/image/PngCodec.h"

#include <cairo.h>
#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/foundation/FileIO.h"

namespace platform {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// Generated textures are far smaller; anything bigger is not one of ours.
constexpr size_t kMaxPngFileBytes = 64 * 1024 * 1024;

void setError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

// The whole file, or the reason it cannot be read in error.
FileReadResult readPngFile(const std::string& path, std::string* error) {
    FileReadResult file = readWholeFile(path, kMaxPngFileBytes);
    if (file.status != FileReadResult::Status::Ok)
        setError(error,
                 "cannot read PNG '" + path + "': " +
                     (file.status == FileReadResult::Status::Missing ? std::string(std::strerror(ENOENT))
                                                                     : file.error));
    return file;
}

// Sizes the decoder could not hold: refused before any pixel memory is taken.
std::optional<std::string> tooLargeToDecode(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;
    if (width <= 32767 && height <= 32767 && std::uint64_t{width} * height <= kMaxPixels) return std::nullopt;
    return "image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is too large";
}

cairo_status_t appendToVector(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<Image> PngCodec::load(const std::string& path, std::string* error) {
    FileReadResult file = readPngFile(path, error);
    if (file.status != FileReadResult::Status::Ok) return std::nullopt;
    std::string reason;
    std::optional<Image> image = decode(file.bytes.data(), file.bytes.size(), 0, &reason);
    if (!image) setError(error, "cannot decode PNG '" + path + "': " + reason);
    return image;
}

bool PngCodec::verify(const std::string& path, std::string* error) {
    FileReadResult file = readPngFile(path, error);
    if (file.status != FileReadResult::Status::Ok) return false;
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::vector<std::uint8_t>& bytes = file.bytes;
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, 8) != 0) {
        setError(error, "cannot decode PNG '" + path + "': not a PNG image");
        return false;
    }
    // Chunk by chunk up to the end marker, each one's checksum over its type and data.
    size_t at = 8;
    bool header = false;
    while (bytes.size() - at >= 12) {
        const std::uint8_t* p = bytes.data() + at;
        const std::uint32_t length = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                     (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
        if (length > bytes.size() - at - 12) break;
        const std::uint32_t stored = (std::uint32_t{p[8 + length]} << 24) |
                                     (std::uint32_t{p[9 + length]} << 16) |
                                     (std::uint32_t{p[10 + length]} << 8) | std::uint32_t{p[11 + length]};
        if (libdeflate_crc32(0, p + 4, length + 4) != stored) break;
        if (at == 8) header = std::memcmp(p + 4, "IHDR", 4) == 0 && length == 13;
        if (!header) break;
        if (std::memcmp(p + 4, "IEND", 4) == 0) {
            // Whole, but the decoder must also take its header: a size past its limits or a
            // header it does not understand would only show once the pixels are asked for.
            png_image png{};
            png.version = PNG_IMAGE_VERSION;
            if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
                setError(error, "cannot decode PNG '" + path + "': corrupt or truncated image data");
                return false;
            }
            const std::optional<std::string> tooLarge = tooLargeToDecode(png.width, png.height);
            png_image_free(&png);
            if (tooLarge) setError(error, "cannot decode PNG '" + path + "': " + *tooLarge);
            return !tooLarge;
        }
        at += 12 + length;
    }
    setError(error, "cannot decode PNG '" + path + "': corrupt or truncated image data");
    return false;
}

std::vector<std::uint8_t> PngCodec::encode(const std::uint8_t* rgba, int width, int height,
                                           std::string* error) {
    if (rgba == nullptr || width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        setError(error, "no pixels or an impossible size");
        return {};
    }
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        setError(error, "out of memory");
        return {};
    }
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = rgba + static_cast<size_t>(y) * width * 4;
        unsigned char* dst = data + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t a = src[x * 4 + 3];
            auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            const std::uint32_t p =
                (a << 24) | (pre(src[x * 4]) << 16) | (pre(src[x * 4 + 1]) << 8) | pre(src[x * 4 + 2]);
            std::memcpy(dst + static_cast<size_t>(x) * 4, &p, 4);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    std::vector<std::uint8_t> png;
    if (cairo_surface_write_to_png_stream(surface.get(), &appendToVector, &png) != CAIRO_STATUS_SUCCESS) {
        setError(error, "cannot encode PNG");
        return {};
    }
    return png;
}

bool PngCodec::write(const std::string& path, const std::uint8_t* rgba, int width, int height,
                     std::string* error) {
    std::string reason;
    const std::vector<std::uint8_t> png = encodeFast(rgba, width, height, &reason);
    if (png.empty() || !writeFileAtomically(path, png.data(), png.size(), 0644, &reason)) {
        setError(error, "cannot write PNG '" + path + "': " + reason);
        return false;
    }
    return true;
}

std::optional<Image> PngCodec::decode(const std::uint8_t* bytes, std::size_t size, int maxSide,
                                      std::string* error) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes == nullptr || size < sizeof kSignature || std::memcmp(bytes, kSignature, 8) != 0) {
        setError(error, "not a PNG image");
        return std::nullopt;
    }
    // The header chunk follows the signature: length, "IHDR", then width and height, big-endian.
    if (maxSide > 0) {
        if (size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
            setError(error, "no PNG header chunk");
            return std::nullopt;
        }
        auto be32 = [&](std::size_t at) {
            return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                   (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
        };
        const std::uint32_t width = be32(16), height = be32(20);
        if (width > static_cast<std::uint32_t>(maxSide) || height > static_cast<std::uint32_t>(maxSide)) {
            setError(error, "image of " + std::to_string(width) + " x " + std::to_string(height) +
                                " pixels is larger than " + std::to_string(maxSide) + " on a side");
            return std::nullopt;
        }
    }
    // libpng's own reader, straight into RGBA: half the time of decoding through a Cairo surface
    // and converting that again. Past the signature all we report is that the data is bad.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes, size)) {
        setError(error, "corrupt or truncated image data");
        return std::nullopt;
    }
    if (const std::optional<std::string> tooLarge = tooLargeToDecode(png.width, png.height)) {
        png_image_free(&png);
        setError(error, *tooLarge);
        return std::nullopt;
    }
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_RGBA;
    Image image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.content = alpha ? Image::Content::RGBAPremultiplied : Image::Content::RGB;
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        setError(error, "corrupt or truncated image data");
        return std::nullopt;
    }
    if (alpha) {
        // Colour times alpha, rounded as Cairo rounds it.
        for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
            const unsigned a = image.pixels[i + 3];
            if (a == 255) continue;
            for (size_t c = 0; c < 3; ++c) {
                const unsigned t = a * image.pixels[i + c] + 0x80;
                image.pixels[i + c] = static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> PngCodec::encodeFast(const std::uint8_t* rgba, int width, int height,
                                               std::string* error) {
    if (rgba == nullptr || width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        setError(error, "no pixels or an impossible size");
        return {};
    }
    const size_t w = static_cast<size_t>(width);
    const size_t h = static_cast<size_t>(height);
    // An opaque picture (every capture of the window) goes out as RGB: a quarter less to compress.
    bool opaque = true;
    for (size_t i = 3; i < w * h * 4 && opaque; i += 4) opaque = rgba[i] == 255;
    const size_t channels = opaque ? 3 : 4;
    const size_t rowBytes = 1 + w * channels;
    // Rows unfiltered: the captures' large flat areas compress as well as with a filter, faster.
    std::vector<std::uint8_t> raw(rowBytes * h);
    for (size_t y = 0; y < h; ++y) {
        std::uint8_t* out = raw.data() + y * rowBytes;
        const std::uint8_t* in = rgba + y * w * 4;
        *out++ = 0;
        if (!opaque) {
            std::memcpy(out, in, w * 4);
            continue;
        }
        for (size_t x = 0; x < w; ++x, out += 3, in += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(1), &libdeflate_free_compressor);
    if (!compressor) {
        setError(error, "out of memory");
        return {};
    }
    std::vector<std::uint8_t> packed(libdeflate_zlib_compress_bound(compressor.get(), raw.size()));
    const size_t packedSize =
        libdeflate_zlib_compress(compressor.get(), raw.data(), raw.size(), packed.data(), packed.size());
    if (packedSize == 0) {
        setError(error, "cannot compress the pixels");
        return {};
    }

    // A chunk holds less than 2 GiB: a huge picture's data spans several.
    constexpr size_t kMaxChunk = size_t{1} << 30;
    const size_t idatChunks = (packedSize + kMaxChunk - 1) / kMaxChunk;
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Written into a buffer of the exact size: signature, IHDR, the IDATs and IEND, each chunk with
    // its length, type and CRC.
    std::vector<std::uint8_t> png(sizeof kSignature + (12 + 13) + idatChunks * 12 + packedSize + 12);
    std::uint8_t* at = png.data();
    auto put = [&at](const void* data, size_t size) {
        if (size > 0) std::memcpy(at, data, size);
        at += size;
    };
    auto put32 = [&at](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) *at++ = static_cast<std::uint8_t>(v >> shift);
    };
    auto chunk = [&](const char* type, const std::uint8_t* data, size_t size) {
        put32(static_cast<std::uint32_t>(size));
        std::uint8_t* const start = at;
        put(type, 4);
        put(data, size);
        put32(libdeflate_crc32(0, start, size + 4));
    };
    put(kSignature, sizeof kSignature);
    std::uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
        header[4 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
    }
    header[8] = 8;               // bits per channel
    header[9] = opaque ? 2 : 6;  // truecolour, with alpha or without
    chunk("IHDR", header, sizeof header);
    for (size_t from = 0; from < packedSize; from += kMaxChunk)
        chunk("IDAT", packed.data() + from, std::min(kMaxChunk, packedSize - from));
    chunk("IEND", nullptr, 0);
    return png;
}

}  // namespace platform
