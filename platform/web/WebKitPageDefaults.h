#pragma once
// What the engine does for a page where nothing else of ours answers, in one place: the environment
// the engine starts in, the shared context (its data manager, memory pressure, cache model, sandbox
// and downloads), the settings every view starts with, its autoplay and user agent, and an answer to each
// signal of a view whose default would reach past the view (a file on disk, a dialog or menu on
// the desktop, a printer, a prompt drawn in an ad, a device). No view of ours downloads, prints,
// prompts, shows a chooser, menu or tooltip, goes full screen or is granted a permission.
// Each refusal a page causes is logged once for each load the host starts, so a page asking in a
// loop makes one line. Main thread only.
#include <bitset>
#include <string>

#include "platform/web/WebTypes.h"

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitWebsiteDataManager WebKitWebsiteDataManager;
typedef struct _WebKitResponsePolicyDecision WebKitResponsePolicyDecision;
typedef struct _WebKitWebsitePolicies WebKitWebsitePolicies;

namespace platform::web {

struct WebLimits;

class WebKitPageDefaults {
  public:
    // What the engine and the web processes it starts read from the environment: no accessibility
    // bus, no shader cache on disk. Before the engine opens the display.
    static void prepareEnvironment();
    // The shared context (a new reference): an ephemeral data manager, nothing of a page kept on
    // disk; the web processes' memory limit and poll; a document viewer's cache; every download
    // cancelled; the engine's sandbox wherever it can start, unless TIKOLEAP_WEB_SANDBOX=0 (whether
    // it runs is put in `sandboxed`).
    static WebKitWebContext* newContext(const WebLimits& limits, bool& sandboxed);
    // The settings a new view starts with (a new reference).
    static WebKitSettings* newSettings();
    // The view's autoplay: its setting, and the rule each navigation takes along (a new reference).
    static void setAutoplay(WebKitWebView* view, MediaPlayback policy);
    static WebKitWebsitePolicies* newWebsitePolicies(MediaPlayback policy);
    // The view's user agent ("" for the engine's own).
    static std::string userAgent(WebKitWebView* view);
    static void setUserAgent(WebKitWebView* view, const std::string& userAgent);

    // Answers the view's signals until destroyed, and adds its script (in `world`, out of the
    // page's reach) to the view's content manager.
    WebKitPageDefaults(WebKitWebView* view, const char* world);
    ~WebKitPageDefaults();
    WebKitPageDefaults(const WebKitPageDefaults&) = delete;
    WebKitPageDefaults& operator=(const WebKitPageDefaults&) = delete;

    // The host loads a new page: each refusal may be logged once again.
    void hostLoadStarted() { told_.reset(); }
    // Decides a response of any frame of the view: an attachment is refused (the engine would
    // download it), a type the view cannot show is dropped, the rest is shown. Always decides.
    void decideResponse(WebKitResponsePolicyDecision* decision);

  private:
    // The sandbox needs bubblewrap and the namespaces it makes; a container may deny them (a CI
    // runner), and then no web process could start in it.
    static bool sandboxCanRun();
    static WebKitWebsiteDataManager* newDataManager();
    static void guardContext(WebKitWebContext* context);

    enum class Refusal {
        Download,
        Print,
        Authentication,
        FileChooser,
        ColorChooser,
        ContextMenu,
        OptionMenu,
        Permission,
        Notification,
        kCount
    };
    struct Signals;
    // Logs the refusal once a host load.
    void refused(Refusal what, const char* text);

    WebKitWebView* view_;
    std::bitset<static_cast<std::size_t>(Refusal::kCount)> told_;
};

}  // namespace platform::web
