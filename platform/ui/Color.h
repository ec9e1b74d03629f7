#pragma once
// RGBA colour with straight (not premultiplied) components in 0..1.

namespace platform::ui {

struct Color {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;

    static constexpr Color clear() { return {0, 0, 0, 0}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }
    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color gray(float level, float alpha = 1) { return {level, level, level, alpha}; }
    constexpr Color withAlpha(float alpha) const { return {r, g, b, alpha}; }
    bool operator==(const Color&) const = default;
};

}  // namespace platform::ui
