#pragma once
// Hands rich-media creatives their "mraid.js": our own script for the kind of ad the page is in
// (banner, interstitial, or any other page of an ad view, such as an expanded banner's). The
// three scripts are fetched ahead, when interception is allowed and whenever a script's address
// changes, and kept in memory, so a page gets its script without waiting on the network; a page
// that asks while its script is still on its way is answered when it arrives, and one whose
// script could not be fetched sees it missing (an empty script would leave the creative half
// alive). Requests of pages outside ad views, and every request while interception is off, load
// from the network as if nothing had looked at them.
//
// Slots and ad-app pages enable interception while they load and disable it when they settle, so
// it is a count; the ad server's constants may forbid interception altogether, which is a flag.
// The count never drops below 0: an unmatched disable (a host failing before it ever asked for an
// ad) must not swallow a later enable. Everything here lives on the main thread (slots, pages,
// the server's constants and the fetches' answers all arrive there): the state takes no lock, and
// the calls that change it assert the thread.
#include <optional>
#include <string>

#include "platform/web/WebEngine.h"

class DZMRAIDInterceptor {
  public:
    static constexpr const char* kBannerScriptPath =
        "/zads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js";
    static constexpr const char* kExpandedBannerScriptPath =
        "/zads/static/mad/sdk/native/mraid/v2/mraid_app_expanded_banner.js";
    static constexpr const char* kInterstitialScriptPath =
        "/zads/static/mad/sdk/native/mraid/v2/mraid_app_interstitial.js";
    // The name of the script creatives ask for.
    static constexpr const char* kScriptName = "mraid.js";
    // Our scripts are small; anything larger is not one of them.
    static constexpr std::size_t kMaxScriptBytes = 1u << 20;
    static constexpr double kFetchTimeoutSeconds = 20;

    // Allowing also fetches every script not yet in memory (or whose last fetch failed).
    static void allow();
    static void disallow();
    static bool isAllowed();
    static void enableCanInitWithRequest();
    static void disableCanInitWithRequest();
    static void resetCanInitWithRequestCounter();
    static int canInitWithRequestCounter();
    // Allowed, enabled at least once, and some ad view has a page whose address is stashed.
    static bool canInitWithRequestIsEnabled();

    // A script's address: an http or https URL. Nothing (the constant is absent) gives the
    // default one back; an address of any other scheme is refused with a log line and the
    // default stands instead. A new address is fetched at once while allowed.
    static void setBannerImplementationPath(const std::optional<std::string>& url);
    static void setInterstitialImplementationPath(const std::optional<std::string>& url);
    static void setExpandedBannerImplementationPath(const std::optional<std::string>& url);
    static std::string bannerImplementationPath();
    static std::string interstitialImplementationPath();
    static std::string expandedBannerImplementationPath();
    // The three on the ad server (TIKOLEAP_AD_SERVER, else a host under ".invalid").
    static void resetToDefaultPaths();
    static std::string defaultImplementationPath(const char* path);
    // Whether the URL is one of the three scripts' addresses (those are never intercepted, so
    // one ending in "mraid.js" does not ask for itself).
    static bool urlIsAnImplementationPath(const std::string& url);
    // Not one of our scripts, and the last component of its path is exactly "mraid.js".
    static bool shouldRedirectForMRAID(const std::string& url);
    // The script for a page at `referer`: by the ad view the URL stash finds for it; nothing when
    // no ad view has that page.
    static std::optional<std::string> implementationPathForReferer(const std::string& referer);

    // The ad views' script responder: answers from memory, later once the fetch ends, or fails;
    // declines what is not ours to answer.
    static void respond(const platform::web::ScriptRequest& request, platform::web::ScriptReply reply);

    // Where a script stands in memory (for tests and benchmarks).
    enum class ScriptState { Absent, Fetching, Ready, Failed };
    static ScriptState scriptState(const std::string& url);
    // Forgets every fetched script (a fetch still running is dropped when it ends).
    static void forgetScripts();
};
