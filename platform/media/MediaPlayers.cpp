#include "platform/media/MediaPlayers.h"

#include <cstdlib>
#include <mutex>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/LazyModule.h"
#include "platform/media/MediaBackend.h"

namespace platform::media {

namespace {

MediaBackend* gBackend = nullptr;

}  // namespace

MediaBackend* MediaPlayers::backend() {
    return gBackend;
}

void MediaPlayers::installBackend(MediaBackend& backend) {
    gBackend = &backend;
}

std::shared_ptr<MediaPlayer> MediaPlayers::create(std::string* error) {
    static LazyModule module("libtikoleap-media.so");
    std::string why;
    if (!gBackend && (!module.load(&why) || !gBackend)) {
        if (error)
            *error = "no media player: " + (why.empty() ? std::string("its library installed none") : why);
        return nullptr;
    }
    return gBackend->createPlayer(error);
}

void MediaPlayers::prepareEnvironment() {
    static std::once_flag once;
    std::call_once(once, [] {
        const auto registry = AppPaths::cachesDirectory() / "gstreamer-registry.bin";
        setenv("GST_REGISTRY", registry.c_str(), 1);
    });
}

}  // namespace platform::media
