// tikoleap-infoplist <output file> <version>: writes the game's bundle information (the
// Info.plist of the resources folder) as an XML property list. Same arguments, same bytes.
#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/GameIdentity.h"

namespace {

void setString(plist_t dict, const char* key, const std::string& value) {
    plist_dict_set_item(dict, key, plist_new_string(value.c_str()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: tikoleap-infoplist <output file> <version>\n");
        return 2;
    }
    const std::string version = argv[2];
    plist_t root = plist_new_dict();
    setString(root, "CFBundleDisplayName", GameIdentity::kDisplayName);
    setString(root, "CFBundleName", GameIdentity::kDisplayName);
    setString(root, "CFBundleIdentifier", GameIdentity::kBundleIdentifier);
    setString(root, "CFBundleShortVersionString", version);
    setString(root, "CFBundleVersion", version);
    setString(root, "NSHumanReadableCopyright", GameIdentity::kCopyright);
    plist_t schemes = plist_new_array();
    plist_array_append_item(schemes, plist_new_string(GameIdentity::kUrlScheme));
    plist_t urlType = plist_new_dict();
    setString(urlType, "CFBundleURLName", GameIdentity::kBundleIdentifier);
    plist_dict_set_item(urlType, "CFBundleURLSchemes", schemes);
    plist_t urlTypes = plist_new_array();
    plist_array_append_item(urlTypes, urlType);
    plist_dict_set_item(root, "CFBundleURLTypes", urlTypes);
    plist_dict_set_item(root, GameIdentity::kGameIdKey, plist_new_uint(GameIdentity::kGameId));
    setString(root, GameIdentity::kWebSecretKeyKey, GameIdentity::kWebSecretKey);
    plist_dict_set_item(root, GameIdentity::kCalibrationTypeKey,
                        plist_new_uint(GameIdentity::kAccelerometerCalibrationType));
    setString(root, GameIdentity::kWebBaseUrlKey, GameIdentity::kWebBaseUrl);

    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    plist_free(root);
    if (xml == nullptr) {
        std::fprintf(stderr, "tikoleap-infoplist: cannot serialise the bundle information\n");
        return 1;
    }
    const std::filesystem::path out(argv[1]);
    std::error_code ec;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    const std::string tmp = out.string() + ".tmp";
    bool ok = false;
    {
        std::ofstream file(tmp, std::ios::binary | std::ios::trunc);
        file.write(xml, static_cast<std::streamsize>(length));
        ok = static_cast<bool>(file);
    }
    std::free(xml);
    if (!ok || std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::remove(tmp.c_str());
        std::fprintf(stderr, "tikoleap-infoplist: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
