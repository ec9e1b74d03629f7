#pragma once
// What the SDK core page's messages carry, read without trusting the page: the ad of a "loadAd"
// answer and the request of a "fetchHttpRequest". Values are read as the component reads any
// value from a page (tolerant readers, never a throwing conversion), so no text the page sends
// can end the process. No state: the handler and the controller act on what these give.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

class DZAd;

namespace DZSDKCoreMessages {

// The ad made from a "loadAd" dictionary for a requester of adType (0 plain, 1 banner,
// 2 interstitial; any other gives none). An "is_mediation" the component reads as true makes it
// a mediation response with the headers the fetcher expects of one.
std::shared_ptr<DZAd> adFromAnswer(const nlohmann::json& dictionary, int adType);

// A fetch the page asks for: a web URL, header text free of control characters.
struct FetchRequest {
    std::string requestID;
    std::string url;
    std::optional<std::string> body;
    std::optional<std::string> contentType;
    std::map<std::string, std::string> headers;
};
// Why a fetch is refused; requestID is "" when the page gave none.
struct FetchRefusal {
    std::string reason;
    std::string requestID;
};
// The "http_request" parameter's JSON text (nothing when the message had none).
std::variant<FetchRequest, FetchRefusal> readFetchRequest(const std::optional<std::string>& text);

}  // namespace DZSDKCoreMessages
