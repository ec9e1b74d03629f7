// Fingerprinting one sampling pass: 100 KiB of mixed Latin and CJK paragraphs in one text, the
// way a pass hands over a page's text (goal: at most 5 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "ads/render/sampling/DZContent.h"

namespace {

std::string mixedText(std::size_t bytes) {
    static const char* kParagraphs[] = {
        "The Quick Brown Fox jumps over the lazy dog while the scoreboard counts 1200 points.",
        // Long lines are split in parentheses, which tells the compiler the joins are meant.
        ("\u4ECA\u65E5\u306F\u3044\u3044\u5929\u6C17\u3067\u3059\u306D\u3002\u6B21\u306E\u30B2\u30FC\u30E0"
         "\u3092"
         "\u59CB\u3081\u307E\u3057\u3087\u3046"),
        ("Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e, na\u00EFve r\u00E9sum\u00E9 and \u00DCBER STRASSE in one "
         "line."),
        "\uD55C\uAD6D\uC5B4 \uBB38\uC7A5\uB3C4 \uC788\uC2B5\uB2C8\uB2E4 and a few more english words to mix",
    };
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += kParagraphs[i % 4];
        text += " #" + std::to_string(i) + "\n";
    }
    text.resize(text.rfind('\n', bytes));
    return text;
}

void BM_FingerprintMixedText(benchmark::State& state) {
    const std::string text = mixedText(100 * 1024);
    uint32_t sequence = 0;
    bool fingerprinted = true;
    for (auto _ : state) {
        DZContent content(++sequence);
        content.updateContentWithText(text);
        fingerprinted = fingerprinted && !content.fingerprint().empty();
        benchmark::DoNotOptimize(content.fingerprint());
    }
    if (!fingerprinted) state.SkipWithError("a pass made no fingerprint");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FingerprintMixedText)->Unit(benchmark::kMillisecond);

}  // namespace
