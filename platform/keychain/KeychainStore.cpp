#include "platform/keychain/KeychainStore.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/StoredFile.h"

namespace platform {

namespace {

constexpr const char* kItemsKey = "items";
constexpr size_t kMaxStoreBytes = 4 * 1024 * 1024;

bool isControlKey(const std::string& key) {
    return key == keychain::kMatchLimit || key == keychain::kReturnData || key == keychain::kValueData;
}

// Equal type and equal value; attributes are scalars, so their serialised value decides.
bool sameValue(const PlistDict& a, const PlistDict& b, const std::string& key) {
    const PlistType type = a.typeOf(key);
    if (type != b.typeOf(key)) return false;
    switch (type) {
        case PlistType::String:
            return a.getString(key) == b.getString(key);
        case PlistType::Integer:
            return a.getInt(key) == b.getInt(key);
        case PlistType::Boolean:
            return a.getBool(key) == b.getBool(key);
        case PlistType::Data:
            return a.getData(key) == b.getData(key);
        case PlistType::Real:
            return a.getReal(key) == b.getReal(key);
        case PlistType::None:
            return true;
        default:
            return false;
    }
}

bool matches(const PlistDict& item, const PlistDict& query) {
    for (const std::string& key : query.keys()) {
        if (!isControlKey(key) && !sameValue(item, query, key)) return false;
    }
    return true;
}

bool samePrimaryKey(const PlistDict& item, const PlistDict& attributes) {
    for (const char* key :
         {keychain::kClass, keychain::kAccount, keychain::kService, keychain::kAccessGroup}) {
        if (!sameValue(item, attributes, key)) return false;
    }
    return true;
}

struct Loaded {
    KeychainStore::Status status = KeychainStore::Status::Ok;
    std::vector<PlistDict> items;
    std::string message;
};

// The items of a store file's bytes; a reason in why when they are not a store.
std::optional<std::vector<PlistDict>> decode(const std::vector<uint8_t>& bytes, std::string* why) {
    std::string reason;
    std::optional<PlistDict> root = PlistDict::parse(bytes.data(), bytes.size(), &reason);
    std::optional<PlistArray> items = root ? root->getArray(kItemsKey) : std::nullopt;
    if (!items) {
        *why = root ? "it is not a keychain file" : "it is not a keychain file (" + reason + ")";
        return std::nullopt;
    }
    std::vector<PlistDict> out;
    for (size_t i = 0; i < items->size(); ++i) {
        std::optional<PlistDict> item = items->getDict(i);
        if (!item) {
            *why = "it holds an item that is not a dictionary";
            return std::nullopt;
        }
        out.push_back(std::move(*item));
    }
    return out;
}

Loaded load(const std::filesystem::path& file) {
    Loaded out;
    StoredRead read = readStoredFile(file, kMaxStoreBytes);
    if (read.status == StoredRead::Status::Missing) return out;
    if (read.status != StoredRead::Status::Ok) {
        out.status = KeychainStore::Status::IoError;
        out.message = "cannot read " + file.string() + ": " + read.error;
        return out;
    }
    std::string why;
    std::optional<std::vector<PlistDict>> items = decode(read.bytes, &why);
    if (!items) {
        markStoredFileUnreadable(file);
        out.status = KeychainStore::Status::Corrupt;
        out.message = file.string() + ": " + why;
        return out;
    }
    out.items = std::move(*items);
    return out;
}

// Ok, Refused (the file layer said why in its WARN) or IoError, with the reason in error.
KeychainStore::Status save(const std::filesystem::path& file, const std::vector<PlistDict>& items,
                           std::string* error, std::filesystem::path* aside) {
    PlistArray array;
    for (const PlistDict& item : items) array.appendDict(item);
    PlistDict root;
    root.setInt("version", 1);
    root.setArray(kItemsKey, std::move(array));
    const std::vector<uint8_t> bytes = root.toBinary();
    if (bytes.empty()) {
        *error = "cannot serialise the keychain";
        return KeychainStore::Status::IoError;
    }
    StoredSaveOptions options;
    options.mode = 0600;
    options.maxBytes = kMaxStoreBytes;
    options.looksValid = [](const std::vector<uint8_t>& current) {
        std::string why;
        return decode(current, &why).has_value();
    };
    options.logName = "KeychainStore";
    const StoredSave saved = saveStoredFile(file, bytes.data(), bytes.size(), options);
    if (saved.movedAside) *aside = *saved.movedAside;
    if (!saved.ok()) *error = saved.error;
    switch (saved.status) {
        case StoredSave::Status::Saved:
            return KeychainStore::Status::Ok;
        case StoredSave::Status::Refused:
            return KeychainStore::Status::Refused;
        case StoredSave::Status::Failed:
            break;
    }
    return KeychainStore::Status::IoError;
}

}  // namespace

KeychainStore::KeychainStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path KeychainStore::defaultFile() {
    return AppPaths::libraryDirectory() / "keychain.plist";
}

KeychainStore::Result KeychainStore::copyData(const PlistDict& query) const {
    Loaded loaded = load(file_);
    if (loaded.status != Status::Ok) return {loaded.status, {}, loaded.message};
    for (const PlistDict& item : loaded.items) {
        if (!matches(item, query)) continue;
        std::optional<std::vector<uint8_t>> data = item.getData(keychain::kValueData);
        if (!data) return {Status::Corrupt, {}, file_.string() + " holds an item without data"};
        return {Status::Ok, std::move(*data), {}};
    }
    return {Status::NotFound, {}, {}};
}

KeychainStore::Result KeychainStore::add(const PlistDict& attributes, const std::vector<uint8_t>& data) {
    return write(attributes, data, false);
}

KeychainStore::Result KeychainStore::addOrReplace(const PlistDict& attributes,
                                                  const std::vector<uint8_t>& data) {
    return write(attributes, data, true);
}

KeychainStore::Result KeychainStore::write(const PlistDict& attributes, const std::vector<uint8_t>& data,
                                           bool replace) {
    Loaded loaded = load(file_);
    if (loaded.status == Status::IoError) return {loaded.status, {}, loaded.message};
    // A corrupt file starts an empty store; the save below keeps the old file beside it.
    auto same = std::find_if(loaded.items.begin(), loaded.items.end(),
                             [&](const PlistDict& item) { return samePrimaryKey(item, attributes); });
    if (same != loaded.items.end() && !replace) return {Status::Duplicate, {}, {}};
    PlistDict item;
    for (const std::string& key : attributes.keys()) {
        if (isControlKey(key)) continue;
        switch (attributes.typeOf(key)) {
            case PlistType::String:
                item.setString(key, *attributes.getString(key));
                break;
            case PlistType::Integer:
                item.setInt(key, *attributes.getInt(key));
                break;
            case PlistType::Boolean:
                item.setBool(key, *attributes.getBool(key));
                break;
            case PlistType::Data:
                item.setData(key, *attributes.getData(key));
                break;
            default:
                break;  // only scalar attributes are stored
        }
    }
    item.setData(keychain::kValueData, data);
    // In the old item's place, in the same save: no reader ever finds the store without it.
    if (same != loaded.items.end())
        *same = std::move(item);
    else
        loaded.items.push_back(std::move(item));
    std::string error;
    std::filesystem::path aside;
    const Status saved = save(file_, loaded.items, &error, &aside);
    std::string notice;
    if (!aside.empty()) notice = loaded.message + "; kept as " + aside.string();
    if (saved != Status::Ok) return {saved, {}, notice.empty() ? error : notice + "; " + error};
    return {Status::Ok, {}, notice};
}

KeychainStore::Result KeychainStore::remove(const PlistDict& query) {
    Loaded loaded = load(file_);
    if (loaded.status != Status::Ok) return {loaded.status, {}, loaded.message};
    std::vector<PlistDict> kept;
    for (PlistDict& item : loaded.items) {
        if (!matches(item, query)) kept.push_back(std::move(item));
    }
    if (kept.size() == loaded.items.size()) return {Status::NotFound, {}, {}};
    std::string error;
    std::filesystem::path aside;
    if (const Status saved = save(file_, kept, &error, &aside); saved != Status::Ok)
        return {saved, {}, error};
    return {Status::Ok, {}, {}};
}

}  // namespace platform
