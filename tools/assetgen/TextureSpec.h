#pragma once
#include <cairo.h>

namespace assetgen {

// One texture of the game: its resource name, its size in points (pixels at scale 1.0) and the
// routine that paints it. The routine always draws in points; the writer scales the context.
struct TextureSpec {
    const char* name;
    int width;
    int height;
    void (*paint)(cairo_t* cr);
};

// A resolution variant: the file-name suffix and the pixels per point it is drawn at.
struct ScaleVariant {
    const char* suffix;
    double scale;
};

}  // namespace assetgen
