#pragma once
// The text of one sampling pass over the app's views, summarised into a short fingerprint that
// travels with ad requests: paragraphs are tokenised, every run of consecutive tokens (a shingle)
// gets a polynomial hash, the shingles with the largest hashes are kept and their digests are
// encoded. The score weighs how much text was seen against how recent the pass is. Used from one
// queue only.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ads/foundation/DZBinaryHeap.h"
#include "ads/render/sampling/DZCharacterSets.h"
#include "ads/render/sampling/DZShingleHashTuple.h"

class DZContent {
  public:
    using Tuple = std::shared_ptr<const DZShingleHashTuple>;

    static constexpr uint64_t kBase = 0x1001FFF;
    static constexpr uint64_t kModulus = 0x4000FFFF;
    static constexpr uint32_t kDefaultShingleLength = 6;
    static constexpr uint32_t kDefaultMaximumShingleCount = 10;
    // Every kept shingle adds to every ad request.
    static constexpr uint32_t kMaximumShingleCountCap = 64;
    static constexpr int32_t kServedPenalty = 100;

    // Settings come from the user defaults now; the character sets are read at each text (the
    // shared ones unless others are given).
    explicit DZContent(uint32_t sequenceNumber, std::shared_ptr<DZCharacterSets> characterSets = nullptr);

    // UTF-8; invalid sequences read as U+FFFD.
    void updateContentWithText(std::string_view text);
    void selectShinglesFromTokens(const std::vector<std::string>& tokens);
    void updateHeapWithHash(uint64_t hash, std::vector<std::string> shingle);
    std::string shingleHash() const;
    void deductServedPenalty();
    // A score after one served penalty, worked out modulo 2^32 as the score itself is.
    static int32_t scoreAfterServing(int32_t score);

    const std::string& fingerprint() const { return fingerprint_; }
    int32_t score() const { return score_; }
    uint32_t sequenceNumber() const { return sequenceNumber_; }
    uint32_t contentTotalLength() const { return contentTotalLength_; }
    uint32_t shingleLength() const { return shingleLength_; }
    uint32_t maximumShingleCount() const { return maximumShingleCount_; }
    // Ascending.
    std::vector<Tuple> shingles() const;

    // The value of one token in the hash: its MurmurHash3 read as signed, shifted by 2^31 - 1.
    static uint64_t tokenValue(std::string_view token);
    static uint64_t hornerHash(const uint64_t* values, std::size_t count);
    // The hash of every full window of windowLength values after the first, each derived from the
    // one before in constant time.
    static std::vector<uint64_t> applyRollingHash(const std::vector<uint64_t>& values, uint32_t windowLength,
                                                  uint64_t baseHash);
    // A lower-cased paragraph in UTF-16, walked one code unit at a time; tokens in UTF-8.
    static std::vector<std::string> tokenize(std::u16string_view paragraph,
                                             const DZCharacterSets::Set& characterDelimited,
                                             const DZCharacterSets::Set& spaceDelimited);
    // As the "en_US" locale lower-cases.
    static std::u16string lowercased(std::u16string_view paragraph);

  private:
    uint32_t sequenceNumber_;
    int32_t contentAgeWeight_ = 1;
    int32_t contentLengthWeight_ = 1;
    uint32_t maximumShingleCount_ = kDefaultMaximumShingleCount;
    uint32_t minimumParagraphLength_ = 6;
    uint32_t shingleLength_ = kDefaultShingleLength;
    uint32_t contentTotalLength_ = 0;
    int32_t score_ = 0;
    DZBinaryHeap<Tuple> heap_;
    std::string fingerprint_;
    std::shared_ptr<DZCharacterSets> characterSets_;
};
