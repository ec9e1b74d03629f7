#include "appbase/Texture2D.h"

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/text/TextRasterizer.h"

namespace {

// Largest text box a string texture is made for, in pixels; beyond it the texture would be
// refused by the driver or eat memory for nothing.
constexpr float kMaxStringSide = 4096.0f;

float saneScale(float scale) {
    return std::isfinite(scale) && scale > 0 ? scale : 1.0f;
}

// Draws the image at the top-left of a cleared width x height bitmap, scaled down by 2^shift with
// each target pixel the mean of the source block it covers (the cleared area counts as zero).
std::vector<std::uint8_t> placeImage(const platform::Image& image, unsigned width, unsigned height,
                                     unsigned shift, int channels) {
    std::vector<std::uint8_t> bitmap(static_cast<size_t>(width) * height * channels, 0);
    const int srcChannels = platform::Image::bytesPerPixel(image.content);
    const unsigned block = 1u << shift;
    const unsigned coveredW =
        std::min<unsigned>(width, (static_cast<unsigned>(image.width) + block - 1) >> shift);
    const unsigned coveredH =
        std::min<unsigned>(height, (static_cast<unsigned>(image.height) + block - 1) >> shift);
    const std::uint32_t area = block * block;
    for (unsigned ty = 0; ty < coveredH; ++ty) {
        for (unsigned tx = 0; tx < coveredW; ++tx) {
            std::uint32_t sums[4] = {0, 0, 0, 0};
            const unsigned x0 = tx << shift;
            const unsigned y0 = ty << shift;
            const unsigned x1 = std::min<unsigned>(x0 + block, static_cast<unsigned>(image.width));
            const unsigned y1 = std::min<unsigned>(y0 + block, static_cast<unsigned>(image.height));
            for (unsigned sy = y0; sy < y1; ++sy) {
                const std::uint8_t* row =
                    image.pixels.data() + (static_cast<size_t>(sy) * image.width) * srcChannels;
                for (unsigned sx = x0; sx < x1; ++sx) {
                    for (int c = 0; c < channels; ++c)
                        sums[c] += row[static_cast<size_t>(sx) * srcChannels + c];
                }
            }
            std::uint8_t* out = bitmap.data() + (static_cast<size_t>(ty) * width + tx) * channels;
            for (int c = 0; c < channels; ++c)
                out[c] = static_cast<std::uint8_t>((sums[c] + area / 2) / area);
        }
    }
    return bitmap;
}

std::vector<std::uint16_t> packRGB565(const std::vector<std::uint8_t>& rgbx) {
    std::vector<std::uint16_t> packed(rgbx.size() / 4);
    for (size_t i = 0; i < packed.size(); ++i) {
        const std::uint8_t* p = &rgbx[i * 4];
        packed[i] = static_cast<std::uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
    }
    return packed;
}

}  // namespace

unsigned Texture2D::nextPowerOfTwo(unsigned v) {
    unsigned p = 1;
    while (p < v && p < (1u << 31)) p <<= 1;
    return p;
}

Texture2D::Texture2D(const void* data, int pixelFormat, unsigned width, unsigned height,
                     platform::Size contentSizePixels, float contentsScale) {
    GLenum format = 0;
    GLenum type = 0;
    switch (pixelFormat) {
        case kRGBA8888:
            format = GL_RGBA;
            type = GL_UNSIGNED_BYTE;
            break;
        case kRGB565:
            format = GL_RGB;
            type = GL_UNSIGNED_SHORT_5_6_5;
            break;
        case kA8:
            format = GL_ALPHA;
            type = GL_UNSIGNED_BYTE;
            break;
        default:
            throw std::logic_error("Texture2D: unknown pixel format " + std::to_string(pixelFormat));
    }
    glGenTextures(1, &name_);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Rows are tightly packed; the default 4-byte row alignment would read past the end of a
    // 1- or 2-pixel-wide alpha or 565 bitmap.
    GLint unpack = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, format, type, data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));

    contentsScale_ = saneScale(contentsScale);
    size_ = {contentSizePixels.width / contentsScale_, contentSizePixels.height / contentsScale_};
    width_ = width;
    height_ = height;
    format_ = pixelFormat;
    maxS_ = width != 0 ? contentSizePixels.width / static_cast<float>(width) : 0.0f;
    maxT_ = height != 0 ? contentSizePixels.height / static_cast<float>(height) : 0.0f;
}

