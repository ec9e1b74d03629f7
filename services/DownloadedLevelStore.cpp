// processDownloadedBytes: a checked level file is stored and handed to the level manager.
#include <filesystem>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "platform/foundation/FileIO.h"
#include "services/DownloadedLevelFile.h"
#include "shell/LogMessage.h"
#include "shell/PlistFiles.h"

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

    std::optional<std::string> folder = DocumentsSubdirectory("levels", true);
    std::string error;
    if (!folder || !platform::writeFileAtomically(std::filesystem::path(*folder) / std::to_string(file->lid),
                                                  file->body, file->bodySize, 0644, &error)) {
        // A level that cannot be kept cannot be played later: the download counts as failed.
        LogMessage("processDownloadedBytes", 3,
                   "cannot store the level: " + (folder ? error : std::string("no levels folder")));
        return false;
    }
    manager.addDownloadedLevel(info);
    return true;
}
