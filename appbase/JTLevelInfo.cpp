#include "appbase/JTLevelInfo.h"

#include "appbase/JTAppContext.h"

namespace JTAppBase {

JTLevelInfo::JTLevelInfo(JTAppContext* context, int levelId) : levelId_(levelId), context_(context) {}

JTCore::Ref<JTLevelInfo> JTLevelInfo::create(JTAppContext* context, int levelId) {
    return JTCore::makeRef<JTLevelInfo>(context, levelId);
}

JTCore::Ref<JTAppContext> JTLevelInfo::getAppContext() const {
    return context_.lock();
}

}  // namespace JTAppBase
