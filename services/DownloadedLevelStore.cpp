// processDownloadedBytes: a checked level file is stored and handed to the level manager.
#include <filesystem>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/LogMessage.h"
#include "platform/foundation/StoredFile.h"
#include "services/DownloadedLevelFile.h"
#include "shell/PlistFiles.h"

namespace {

constexpr const char* kLogName = "processDownloadedBytes";

}  // namespace

bool processDownloadedBytes(JTAppBase::FilesLevelManager& manager, int levelId, const uint8_t* data,
                            std::size_t size) {
    JTCore::Ref<JTAppBase::JTAppContext> context = manager.getAppContext();
    std::optional<DownloadedLevelFile> file = readDownloadedLevelFile(levelId, data, size);
    if (!file) return false;
    JTCore::Ref<JTAppBase::JTLevelInfo> info = JTAppBase::JTLevelInfo::create(context.get(), file->lid);
    info->setName(JTCore::makeRef<JTCore::JTString>(file->name));
    info->setDataSize(file->ds);
    info->setDataHash(file->dh);
    info->setFlags(file->flags);
    info->setDownloaded(true);

    // A level that cannot be kept cannot be played later: the download counts as failed.
    std::optional<std::string> folder = DocumentsSubdirectory("levels", true);
    if (!folder) {
        LogMessage(kLogName, 3, "cannot store the level: no levels folder");
        return false;
    }
    platform::StoredSaveOptions options;
    options.maxBytes = static_cast<std::size_t>(kMaxDownloadedLevelBytes);
    options.logName = kLogName;
    const platform::StoredSave saved = platform::saveStoredFile(
        std::filesystem::path(*folder) / std::to_string(file->lid), file->body, file->bodySize, options);
    if (!saved.ok()) {
        // A refusal has said why already.
        if (saved.status == platform::StoredSave::Status::Failed) {
            LogMessage(kLogName, 3, "cannot store the level: " + saved.error);
        }
        return false;
    }
    manager.addDownloadedLevel(info);
    return true;
}
