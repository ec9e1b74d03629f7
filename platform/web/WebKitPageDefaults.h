#pragma once
// What the engine does for a page where nothing else of ours answers, in one place: the settings
// every view starts with, the shared context's data manager and downloads, and an answer to each
// signal of a view whose default would reach past the view (a file on disk, a dialog or menu on
// the desktop, a printer, a prompt drawn in an ad, a device). No view of ours downloads, prints,
// prompts, shows a chooser, menu or tooltip, goes full screen or is granted a permission.
// Each refusal a page causes is logged once for each load the host starts, so a page asking in a
// loop makes one line. Main thread only.
#include <bitset>
#include <string>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitWebsiteDataManager WebKitWebsiteDataManager;
typedef struct _WebKitResponsePolicyDecision WebKitResponsePolicyDecision;

namespace platform::web {

class WebKitPageDefaults {
  public:
    // The settings a new view starts with (a new reference).
    static WebKitSettings* newSettings();
    // The data manager of the shared context: ephemeral, nothing of a page kept on disk (a new
    // reference).
    static WebKitWebsiteDataManager* newDataManager();
    // Keeps the graphics driver's shader cache off the disk, in this process and the web
    // processes it starts. Before the engine opens the display.
    static void prepareEnvironment();
    // Cancels every download the context starts, whichever view or way it came from.
    static void guardContext(WebKitWebContext* context);

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
