#include "platform/text/TextRasterizer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace platform {

namespace {

struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> describe(const TextStyle& style) {
    std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> d(pango_font_description_new());
    const std::string& name = style.fontName;
    pango_font_description_set_family(d.get(), TextRasterizer::familyFor(name).c_str());
    const auto dash = name.find('-');
    const std::string styleSuffix = dash == std::string::npos ? std::string() : name.substr(dash + 1);
    if (styleSuffix.find("Bold") != std::string::npos)
        pango_font_description_set_weight(d.get(), PANGO_WEIGHT_BOLD);
    if (styleSuffix.find("Italic") != std::string::npos || styleSuffix.find("Oblique") != std::string::npos) {
        pango_font_description_set_style(d.get(), PANGO_STYLE_ITALIC);
    }
    const float size =
        std::isfinite(style.fontSizePixels) ? std::clamp(style.fontSizePixels, 1.0f, 1024.0f) : 1.0f;
    pango_font_description_set_absolute_size(d.get(), static_cast<double>(size) * PANGO_SCALE);
    return d;
}

PangoAlignment alignmentFor(int alignment) {
    switch (alignment) {
        case 1:
            return PANGO_ALIGN_CENTER;
        case 2:
            return PANGO_ALIGN_RIGHT;
        default:
            return PANGO_ALIGN_LEFT;
    }
}

}  // namespace

TextRasterizer& TextRasterizer::forThisThread() {
    thread_local TextRasterizer instance;
    return instance;
}

TextRasterizer::TextRasterizer() {
    fontMap_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(fontMap_);
    // Grey antialiasing and unhinted metrics: the same layout at every size and on every machine.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    layout_ = pango_layout_new(context_);
}

TextRasterizer::~TextRasterizer() {
    g_object_unref(layout_);
    g_object_unref(context_);
    g_object_unref(fontMap_);
}

std::string TextRasterizer::familyFor(const std::string& fontName) {
    const std::string base = fontName.substr(0, fontName.find('-'));
    if (base.empty() || startsWith(base, "Arial") || startsWith(base, "Helvetica")) return "Liberation Sans";
    return base;
}

void TextRasterizer::prepare(const std::string& utf8, float width, const TextStyle& style) {
    gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    pango_layout_set_text(layout_, valid, -1);
    g_free(valid);
    auto description = describe(style);
    pango_layout_set_font_description(layout_, description.get());
    pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_NONE);
    if (width > 0 && std::isfinite(width)) {
        pango_layout_set_width(layout_, static_cast<int>(std::min(width, 1.0e6f) * PANGO_SCALE));
        if (style.singleLine) {
            // The layout's default height (-1) keeps an ellipsized paragraph to one line.
            pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
        } else {
            // Breaks between words; a single word wider than the box breaks between letters.
            pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
        }
    } else {
        pango_layout_set_width(layout_, -1);
    }
    pango_layout_set_alignment(layout_, alignmentFor(style.alignment));
}

std::vector<std::uint8_t> TextRasterizer::render(const std::string& utf8, int bufferWidth, int bufferHeight,
                                                 Size box, const TextStyle& style) {
    if (bufferWidth <= 0 || bufferHeight <= 0) return {};
    std::vector<std::uint8_t> out(static_cast<size_t>(bufferWidth) * static_cast<size_t>(bufferHeight), 0);
    if (utf8.empty() || !(box.width > 0) || !(box.height > 0)) return out;

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, bufferWidth, bufferHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return {};
    }
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, 0, 0, box.width, box.height);
    cairo_clip(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    prepare(utf8, box.width, style);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, layout_);
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < bufferHeight; ++y) {
        std::memcpy(out.data() + static_cast<size_t>(y) * bufferWidth, data + static_cast<size_t>(y) * stride,
                    static_cast<size_t>(bufferWidth));
    }
    cairo_surface_destroy(surface);
    return out;
}

Size TextRasterizer::measure(const std::string& utf8, float width, const TextStyle& style) {
    if (utf8.empty()) return {};
    prepare(utf8, width, style);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    return {static_cast<float>(logical.width), static_cast<float>(logical.height)};
}

}  // namespace platform
