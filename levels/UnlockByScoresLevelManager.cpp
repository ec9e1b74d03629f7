#include "levels/UnlockByScoresLevelManager.h"

#include <string>

#include "appbase/JTAppContext.h"
#include "appbase/JTIntIntMap.h"
#include "appbase/LogMessage.h"
#include "core/JTStringBuilder.h"

namespace JTAppBase {

using JTCore::JTArrayList;
using JTCore::JTString;
using JTCore::JTStringBuilder;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

constexpr int kWarn = 3;

Ref<JTString> text(const char* utf8) {
    return makeRef<JTString>(utf8);
}

}  // namespace

UnlockByScoresLevelManager::UnlockByScoresLevelManager(JTAppContext* context)
    : JTLevelManager(context), rules_(makeRef<JTArrayList>()) {}

UnlockByScoresLevelManager::~UnlockByScoresLevelManager() = default;

Ref<JTString> UnlockByScoresLevelManager::getUnlockingStateName() {
    return text("unlockinglevels");
}

Ref<JTIntIntMap> UnlockByScoresLevelManager::getUnlockingState() {
    if (!unlockingState_) {
        unlockingState_ = makeRef<JTIntIntMap>();
        // A missing or unreadable file leaves the map empty: only the levels no rule leads to are
        // open. The map's reader says why before anything can be written over the file.
        unlockingState_->load(getUnlockingStateName());
        applyCopyRules();
    }
    return unlockingState_;
}

int UnlockByScoresLevelManager::getUnlockingStateValue(int levelId) {
    return getUnlockingState()->get(levelId, 0);
}

bool UnlockByScoresLevelManager::saveUnlockingState() {
    if (getUnlockingState()->save(getUnlockingStateName())) {
        saveOwed_ = false;
        return true;
    }
    // The levels stay open for this run; the file catches up at the next successful save.
    saveOwed_ = true;
    LogMessage("saveUnlockingState", kWarn,
               "could not write " + getUnlockingStateName()->toUtf8() +
                   ".plist; the unlocked levels are kept for this run and saved after the next game");
    return false;
}

void UnlockByScoresLevelManager::applyCopyRules() {
    // Reads the map field directly: this runs while getUnlockingState is loading it.
    const Ref<JTIntIntMap>& state = unlockingState_;
    if (!state) return;
    bool copied = false;
    for (int i = 0; i < rules_->size(); ++i) {
        auto rule = rules_->getAs<UnlockByScoreRule>(i);
        if (!rule->isCopyRule()) continue;
        const int value = state->get(rule->getFromLevelId(), 0);
        if (value == 0 || state->get(rule->getToLevelId(), 0) != 0) continue;
        state->put(rule->getToLevelId(), value);
        copied = true;
        if (auto context = getAppContext()) {
            auto line = makeRef<JTStringBuilder>();
            line->appendCString("copy unlocking state from:")->appendInt(rule->getFromLevelId());
            line->appendCString(" to:")->appendInt(rule->getToLevelId());
            line->appendCString(" value:")->appendInt(value);
            context->logD(line->toString());
        }
    }
    if (copied) saveUnlockingState();
}

bool UnlockByScoresLevelManager::unlockLevel(int levelId) {
    Ref<JTIntIntMap> state = getUnlockingState();
    if (state->get(levelId, 0) != 0) return false;
    state->put(levelId, 1);
    return true;
}

void UnlockByScoresLevelManager::reloadLevels() {
    JTLevelManager::reloadLevels();
    rules_->clear();
    createUnlockRules(rules_);
    dropRulesOutsideCatalog();
    // Re-read the file on next use, unless it still lacks levels opened in this run: those stay.
    if (saveOwed_ && !saveUnlockingState()) return;
    unlockingState_.reset();
}

