#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/keychain/KeychainStore.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
namespace kc = platform::keychain;
using platform::KeychainStore;
using platform::PlistDict;
using Status = KeychainStore::Status;
using tikoleap::test::TempDir;

namespace {

PlistDict query(const std::string& account, const std::string& service) {
    PlistDict q;
    q.setString(kc::kClass, kc::kClassGenericPassword);
    q.setString(kc::kAccount, account);
    q.setString(kc::kService, service);
    return q;
}

const std::vector<uint8_t> kSecret{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

}  // namespace

TEST(KeychainStore, AddCopyDeleteRoundTripInAPrivateFile) {
    TempDir tmp;
    KeychainStore store(tmp.path() / "keychain.plist");
    EXPECT_EQ(store.copyData(query("arid", "svc")).status, Status::NotFound);

    ASSERT_EQ(store.add(query("arid", "svc"), kSecret).status, Status::Ok);
    struct stat st {};
    ASSERT_EQ(::stat(store.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A fresh store object reads what the first one wrote.
    KeychainStore again(store.file());
    const auto copied = again.copyData(query("arid", "svc"));
    ASSERT_EQ(copied.status, Status::Ok);
    EXPECT_EQ(copied.data, kSecret);

    EXPECT_EQ(again.remove(query("arid", "svc")).status, Status::Ok);
    EXPECT_EQ(again.copyData(query("arid", "svc")).status, Status::NotFound);
    EXPECT_EQ(again.remove(query("arid", "svc")).status, Status::NotFound);
}

TEST(KeychainStore, QueriesMatchOnEveryAttributeTheyNameAndIgnoreControls) {
    TempDir tmp;
    KeychainStore store(tmp.path() / "keychain.plist");
    PlistDict withGroup = query("arid", "svc");
    withGroup.setString(kc::kAccessGroup, "group");
    withGroup.setString(kc::kLabel, "");
    ASSERT_EQ(store.add(withGroup, kSecret).status, Status::Ok);
    ASSERT_EQ(store.add(query("other", "svc"), {9}).status, Status::Ok);

    EXPECT_EQ(store.copyData(query("arid", "elsewhere")).status, Status::NotFound);
    PlistDict wrongGroup = query("arid", "svc");
    wrongGroup.setString(kc::kAccessGroup, "not-the-group");
    EXPECT_EQ(store.copyData(wrongGroup).status, Status::NotFound);

    PlistDict withControls = query("arid", "svc");
    withControls.setString(kc::kMatchLimit, kc::kMatchLimitOne);
    withControls.setBool(kc::kReturnData, true);
    EXPECT_EQ(store.copyData(withControls).data, kSecret);
    EXPECT_EQ(store.copyData(query("other", "svc")).data, std::vector<uint8_t>{9});

    // Deleting one account leaves the other.
    EXPECT_EQ(store.remove(query("arid", "svc")).status, Status::Ok);
    EXPECT_EQ(store.copyData(query("other", "svc")).status, Status::Ok);
}

TEST(KeychainStore, SecondItemWithTheSamePrimaryKeyIsADuplicate) {
    TempDir tmp;
    KeychainStore store(tmp.path() / "keychain.plist");
    ASSERT_EQ(store.add(query("arid", "svc"), kSecret).status, Status::Ok);
    PlistDict sameKeyOtherLabel = query("arid", "svc");
    sameKeyOtherLabel.setString(kc::kLabel, "different label");
    EXPECT_EQ(store.add(sameKeyOtherLabel, {0}).status, Status::Duplicate);
    EXPECT_EQ(store.copyData(query("arid", "svc")).data, kSecret);
}

TEST(KeychainStore, AddOrReplaceTakesTheItemsPlaceAndLeavesTheOthers) {
    TempDir tmp;
    KeychainStore store(tmp.path() / "keychain.plist");
    ASSERT_EQ(store.addOrReplace(query("arid", "svc"), kSecret).status, Status::Ok);
    ASSERT_EQ(store.add(query("other", "svc"), {9}).status, Status::Ok);
    PlistDict relabelled = query("arid", "svc");
    relabelled.setString(kc::kLabel, "new label");
    ASSERT_EQ(store.addOrReplace(relabelled, {7}).status, Status::Ok);
    EXPECT_EQ(store.copyData(relabelled).data, std::vector<uint8_t>{7});
    EXPECT_EQ(store.copyData(query("other", "svc")).data, std::vector<uint8_t>{9});
    // One item under the key, not two.
    ASSERT_EQ(store.remove(query("arid", "svc")).status, Status::Ok);
    EXPECT_EQ(store.copyData(query("arid", "svc")).status, Status::NotFound);
}

TEST(KeychainStore, CorruptFileIsReportedAndSetAsideBeforeANewItemIsWritten) {
    TempDir tmp;
    tmp.write("keychain.plist", std::string_view("this is no keychain"));
    KeychainStore store(tmp.path() / "keychain.plist");
    const auto copied = store.copyData(query("arid", "svc"));
    EXPECT_EQ(copied.status, Status::Corrupt);
    EXPECT_NE(copied.message.find("keychain.plist"), std::string::npos);
    EXPECT_EQ(store.remove(query("arid", "svc")).status, Status::Corrupt);

    const auto added = store.add(query("arid", "svc"), kSecret);
    ASSERT_EQ(added.status, Status::Ok);
    EXPECT_NE(added.message.find("keychain.plist.corrupt"), std::string::npos) << added.message;
    EXPECT_EQ(tmp.read("keychain.plist.corrupt").size(), 19u);
    EXPECT_EQ(store.copyData(query("arid", "svc")).data, kSecret);
}

TEST(KeychainStore, ItemWithoutDataOrNonDictionaryItemsCountAsCorrupt) {
    TempDir tmp;
    PlistDict root;
    platform::PlistArray items;
    items.appendString("not an item");
    root.setArray("items", items);
    const auto bytes = root.toBinary();
    tmp.write("k1.plist", bytes);
    EXPECT_EQ(KeychainStore(tmp.path() / "k1.plist").copyData(query("a", "s")).status, Status::Corrupt);

    PlistDict rootNoData;
    platform::PlistArray itemsNoData;
    itemsNoData.appendDict(query("a", "s"));
    rootNoData.setArray("items", itemsNoData);
    tmp.write("k2.plist", rootNoData.toBinary());
    EXPECT_EQ(KeychainStore(tmp.path() / "k2.plist").copyData(query("a", "s")).status, Status::Corrupt);
}

TEST(KeychainStore, EveryCorruptFileSetAsideIsKept) {
    TempDir tmp;
    KeychainStore store(tmp.path() / "keychain.plist");
    for (const char* bytes : {"first broken store", "second broken store"}) {
        tmp.write("keychain.plist", std::string_view(bytes));
        ASSERT_EQ(store.add(query("arid", "svc"), kSecret).status, Status::Ok);
    }
    EXPECT_EQ(tmp.read("keychain.plist.corrupt").size(), 18u);
    EXPECT_EQ(tmp.read("keychain.plist.corrupt.1").size(), 19u);
    EXPECT_EQ(store.copyData(query("arid", "svc")).data, kSecret);
}
