#include "platform/foundation/SystemVersion.h"

#include <cstdint>

namespace platform {

namespace {

// Reads the next component's value and moves past its dot; saturates instead of overflowing.
uint64_t nextComponent(std::string_view& text) {
    uint64_t value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (value < UINT64_MAX / 16) value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        ++i;
    }
    const size_t dot = text.find('.', i);
    text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    return value;
}

}  // namespace

int compareVersionsNumerically(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
        const uint64_t x = nextComponent(a);
        const uint64_t y = nextComponent(b);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace platform
