#include "core/JTException.h"

#include <cassert>
#include <cstdio>

namespace JTCore {

void JTException::printStackTrace() const {
    assert(message_ && "exception without a message");
    std::fprintf(stderr, "[WARN] Exception: %s\n", message_->toUtf8().c_str());
}

}  // namespace JTCore
