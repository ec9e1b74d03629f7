#include "platform/audio/AudioSession.h"

namespace platform::audio {

AudioSession& AudioSession::shared() {
    static AudioSession session;
    return session;
}

}  // namespace platform::audio
