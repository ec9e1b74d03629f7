#pragma once
// Which file of a texture to load for a contents-scale index: "<name>_cs200.png" (index 3, 2.0),
// "<name>_cs150.png" (index 2, 1.5) or "<name>.png" (index 1 and any other, 1.0). Indices are
// tried in this order: the wanted one, each lower one down to 1, then 2, then 3; the first file
// that exists wins.

#include <optional>
#include <string>

struct TextureVariant {
    std::string path;
    int contentsScaleIndex = 1;
    float contentsScale = 1.0f;  // pixels per point of the file found

    static const char* suffixForIndex(int contentsScaleIndex);
    static float scaleForIndex(int contentsScaleIndex);
    // Nothing when no variant file exists.
    static std::optional<TextureVariant> find(const std::string& resourcesDir, const std::string& name,
                                              int contentsScaleIndex);
};
