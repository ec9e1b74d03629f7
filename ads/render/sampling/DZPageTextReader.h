#pragma once
// Reads a page's text (document.body.innerText) a piece at a time, each piece its own script
// answer: the engine converts an answer on the main thread, so a page with a lot of text would
// otherwise hold the main loop for milliseconds in one go. Main thread only.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/web/WebContentView.h"

class DZPageTextReader : public std::enable_shared_from_this<DZPageTextReader> {
  public:
    // UTF-16 units a piece: a few tens of KiB to convert and copy.
    static constexpr std::size_t kChunkUnits = 16384;
    // The page's text is read no further than this many UTF-16 units.
    static constexpr std::size_t kMaximumUnits = 1024 * 1024;

    // Each piece in order, in UTF-8.
    using Chunk = std::function<void(std::string piece)>;
    // Asked before each piece: false once the reader's work no longer counts (nothing more is
    // asked or handed on).
    using Wanted = std::function<bool()>;

    // Reads until the text ends, kMaximumUnits or maxBytes are reached, a script fails, the view
    // or its engine goes, or wanted() says no; then done() runs once.
    static void read(const std::shared_ptr<platform::web::WebContentView>& view, std::size_t maxBytes,
                     Wanted wanted, Chunk chunk, std::function<void()> done);
    // The script that answers the piece starting at offset UTF-16 units.
    static std::string chunkScript(std::size_t offset);
    // The script that lets the page drop the text kept for a read stopped before its end.
    static std::string forgetScript();

  private:
    DZPageTextReader() = default;
    void ask();
    void answered(const platform::web::ScriptResult& result);
    void end();

    std::weak_ptr<platform::web::WebContentView> view_;
    std::size_t maxBytes_ = 0;
    Wanted wanted_;
    Chunk chunk_;
    std::function<void()> done_;
    std::size_t units_ = 0;
    std::size_t bytes_ = 0;
};
