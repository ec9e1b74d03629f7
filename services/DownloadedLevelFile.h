#pragma once
// A level file as the game's server sends it: a one-line property-list header describing the
// level, a line feed, and the level's data as a property list. The reader checks the header
// against the level asked for, the body's size and CRC-32; processDownloadedBytes then stores the
// body as Documents/levels/<id> and hands the level to the files-backed level manager.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "appbase/FilesLevelManager.h"
#include "core/JTException.h"
#include "platform/plist/PlistText.h"

// The largest body a level file may have.
inline constexpr int64_t kMaxDownloadedLevelBytes = 0x800000;

// What a checked level file holds: the header's values and the body (inside the bytes read).
struct DownloadedLevelFile {
    int lid = 0;
    std::string name;
    int ds = 0;
    int64_t dh = 0;
    int64_t flags = 0;
    const uint8_t* body = nullptr;
    std::size_t bodySize = 0;
};

// Reads and checks the bytes of a file asked for as levelId. Nothing (with a warning line) for a
// file whose structure is wrong: no line feed, a header that is no dictionary, another level's id,
// sizes that do not add up. Throws JTCore::Ref<JTCore::JTException> for header values that are
// not strings ("ensureNSString failed") and for a body that is too big ("too big size"), does not
// match the header's hash ("dh unmatch") or is no property list (the parse error).
std::optional<DownloadedLevelFile> readDownloadedLevelFile(int levelId, const uint8_t* data,
                                                           std::size_t size);

// Reads the file as above; once it checks out, stores the body and registers the level with the
// manager (marked downloaded). True on success; failures and exceptions as above, and false when
// the body cannot be stored. Nothing is stored or registered unless all of it succeeds.
bool processDownloadedBytes(JTAppBase::FilesLevelManager& manager, int levelId, const uint8_t* data,
                            std::size_t size);

// The text of a string node; throws "ensureNSString failed" for anything else (or nothing).
std::string ensureNSString(plist_t node);

// The check value of a body: the CRC-32 of "-" followed by the body.
uint32_t downloadedLevelCheckValue(const uint8_t* body, std::size_t size);