// A score rule names both of its levels in the lock and congratulation texts, and a level that
// is not in the catalog has no name to show: such a rule could only crash those texts, so it is
// dropped here, once, with a warning. Copy rules name no level and may well refer to ids that
// left the catalog, so they stay.
void UnlockByScoresLevelManager::dropRulesOutsideCatalog() {
    for (int i = rules_->size() - 1; i >= 0; --i) {
        auto rule = rules_->getAs<UnlockByScoreRule>(i);
        if (!rule || !rule->isScoreRule()) continue;
        if (getLevelInfo(rule->getFromLevelId()) && getLevelInfo(rule->getToLevelId())) continue;
        LogMessage("reloadLevels", kWarn,
                   "ignoring the unlock rule from level " + std::to_string(rule->getFromLevelId()) +
                       " to level " + std::to_string(rule->getToLevelId()) +
                       ": a level it names is not in the catalog");
        rules_->removeAt(i);
    }
}

Ref<JTString> UnlockByScoresLevelManager::levelNameOf(int levelId) {
    Ref<JTLevelInfo> info = getLevelInfo(levelId);
    Ref<JTString> name = info ? getLevelName(info) : nullptr;
    return name ? name : JTCore::emptyString();
}

Ref<JTLevelMenuItem> UnlockByScoresLevelManager::createMenuItem(int index, const Ref<JTLevelInfo>& info) {
    Ref<JTLevelMenuItem> item = JTLevelManager::createMenuItem(index, info);
    if (!item || isLevelUnlocked(info->getLevelId())) return item;
    Ref<JTString> message = lockMessageFor(info->getLevelId());
    if (message) lockMenuItem(item, message);
    return item;
}

// "This level is unlocked when you score more than A points in the X, B points in the Y, or C
// points in the Z."; null when no rule opens the level, which is then always open.
Ref<JTString> UnlockByScoresLevelManager::lockMessageFor(int levelId) {
    auto message = makeRef<JTStringBuilder>();
    int rulesTaken = 0;
    int lastSeparator = -1;
    for (int i = 0; i < rules_->size(); ++i) {
        auto rule = rules_->getAs<UnlockByScoreRule>(i);
        if (rule->getToLevelId() != levelId || !rule->isScoreRule()) continue;
        if (rulesTaken++ == 0) {
            message->appendCString("This level is unlocked when you score more than ");
        } else {
            lastSeparator = message->length() + 1;
            message->appendCString(", ");
        }
        message->appendInt(rule->getMinimumScore());
        message->appendCString(" points in the ");
        message->append(levelNameOf(rule->getFromLevelId()));
    }
    if (rulesTaken == 0) return nullptr;
    if (lastSeparator >= 0) message->insert(lastSeparator, text(" or"));
    message->appendCString(".");
    return message->toString();
}

void UnlockByScoresLevelManager::lockMenuItem(const Ref<JTLevelMenuItem>& item,
                                              const Ref<JTString>& lockMessage) {
    item->setLockMessage(lockMessage);
    auto label = makeRef<JTStringBuilder>();
    if (Ref<JTString> current = item->getLabel()) label->append(current);
    label->appendCString(" (Locked)");
    item->setLabel(label->toString());
}

void UnlockByScoresLevelManager::onGameOver(int levelId, int score) {
    JTLevelManager::onGameOver(levelId, score);
    newlyUnlocked_.clear();
    auto names = makeRef<JTStringBuilder>();
    int lastSeparator = -1;
    for (int i = 0; i < rules_->size(); ++i) {
        auto rule = rules_->getAs<UnlockByScoreRule>(i);
        if (!rule->firesFor(levelId, score) || !unlockLevel(rule->getToLevelId())) continue;
        newlyUnlocked_.push_back(rule->getToLevelId());
        if (newlyUnlocked_.size() > 1) {
            if (lastSeparator >= 0) names->insert(lastSeparator, text(","));
            lastSeparator = names->length();
            names->appendCString(" ");
        }
        names->append(levelNameOf(rule->getToLevelId()));
    }
    if (newlyUnlocked_.empty()) {
        // Nothing new, but an earlier unlock may still be missing from the file.
        if (saveOwed_) saveUnlockingState();
        return;
    }
    saveUnlockingState();
    if (lastSeparator >= 0) {
        names->insert(lastSeparator, text(" and"));
        names->appendCString(" were");
    } else {
        names->appendCString(" was");
    }
    names->appendCString(" unlocked.\nNow you can select the new level in the Title Menu.");
    setMenuDirty();
    showMessage(text("Congratulations!"), names->toString());
}

}  // namespace JTAppBase
