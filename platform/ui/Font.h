#pragma once
// The toolkit's font: the system face (Liberation Sans standing in for "Arial") at a size in
// points, regular or bold; plus horizontal alignment.
#include <string>

namespace platform::ui {

struct Font {
    float size = 17;
    bool bold = false;

    static Font system(float size) { return {size, false}; }
    static Font boldSystem(float size) { return {size, true}; }
    bool operator==(const Font&) const = default;
};

enum class TextAlignment { Left, Center, Right };

// "left", "center", "right"; false for anything else.
bool textAlignmentFromName(const std::string& name, TextAlignment& out);

}  // namespace platform::ui
