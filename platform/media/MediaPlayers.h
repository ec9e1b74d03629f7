#pragma once
// Where the game's media players come from. The media framework lives in a library of its own
// (libtikoleap-media.so) that is opened with the first player, so a run that plays no video never
// maps the framework's libraries. Main thread only.
#include <memory>
#include <string>

#include "platform/media/MediaPlayer.h"

namespace platform::media {

class MediaBackend;

class MediaPlayers {
  public:
    // A new player, or null with the reason in `error`: a library that could not be loaded (it is
    // not tried again) or a framework that cannot play.
    static std::shared_ptr<MediaPlayer> create(std::string* error);

    // Points the media framework's plugin registry into the game's cache folder. It goes through
    // the environment, which other threads may be reading: main() calls it before any thread
    // starts (the framework's start does when nothing has). Loads nothing.
    static void prepareEnvironment();

    // The media library, once loaded (or linked by the program), else null; never loads it.
    static MediaBackend* backend();
    // Called by the media library as it loads. Not owned; lives as long as the process.
    static void installBackend(MediaBackend& backend);
};

}  // namespace platform::media