std::shared_ptr<Texture2D> Texture2D::initWithImage(const platform::Image& image, float contentsScale) {
    if (!image.hasBitmap()) {
        std::fprintf(stderr, "Image is Null\n");
        return nullptr;
    }
    int format = kRGB565;
    if (image.content == platform::Image::Content::AlphaOnly) format = kA8;
    if (image.content == platform::Image::Content::RGBAPremultiplied) format = kRGBA8888;

    unsigned width = nextPowerOfTwo(static_cast<unsigned>(image.width));
    unsigned height = nextPowerOfTwo(static_cast<unsigned>(image.height));
    platform::Size content{static_cast<float>(image.width), static_cast<float>(image.height)};
    unsigned shift = 0;
    while (width > kMaxTextureSize || height > kMaxTextureSize) {
        // A side of 1 stays 1: a zero-sized texture would hold nothing at all.
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        content.width /= 2;
        content.height /= 2;
        ++shift;
    }
    const int channels = format == kA8 ? 1 : 4;
    const std::vector<std::uint8_t> bitmap = placeImage(image, width, height, shift, channels);
    if (format == kRGB565) {
        const std::vector<std::uint16_t> packed = packRGB565(bitmap);
        return std::make_shared<Texture2D>(packed.data(), format, width, height, content, contentsScale);
    }
    return std::make_shared<Texture2D>(bitmap.data(), format, width, height, content, contentsScale);
}

std::shared_ptr<Texture2D> Texture2D::initWithString(const std::string& utf8, platform::Size dimensionsPixels,
                                                     int alignment, const std::string& fontName,
                                                     float fontSizePixels, float contentsScale) {
    const float w = dimensionsPixels.width;
    const float h = dimensionsPixels.height;
    if (!(w > 0 && h > 0 && w <= kMaxStringSide && h <= kMaxStringSide)) {
        std::fprintf(stderr, "Texture2D: no text texture for a %gx%g pixel box\n", static_cast<double>(w),
                     static_cast<double>(h));
        return nullptr;
    }
    const unsigned width = nextPowerOfTwo(static_cast<unsigned>(std::ceil(w)));
    const unsigned height = nextPowerOfTwo(static_cast<unsigned>(std::ceil(h)));
    platform::TextStyle style;
    style.fontName = fontName;
    style.fontSizePixels = fontSizePixels;
    style.alignment = alignment;
    const std::vector<std::uint8_t> coverage = platform::TextRasterizer::forThisThread().render(
        utf8, static_cast<int>(width), static_cast<int>(height), dimensionsPixels, style);
    if (coverage.empty()) return nullptr;
    return std::make_shared<Texture2D>(coverage.data(), kA8, width, height, dimensionsPixels, contentsScale);
}

Texture2D::~Texture2D() {
    if (name_ != 0) glDeleteTextures(1, &name_);
}

void Texture2D::drawQuad(const GLfloat* vertices, const GLfloat* coordinates) const {
    glBindTexture(GL_TEXTURE_2D, name_);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Texture2D::drawAtPoint(platform::Point p) const {
    const float w = size_.width / 2;
    const float h = size_.height / 2;
    const float e = edgeMarginH_;
    const float f = edgeMarginV_;
    const GLfloat vertices[] = {p.x - w, p.y - h, 0, p.x + w, p.y - h, 0,
                                p.x - w, p.y + h, 0, p.x + w, p.y + h, 0};
    const GLfloat coordinates[] = {e, maxT_ - f, maxS_ - e, maxT_ - f, e, f, maxS_ - e, f};
    drawQuad(vertices, coordinates);
}

void Texture2D::drawInRect(platform::Rect r) const {
    const float e = edgeMarginH_;
    const float f = edgeMarginV_;
    const GLfloat vertices[] = {r.minX(), r.minY(), 0, r.maxX(), r.minY(), 0,
                                r.minX(), r.maxY(), 0, r.maxX(), r.maxY(), 0};
    const GLfloat coordinates[] = {e, maxT_ - f, maxS_ - e, maxT_ - f, e, f, maxS_ - e, f};
    drawQuad(vertices, coordinates);
}

void Texture2D::drawFromRect(platform::Rect s, platform::Rect d) const {
    // A texture without content has no points to measure the source in.
    if (!(size_.width > 0) || !(size_.height > 0)) return;
    const float e = edgeMarginH_;
    const float f = edgeMarginV_;
    const float s0 = maxS_ * s.minX() / size_.width + e;
    const float s1 = maxS_ * s.maxX() / size_.width - e;
    const float tTop = maxT_ * s.minY() / size_.height + f;
    const float tBottom = maxT_ * s.maxY() / size_.height - f;
    const GLfloat vertices[] = {d.minX(), d.minY(), 0, d.maxX(), d.minY(), 0,
                                d.minX(), d.maxY(), 0, d.maxX(), d.maxY(), 0};
    const GLfloat coordinates[] = {s0, tBottom, s1, tBottom, s0, tTop, s1, tTop};
    drawQuad(vertices, coordinates);
}

void Texture2D::setNearestFilter() {
    glBindTexture(GL_TEXTURE_2D, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

std::string Texture2D::description() const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "<%s = %08" PRIXPTR " | Name = %i | Dimensions = %lux%lu | Coordinates = (%.2f, %.2f)>",
                  "Texture2D", reinterpret_cast<std::uintptr_t>(this), static_cast<int>(name_),
                  static_cast<unsigned long>(width_), static_cast<unsigned long>(height_),
                  static_cast<double>(maxS_), static_cast<double>(maxT_));
    return text;
}
