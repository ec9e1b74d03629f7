#pragma once
// One kept shingle of a page-content fingerprint: its tokens and their polynomial hash.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DZShingleHashTuple {
  public:
    DZShingleHashTuple(std::vector<std::string> shingle, uint64_t hashValue)
        : shingle_(std::move(shingle)), hashValue_(hashValue) {}

    const std::vector<std::string>& shingle() const { return shingle_; }
    uint64_t hashValue() const { return hashValue_; }

  private:
    std::vector<std::string> shingle_;
    uint64_t hashValue_;
};

// Token count first, then hash, both ascending: -1, 0 or 1. A short shingle (a paragraph with
// fewer tokens than a window) so always ranks below a full one.
int DZCompareShingleHashTuples(const std::shared_ptr<const DZShingleHashTuple>& a,
                               const std::shared_ptr<const DZShingleHashTuple>& b);
