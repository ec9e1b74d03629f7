#pragma once
// The big files creatives precache: kBytes of a pattern a client can check byte for byte, made
// in memory when first asked for. One route announces its length, the other sends it in chunks
// without one.
#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tikoleap::adserver {

class PrecacheFile {
  public:
    static constexpr std::size_t kBytes = std::size_t{32} << 20;
    static constexpr const char* kWithLengthPath = "/precache/media.bin";
    static constexpr const char* kWithoutLengthPath = "/precache/stream.bin";

    // The file's byte at offset (not a repeat of any short period, so a lost or doubled piece shows).
    static std::uint8_t byteAt(std::size_t offset);
    // The whole file.
    static const std::string& content();
    static void answer(bool withLength, httplib::Response& res);
};

}  // namespace tikoleap::adserver
