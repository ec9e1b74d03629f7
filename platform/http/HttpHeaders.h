#pragma once
// The header fields of one HTTP message, in the order they came, with name lookups that ignore
// case as HTTP wants.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class HttpHeaders {
  public:
    using Field = std::pair<std::string, std::string>;

    // Appends a field; a repeated name keeps both.
    void add(std::string name, std::string value);
    // Replaces every field of that name by this one.
    void set(std::string name, std::string value);
    void remove(std::string_view name);

    // The first value of that name.
    std::optional<std::string> get(std::string_view name) const;
    bool has(std::string_view name) const { return get(name).has_value(); }

    const std::vector<Field>& fields() const { return fields_; }
    std::size_t size() const { return fields_.size(); }
    bool empty() const { return fields_.empty(); }

    // One value per name, as a platform header dictionary has them: repeated names are joined
    // with ", " and the first spelling of the name is kept.
    std::map<std::string, std::string> dictionary() const;

    static bool namesEqual(std::string_view a, std::string_view b);

  private:
    std::vector<Field> fields_;
};

}  // namespace platform
