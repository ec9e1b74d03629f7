#include "ads/foundation/DZCSIReporter.h"

#include <cmath>
#include <cstdint>

#include "ads/foundation/DZCSIConfiguration.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "platform/url/Url.h"

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? "," : "") + items[i];
    return text;
}

}  // namespace

std::optional<std::string> DZCSIReporter::URLForTimeRecorder(DZCSITimeRecorder& recorder) const {
    const auto completed = recorder.completedVariables();
    if (completed.empty()) return std::nullopt;
    const auto server = dz_URLWithString(configuration_->server());
    if (!server) return std::nullopt;

    nlohmann::json query = {{"s", configuration_->serviceName()},
                            {"v", std::to_string(configuration_->version())},
                            {"action", recorder.action()}};
    for (const auto& [key, value] : recorder.customizedParameters()) query[key] = value;
    if (const auto ids = recorder.experimentIDs(); !ids.empty()) query["e"] = joined(ids);
    std::vector<std::string> items;
    for (const auto& [key, variable] : completed) {
        // A completed variable that is not valid never becomes so: it goes unsent, and goes, or
        // recorders would keep every spoiled measurement for the rest of the run.
        recorder.removeCompletedVariableForKey(key);
        if (!variable->isValid()) continue;
        const auto milliseconds = static_cast<uint64_t>(std::llround(variable->length() * 1000.0));
        items.push_back(variable->name() + "." + std::to_string(milliseconds));
    }
    query["it"] = joined(items);
    const auto url = dz_appendQueryParameters(*server, query);
    if (!url) return std::nullopt;
    return url->text();
}

void DZCSIReporter::reportTimeRecorder(DZCSITimeRecorder& recorder, Completion completion) const {
    if (!configuration_->reportingEnabled()) return;
    const auto url = URLForTimeRecorder(recorder);
    if (!url) return;
    platform::HttpRequest request;
    request.url = *url;
    request.headers.set("User-Agent", configuration_->userAgent());
    // Connections belong to the main thread; a report may be sent from any.
    DZRunOnMainThread([request = std::move(request), completion]() mutable {
        platform::HttpConnection::send(std::move(request),
                                       [completion](const platform::HttpConnection::Outcome& outcome) {
                                           if (completion) completion(outcome);
                                       });
    });
}
