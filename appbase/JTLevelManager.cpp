#include "appbase/JTLevelManager.h"

#include "appbase/JTAppContext.h"
#include "core/JTStringBuilder.h"

namespace JTAppBase {

using JTCore::JTArrayList;
using JTCore::JTObject;
using JTCore::JTString;
using JTCore::makeRef;
using JTCore::Ref;

JTLevelManager::JTLevelManager(JTAppContext* context)
    : context_(context), levelInfos_(makeRef<JTArrayList>()), menuItems_(makeRef<JTArrayList>()) {}

void JTLevelManager::createMenuItems(const Ref<JTArrayList>& infos, const Ref<JTArrayList>& items) {
    for (int i = 0; i < infos->size(); ++i) {
        Ref<JTLevelMenuItem> item = createMenuItem(i, infos->getAs<JTLevelInfo>(i));
        if (item) items->add(item);
    }
}

Ref<JTLevelMenuItem> JTLevelManager::createMenuItem(int, const Ref<JTLevelInfo>& info) {
    return makeRef<JTLevelMenuItem>(this, info);
}

void JTLevelManager::reloadLevels() {
    levelInfos_->clear();
    createLevelInfos(levelInfos_);
    menuDirty_ = true;
}

int JTLevelManager::indexOfLevel(int levelId) const {
    for (int i = levelInfos_->size() - 1; i >= 0; --i) {
        if (levelInfos_->getAs<JTLevelInfo>(i)->getLevelId() == levelId) return i;
    }
    return -1;
}

Ref<JTAppContext> JTLevelManager::getAppContext() const {
    return context_.lock();
}

Ref<JTObject> JTLevelManager::createLevelData(const Ref<JTLevelInfo>&) {
    return nullptr;
}

Ref<JTLevelInfo> JTLevelManager::newLevelInfo(int levelId) {
    return JTLevelInfo::create(context_.lock().get(), levelId);
}

Ref<JTString> JTLevelManager::getMenuItemInfoText(const Ref<JTLevelInfo>& info) {
    return info->getHelpMessage();
}

Ref<JTString> JTLevelManager::getMenuItemTitle(const Ref<JTLevelInfo>& info) {
    if (!menuTitlePrefix_) return info->getName();
    auto builder = makeRef<JTCore::JTStringBuilder>();
    builder->append(menuTitlePrefix_);
    if (info->getName()) builder->append(info->getName());
    return makeRef<JTString>(builder->toString()->toUtf8());
}

Ref<JTString> JTLevelManager::getMenuItemLabel(const Ref<JTLevelInfo>& info) {
    return info->getName();
}

Ref<JTString> JTLevelManager::getLevelName(const Ref<JTLevelInfo>& info) {
    return info->getName();
}

void JTLevelManager::showMessage(const Ref<JTString>& title, const Ref<JTString>& message) {
    if (pendingMessages_) {
        pendingMessages_->emplace_back(title ? title->toUtf8() : "", message ? message->toUtf8() : "");
        return;
    }
    if (auto context = context_.lock()) context->showAlert(title, message);
}

Ref<JTLevelInfo> JTLevelManager::getLevelInfo(int levelId) const {
    if (auto context = context_.lock()) {
        Ref<JTLevelInfo> current = context->getCurrentLevelInfo();
        if (current && current->getLevelId() == levelId) return current;
    }
    const int index = indexOfLevel(levelId);
    return index < 0 ? nullptr : levelInfos_->getAs<JTLevelInfo>(index);
}

Ref<JTArrayList> JTLevelManager::getMenuItems() {
    if (menuDirty_) {
        menuItems_->clear();
        createMenuItems(levelInfos_, menuItems_);
        menuDirty_ = false;
    }
    return menuItems_;
}

int JTLevelManager::indexOfMenuItem(int levelId) {
    Ref<JTArrayList> items = getMenuItems();
    for (int i = 0; i < items->size(); ++i) {
        if (items->getAs<JTLevelMenuItem>(i)->getLevelInfo()->getLevelId() == levelId) return i;
    }
    return -1;
}

int JTLevelManager::getSelectableLevelId(int levelId) {
    Ref<JTArrayList> items = getMenuItems();
    auto context = context_.lock();
    const bool everythingOpen = context && context->isLogEnabled();
    int candidate = 0;
    for (int i = 0; i < items->size(); ++i) {
        auto item = items->getAs<JTLevelMenuItem>(i);
        if (item->isLocked() && !everythingOpen) continue;
        const int id = item->getLevelInfo()->getLevelId();
        if (id == levelId) return levelId;
        if (id == defaultLevelId_ || candidate == 0) candidate = id;
    }
    return candidate;
}

std::optional<std::vector<JTLevelManager::Message>> JTLevelManager::takePendingMessages() {
    std::optional<std::vector<Message>> taken;
    if (hasPendingMessages()) taken = std::move(pendingMessages_);
    pendingMessages_.reset();
    return taken;
}

}  // namespace JTAppBase
