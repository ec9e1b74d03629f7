#pragma once
// The Documents folder and dictionary property-list files.
#include <optional>
#include <string>

#include "platform/plist/PlistDict.h"

// The app's Documents folder (see platform::AppPaths), created when missing.
std::string DocumentsDirectory();

// Documents/name. Without create, the path as it is. With create, the path once it is a
// directory (made with any intermediate folders when missing); nothing when it cannot be made,
// also when a plain file holds the name. A name that climbs out of Documents gives nothing.
std::optional<std::string> DocumentsSubdirectory(const std::string& name, bool create);

// The dictionary of a binary or XML property-list file. Nothing when the file is missing; nothing
// and one WARN line naming the file when it is unreadable, malformed or not a dictionary.
std::optional<platform::PlistDict> ReadDictionaryFromPlistFile(const std::string& path);

// Writes the dictionary as a binary property list, atomically; false (with an ERROR line) when
// it cannot be serialised or written.
bool WriteDictionaryToPlistFile(const std::string& path, const platform::PlistDict& dictionary);
