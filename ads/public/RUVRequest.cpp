#include "ads/public/RUVRequest.h"

void RUVRequest::setCustomTargeting(nlohmann::json targeting) {
    customTargeting_ = targeting.is_object() ? std::move(targeting) : nlohmann::json::object();
}

nlohmann::json RUVRequest::parameters() {
    nlohmann::json p = DZRequest::parameters();
    if (publisherProvidedID_) {
        const char* space = " \t\n\r\v\f";
        const auto first = publisherProvidedID_->find_first_not_of(space);
        if (first != std::string::npos)
            p["ppid"] = publisherProvidedID_->substr(
                first, publisherProvidedID_->find_last_not_of(space) - first + 1);
    }
    if (!customTargeting_.empty()) p["custom_targeting"] = customTargeting_;
    if (!categoryExclusions_.empty()) p["category_exclusions"] = categoryExclusions_;
    return p;
}

std::shared_ptr<DZRequest> RUVRequest::copy() const {
    auto other = std::make_shared<RUVRequest>();
    copyInto(*other);
    other->publisherProvidedID_ = publisherProvidedID_;
    other->categoryExclusions_ = categoryExclusions_;
    other->customTargeting_ = customTargeting_;
    return other;
}
