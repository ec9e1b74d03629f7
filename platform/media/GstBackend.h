#pragma once
// The media backend of libtikoleap-media.so: GStreamer players. Installed in MediaPlayers as the
// library loads. Main thread only.
#include "platform/media/MediaBackend.h"

namespace platform::media {

class GstBackend : public MediaBackend {
  public:
    std::shared_ptr<MediaPlayer> createPlayer(std::string* error) override;
};

}  // namespace platform::media
