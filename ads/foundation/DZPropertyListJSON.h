#pragma once
// The component keeps its values as JSON and its stores in the user defaults, which are
// property lists. Texts, numbers, booleans, arrays and dictionaries go both ways; null is left
// out on the way in, and dates and data (which the component never stores) on the way out.
#include <nlohmann/json.hpp>

#include "platform/plist/PlistDict.h"

// A dictionary of the object's entries; an empty one for anything but an object.
platform::PlistDict DZPlistDictFromJSON(const nlohmann::json& object);
nlohmann::json DZJSONFromPlistDict(const platform::PlistDict& dict);
