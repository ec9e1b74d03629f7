#include "tools/adserver/PrecacheFile.h"

#include <algorithm>
#include <memory>

namespace tikoleap::adserver {

namespace {
constexpr std::size_t kPiece = 256u << 10;
}

std::uint8_t PrecacheFile::byteAt(std::size_t offset) {
    // The offset's bytes mixed: every 256-byte stretch differs from its neighbours.
    const std::uint32_t x = static_cast<std::uint32_t>(offset) * 2654435761u;
    return static_cast<std::uint8_t>((x >> 24) ^ (offset >> 16));
}

const std::string& PrecacheFile::content() {
    static const std::string bytes = [] {
        std::string s(kBytes, '\0');
        for (std::size_t i = 0; i < kBytes; ++i) s[i] = static_cast<char>(byteAt(i));
        return s;
    }();
    return bytes;
}

void PrecacheFile::answer(bool withLength, httplib::Response& res) {
    const std::string& bytes = content();
    auto provide = [&bytes, withLength](std::size_t offset, httplib::DataSink& sink) {
        const std::size_t n = std::min(kPiece, bytes.size() - offset);
        if (!sink.write(bytes.data() + offset, n)) return false;
        if (!withLength && offset + n == bytes.size()) sink.done();
        return true;
    };
    if (withLength) {
        res.set_content_provider(bytes.size(), "application/octet-stream",
                                 [provide](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     return provide(offset, sink);
                                 });
    } else {
        // The offset given is what has been written so far.
        res.set_chunked_content_provider(
            "application/octet-stream",
            [provide](std::size_t offset, httplib::DataSink& sink) { return provide(offset, sink); });
    }
}

}  // namespace tikoleap::adserver
