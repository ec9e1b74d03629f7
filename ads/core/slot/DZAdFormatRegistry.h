#pragma once
// The formats the slot serves, by two keys: the owner type a slot asks the core page for (1 a
// banner, 2 an interstitial, 0 any other owner) says which ad model the page's answer becomes,
// and a fetched ad's response type says which format takes it. Owner types 0-2 are there from
// the start; the slot serves HTML, native and custom-rendered ads itself where no format
// registered here takes them. The folders above the slot add theirs (mediation, native) when the
// public objects are first made, so a new format is a folder and a registration, not a case in
// the slot. A later registration under the same key replaces the earlier. Main thread only.
#include <functional>
#include <map>
#include <memory>

#include <nlohmann/json.hpp>

class DZAd;
class DZSlotFormat;

class DZAdFormatRegistry {
  public:
    using ModelMaker = std::function<std::shared_ptr<DZAd>(const nlohmann::json& answer)>;
    using FormatMaker = std::function<std::shared_ptr<DZSlotFormat>()>;

    static DZAdFormatRegistry& shared();

    void registerOwnerType(int ownerType, ModelMaker maker);
    void registerResponseType(unsigned responseType, FormatMaker maker);

    // Null when no format makes models for that owner type.
    std::shared_ptr<DZAd> makeAdModel(int ownerType, const nlohmann::json& answer) const;
    // Null when no format takes that response type.
    std::shared_ptr<DZSlotFormat> makeFormat(unsigned responseType) const;

  private:
    DZAdFormatRegistry();
    std::map<int, ModelMaker> models_;
    std::map<unsigned, FormatMaker> formats_;
};
