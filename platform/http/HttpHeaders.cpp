#include "platform/http/HttpHeaders.h"

#include <algorithm>
#include <cctype>

namespace platform {

bool HttpHeaders::namesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void HttpHeaders::add(std::string name, std::string value) {
    fields_.emplace_back(std::move(name), std::move(value));
}

void HttpHeaders::set(std::string name, std::string value) {
    remove(name);
    add(std::move(name), std::move(value));
}

void HttpHeaders::remove(std::string_view name) {
    std::erase_if(fields_, [&](const Field& f) { return namesEqual(f.first, name); });
}

std::optional<std::string> HttpHeaders::get(std::string_view name) const {
    for (const auto& [n, v] : fields_) {
        if (namesEqual(n, name)) return v;
    }
    return std::nullopt;
}

std::map<std::string, std::string> HttpHeaders::dictionary() const {
    std::map<std::string, std::string> out;
    std::vector<std::pair<std::string, std::string*>> seen;  // lower-cased name -> stored value
    for (const auto& [n, v] : fields_) {
        auto it = std::find_if(seen.begin(), seen.end(),
                               [&name = n](const auto& s) { return namesEqual(s.first, name); });
        if (it != seen.end()) {
            *it->second += ", " + v;
        } else {
            auto [pos, inserted] = out.emplace(n, v);
            seen.emplace_back(n, &pos->second);
        }
    }
    return out;
}

}  // namespace platform
