#pragma once
// The bad-ad report a tester sends from an ad view's debug dialog: the creative's debug text,
// posted as JSON to the report endpoint, fire and forget. Main thread only.
#include <optional>
#include <string>

inline constexpr const char* kDZBadAdReportPathKey = "/rerive/ads/bad_ad_report_path";

// Where reports go: the user default kDZBadAdReportPathKey when it holds an http or https URL,
// else the ad server's /adpage/badad.
std::string DZBadAdReportEndpoint();
// {"debugHeader": text, or null without one} as compact JSON; text that is not UTF-8 is sent in
// its lossy UTF-8 form.
std::string DZBadAdReportBody(const std::optional<std::string>& debugText);
// Posts the report without waiting for it; its answer is not looked at.
void DZSendBadAdReport(const std::optional<std::string>& debugText);
