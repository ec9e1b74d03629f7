#pragma once
#include <cstddef>
#include <string>
#include <vector>

inline constexpr std::size_t kDZMaxURLsPerList = 64;

// An ordered set of http or https URLs, holding at most kDZMaxURLsPerList.
class DZAdURLList {
  public:
    // Adds each text that is an http or https URL and not yet held; what would go past the limit
    // is dropped with one log line.
    void add(const std::vector<std::string>& urls);
    void clear() { urls_.clear(); }
    const std::vector<std::string>& urls() const { return urls_; }
    std::size_t size() const { return urls_.size(); }

  private:
    std::vector<std::string> urls_;
};
