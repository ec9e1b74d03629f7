#pragma once
// The application's bundle information (the generated Info.plist of the resources folder), for
// the parts that describe the app to servers. The shell installs it once it has read the file;
// until then, and without a file, it is an empty dictionary. Safe from any thread.
#include <optional>
#include <string>

#include "platform/plist/PlistDict.h"

namespace platform {

class MainBundle {
  public:
    static PlistDict infoDictionary();
    static void setInfoDictionary(PlistDict info);
    static std::optional<std::string> stringForInfoKey(const std::string& key);
};

}  // namespace platform
