#include "ads/render/sampling/DZPageTextReader.h"

#include <utility>

namespace {

// UTF-16 units of valid UTF-8 text: one per sequence, two for a four-byte one.
std::size_t utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

}  // namespace

void DZPageTextReader::read(const std::shared_ptr<platform::web::WebContentView>& view, std::size_t maxBytes,
                            Wanted wanted, Chunk chunk, std::function<void()> done) {
    std::shared_ptr<DZPageTextReader> reader(new DZPageTextReader());
    reader->view_ = view;
    reader->maxBytes_ = maxBytes;
    reader->wanted_ = std::move(wanted);
    reader->chunk_ = std::move(chunk);
    reader->done_ = std::move(done);
    reader->ask();
}

std::string DZPageTextReader::chunkScript(std::size_t offset) {
    // The page works its text out once a read: a text longer than a piece waits for the later
    // pieces under a registered symbol (out of the page's own names), and goes with the last one.
    // A piece may end between the two halves of a character beyond U+FFFF: each half then reads
    // as U+FFFD, which separates tokens just as such a character does and counts as long.
    const std::string from = std::to_string(offset), to = std::to_string(offset + kChunkUnits);
    const std::string key = "Symbol.for('tikoleap.page-text')";
    const std::string text = offset == 0 ? "(document.body ? document.body.innerText : '')"
                                         : "(typeof window[k] === 'string' ? window[k] : "
                                           "document.body ? document.body.innerText : '')";
    return "(function(k) { var t = " + text + "; if (t.length > " + to +
           ") window[k] = t; else delete window[k]; " + "return t.slice(" + from + ", " + to + "); })(" +
           key + ")";
}

std::string DZPageTextReader::forgetScript() {
    return "delete window[Symbol.for('tikoleap.page-text')]";
}

void DZPageTextReader::ask() {
    auto view = view_.lock();
    if (!view || !view->engine() || !wanted_()) return end();
    // The engine holds the reader until it answers.
    view->engine()->evaluateScript(
        chunkScript(units_),
        [self = shared_from_this()](const platform::web::ScriptResult& result) { self->answered(result); });
}

void DZPageTextReader::answered(const platform::web::ScriptResult& result) {
    if (!result.ok || !wanted_()) return end();
    const std::size_t units = utf16Length(result.value);
    units_ += units;
    bytes_ += result.value.size();
    if (!result.value.empty()) chunk_(result.value);
    if (units < kChunkUnits) return end();
    if (units_ >= kMaximumUnits || bytes_ >= maxBytes_) {
        // The page keeps the rest of its text for pieces that will not be asked.
        if (auto view = view_.lock(); view && view->engine())
            view->engine()->evaluateScript(forgetScript(), [](const platform::web::ScriptResult&) {});
        return end();
    }
    ask();
}

void DZPageTextReader::end() {
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done();
}
