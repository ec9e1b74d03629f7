#include "shell/TextureVariant.h"

#include <sys/stat.h>

#include <vector>

const char* TextureVariant::suffixForIndex(int contentsScaleIndex) {
    switch (contentsScaleIndex) {
        case 2:
            return "_cs150";
        case 3:
            return "_cs200";
        default:
            return "";
    }
}

float TextureVariant::scaleForIndex(int contentsScaleIndex) {
    switch (contentsScaleIndex) {
        case 2:
            return 1.5f;
        case 3:
            return 2.0f;
        default:
            return 1.0f;
    }
}

std::optional<TextureVariant> TextureVariant::find(const std::string& resourcesDir, const std::string& name,
                                                   int contentsScaleIndex) {
    std::vector<int> order{contentsScaleIndex};
    for (int i = contentsScaleIndex - 1; i >= 1; --i) order.push_back(i);
    order.push_back(2);
    order.push_back(3);
    const std::string folder =
        resourcesDir.empty() || resourcesDir.back() == '/' ? resourcesDir : resourcesDir + "/";
    for (int index : order) {
        TextureVariant variant;
        variant.path = folder + name + suffixForIndex(index) + ".png";
        struct stat info {};
        if (::stat(variant.path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            variant.contentsScaleIndex = index;
            variant.contentsScale = scaleForIndex(index);
            return variant;
        }
    }
    return std::nullopt;
}
