#include "screens/ScoresViewer.h"

#include <cstdio>
#include <ctime>

#include "appbase/LogMessage.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "services/LevelInfo.h"
#include "services/LevelScores.h"
#include "shell/AppCoreBase.h"

namespace {
constexpr platform::ui::Color kCurrentScoreColor{1, 1, 0, 1};

std::shared_ptr<LevelScoreElem> entryAt(const LevelScores::List& list, std::size_t i) {
    return i < list.size() ? list[i] : nullptr;
}
}  // namespace

template <class T>
std::vector<std::shared_ptr<T>> ScoresViewer::processTag(platform::ui::View* container, int size,
                                                         int tagBegin) {
    std::vector<std::shared_ptr<T>> out(static_cast<std::size_t>(size));
    if (!container) return out;
    for (int i = 0; i < size; ++i)
        out[static_cast<std::size_t>(i)] = std::dynamic_pointer_cast<T>(container->viewWithTag(tagBegin + i));
    return out;
}

template std::vector<std::shared_ptr<platform::ui::Label>> ScoresViewer::processTag<platform::ui::Label>(
    platform::ui::View*, int, int);
template std::vector<std::shared_ptr<platform::ui::Button>> ScoresViewer::processTag<platform::ui::Button>(
    platform::ui::View*, int, int);

void ScoresViewer::connectButtons(const std::vector<std::shared_ptr<platform::ui::Button>>& buttons) {
    for (const auto& b : buttons) {
        if (!b) continue;
        b->removeTargetsForEvents(platform::ui::ControlEventTouchUpInside);
        b->addTarget(platform::ui::ControlEventTouchUpInside, [this](platform::ui::Control& sender) {
            onSubmitBtn(static_cast<platform::ui::Button&>(sender));
        });
    }
}

void ScoresViewer::startWithLevelScores(std::shared_ptr<LevelScores> scores) {
    auto container = delegate_->scoreComponentsContainer();
    highScoreLabels_ = processTag<platform::ui::Label>(container.get(), kHighScoreSlots, kHighScoreLabelTag);
    highScoreSubmitBtns_ =
        processTag<platform::ui::Button>(container.get(), kHighScoreSlots, kHighScoreSubmitTag);
    recentScoreLabels_ =
        processTag<platform::ui::Label>(container.get(), kRecentScoreSlots, kRecentScoreLabelTag);
    recentScoreSubmitBtns_ =
        processTag<platform::ui::Button>(container.get(), kRecentScoreSlots, kRecentScoreSubmitTag);
    connectButtons(highScoreSubmitBtns_);
    connectButtons(recentScoreSubmitBtns_);
    levelScores_ = std::move(scores);
}

std::string ScoresViewer::rankStr(int rank) {
    const int n = rank + 1;
    const int lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
            case 1:
                suffix = "st";
                break;
            case 2:
                suffix = "nd";
                break;
            case 3:
                suffix = "rd";
                break;
            default:
                break;
        }
    }
    return std::to_string(n) + suffix;
}

std::string ScoresViewer::formatDate(double secondsSince1970) {
    const std::time_t t = static_cast<std::time_t>(secondsSince1970);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return "--/-- --:--";
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d %H:%M", &local);
    return buf;
}

void ScoresViewer::updateView() {
    static const LevelScores::List kNone;
    const LevelScores::List& recent = levelScores_ ? levelScores_->recentScores() : kNone;
    for (std::size_t i = 0; i < recentScoreLabels_.size(); ++i) {
        auto entry = entryAt(recent, i);
        if (const auto& label = recentScoreLabels_[i]) {
            if (entry) {
                char text[96];
                std::snprintf(text, sizeof text, "%d pts. (%s)", entry->score(),
                              formatDate(entry->date().value_or(0)).c_str());
                label->setText(text);
                label->setTextColor(entry == currentScore_ ? kCurrentScoreColor
                                                           : platform::ui::Color::white());
            } else {
                label->setText("-----");
                label->setTextColor(platform::ui::Color::white());
            }
        }
        if (i < recentScoreSubmitBtns_.size() && recentScoreSubmitBtns_[i])
            recentScoreSubmitBtns_[i]->setHidden(!(entry && entry->canResubmit()));
    }
}

void ScoresViewer::onSubmitBtn(platform::ui::Button& button) {
    LogMessage("-[ScoresViewer onSubmitBtn:]", 1, button.description());
    if (!levelScores_) return;
    std::shared_ptr<LevelScoreElem> entry;
    for (std::size_t i = 0; i < highScoreSubmitBtns_.size() && !entry; ++i)
        if (highScoreSubmitBtns_[i].get() == &button) entry = entryAt(levelScores_->highScores(), i);
    for (std::size_t i = 0; i < recentScoreSubmitBtns_.size() && !entry; ++i)
        if (recentScoreSubmitBtns_[i].get() == &button) entry = entryAt(levelScores_->recentScores(), i);
    if (!entry) return;
    AppCoreBase* core = delegate_->appCore();
    if (!core) return;
    const auto& high = levelScores_->highScores();
    submitScore(*core, *entry, levelScores_->levelInfo()->webLevelId(),
                high.empty() ? nullptr : high.front().get());
}

bool ScoresViewer::submitScore(AppCoreBase& core, const LevelScoreElem& entry, int webLevelId,
                               const LevelScoreElem* highScore) {
    auto linkEntry = [](const LevelScoreElem& e) {
        return AppCoreBase::ScoreLinkEntry{static_cast<unsigned>(e.score()), e.date().value_or(0)};
    };
    std::optional<AppCoreBase::ScoreLinkEntry> high;
    if (highScore) high = linkEntry(*highScore);
    return core.webSubmitScore(linkEntry(entry), webLevelId, high, false);
}
