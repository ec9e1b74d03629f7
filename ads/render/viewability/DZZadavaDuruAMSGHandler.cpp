#include "ads/render/viewability/DZZadavaDuruAMSGHandler.h"

#include <limits>

namespace {

template <void (DZZadavaDuruAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZZadavaDuruAMSGHandler&>(handler).*method)(arguments);
    };
}

}  // namespace

const DZAMSGHandler::ActionTable& DZZadavaDuruAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"untrackZadavaDuruUnit",
         action<&DZZadavaDuruAMSGHandler::didReceiveZadavaDuruUntrackZadavaDuruNotification>()},
        {"visibilityChanged",
         action<&DZZadavaDuruAMSGHandler::didReceiveZadavaDuruVisibilityChangedNotification>()},
    };
    return table;
}

std::optional<uint32_t> DZZadavaDuruAMSGHandler::zadavaDuruIDFromText(const std::string& text) {
    // IDs are counted out by the application; anything else would let the page stop or steer a
    // measurement it does not run (a sign, a fraction or an overflow read as some other ID).
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(value);
}

void DZZadavaDuruAMSGHandler::didReceiveZadavaDuruVisibilityChangedNotification(
    const DZAMSGArguments& arguments) {
    const auto hashCode = arguments.note->parameter("hashCode");
    const auto isVisible = arguments.note->parameter("isVisible");
    if (!hashCode || !isVisible) return;
    const auto id = zadavaDuruIDFromText(*hashCode);
    auto delegate = delegate_.lock();
    if (!id || !delegate) return;
    delegate->zadavaDuruAMSGHandlerDidReceiveVisibilityNotification(*this, *isVisible == "1", *id);
}

void DZZadavaDuruAMSGHandler::didReceiveZadavaDuruUntrackZadavaDuruNotification(
    const DZAMSGArguments& arguments) {
    const auto hashCode = arguments.note->parameter("hashCode");
    const auto id = hashCode ? zadavaDuruIDFromText(*hashCode) : std::nullopt;
    auto delegate = delegate_.lock();
    if (!id || !delegate) return;
    delegate->zadavaDuruAMSGHandlerDidReceiveUntrackNotification(*this, *id);
}
