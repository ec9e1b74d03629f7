#include "appbase/JTLevelMenuItem.h"

#include "appbase/JTLevelManager.h"

namespace JTAppBase {

using JTCore::JTString;
using JTCore::Ref;

JTLevelMenuItem::JTLevelMenuItem(JTLevelManager* manager, const Ref<JTLevelInfo>& info)
    : manager_(manager), info_(info) {}

// Items are read only while their manager lives; a stale item answers with no text rather than
// dereferencing a dead manager.
Ref<JTLevelManager> JTLevelMenuItem::manager() const {
    return manager_.lock();
}

Ref<JTString> JTLevelMenuItem::getTitle() const {
    auto m = manager();
    return m ? m->getMenuItemTitle(info_) : nullptr;
}

Ref<JTString> JTLevelMenuItem::getInfoText() const {
    auto m = manager();
    return m ? m->getMenuItemInfoText(info_) : nullptr;
}

Ref<JTString> JTLevelMenuItem::getLevelName() const {
    auto m = manager();
    return m ? m->getLevelName(info_) : nullptr;
}

Ref<JTString> JTLevelMenuItem::getLabel() const {
    if (label_) return label_;
    auto m = manager();
    return m ? m->getMenuItemLabel(info_) : nullptr;
}

}  // namespace JTAppBase
