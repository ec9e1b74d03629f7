#include "platform/media/GstBackend.h"

#include "platform/media/GstMediaPlayer.h"
#include "platform/media/MediaPlayers.h"

namespace platform::media {

namespace {

// Installs the backend as the library loads (also in a program that links it).
const bool kInstalled = [] {
    static auto* backend = new GstBackend();  // lives as long as the process
    MediaPlayers::installBackend(*backend);
    return true;
}();

}  // namespace

std::shared_ptr<MediaPlayer> GstBackend::createPlayer(std::string* error) {
    return GstMediaPlayer::create(error);
}

}  // namespace platform::media
