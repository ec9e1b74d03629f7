#include "appbase/JTScene.h"

#include "appbase/JTAppContext.h"

namespace JTAppBase {

const JTCore::Ref<JTCore::JTString>& hexDigits() {
    static const JTCore::Ref<JTCore::JTString> digits = JTCore::makeRef<JTCore::JTString>("0123456789abcdef");
    return digits;
}

}  // namespace JTAppBase
