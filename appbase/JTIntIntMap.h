#pragma once
// A small persistent map from int to int (the level catalog's unlock state lives in one). Keys
// are kept as their decimal text, values as integers, so the file Documents/<name>.plist is an
// ordinary binary property list.
#include "core/JTObject.h"
#include "core/JTString.h"
#include "platform/plist/PlistDict.h"

namespace JTAppBase {

class JTIntIntMap : public JTCore::JTObject {
  public:
    JTIntIntMap();
    ~JTIntIntMap() override;

    // The number stored under key; defaultValue when the key is absent or holds no number.
    // Reals are truncated toward zero; values beyond the int range saturate.
    virtual int get(int key, int defaultValue) const;
    virtual void put(int key, int value);
    virtual void remove(int key);
    virtual void clear();
    // Writes the whole map to Documents/<name>.plist (binary, atomic); whether that worked.
    virtual bool save(const JTCore::Ref<JTCore::JTString>& name);
    // Replaces the map by the file's entries, taken as they are. False, with the map unchanged,
    // when the file is missing or unreadable (an unreadable one is reported by one WARN line).
    virtual bool load(const JTCore::Ref<JTCore::JTString>& name);

    const platform::PlistDict& dictionary() const { return dictionary_; }

  private:
    platform::PlistDict dictionary_;
};

}  // namespace JTAppBase
