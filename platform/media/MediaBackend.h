#pragma once
// What the media library (libtikoleap-media.so, opened at the first video) gives the platform
// layer. The library installs it with MediaPlayers::installBackend as it loads. Main thread only.
#include <memory>
#include <string>

#include "platform/media/MediaPlayer.h"

namespace platform::media {

class MediaBackend {
  public:
    virtual ~MediaBackend() = default;
    // A new player, or null with the reason when the media framework or its elements are missing.
    virtual std::shared_ptr<MediaPlayer> createPlayer(std::string* error) = 0;
};

}  // namespace platform::media
