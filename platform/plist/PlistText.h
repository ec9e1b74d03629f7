#pragma once
// Property-list bytes of any format the game receives: binary ("bplist00") and XML through
// libplist, and the old text format (braces and parentheses) through a small strict reader of our
// own, since the library has none. The text reader takes dictionaries, arrays, quoted and bare
// strings, and <hex> data, nested at most kMaxPlistNesting deep; anything else is an error.
#include <plist/plist.h>

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

struct PlistNodeFree {
    void operator()(plist_t node) const {
        if (node) plist_free(node);
    }
};
// An owned root node of any type.
using PlistNodePtr = std::unique_ptr<void, PlistNodeFree>;

// Parses the text format only; null with the reason in why for anything malformed.
PlistNodePtr parseTextPlist(const void* data, size_t size, std::string* why = nullptr);

// Parses any of the three formats (checked against the limits of PlistLimits.h first); null with
// the reason in why.
PlistNodePtr parsePlistAnyFormat(const void* data, size_t size, std::string* why = nullptr);

}  // namespace platform
