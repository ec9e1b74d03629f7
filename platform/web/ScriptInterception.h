#pragma once
// The host's side of script interception. The web-process extension diverts a page's request
// for a named script (an ad's "mraid.js") to the host's own scheme, marked with a secret that
// pages never see; here the request goes to its view's responder, which answers it from memory
// at once or later, or declines it: the original address (http or https) is then loaded from the
// network and handed to the page as if nothing had intercepted it. A request without the secret
// (a page asking the scheme itself, whatever referer it names) is refused before any responder
// hears of it. Main thread only; lives as long as the web context.
#include <memory>
#include <string>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitURISchemeRequest WebKitURISchemeRequest;
typedef struct _SoupSession SoupSession;

namespace platform::web {

class WebKitHost;

class ScriptInterception {
  public:
    ScriptInterception(WebKitHost& host, WebKitWebContext* context);
    ~ScriptInterception();
    ScriptInterception(const ScriptInterception&) = delete;
    ScriptInterception& operator=(const ScriptInterception&) = delete;

    static const char* scheme() { return "tikoleap-script"; }
    // The request header that carries the secret from the extension.
    static const char* secretHeader() { return "X-Tikoleap-Script"; }
    const std::string& secret() const { return secret_; }

  private:
    struct Pending;

    static void serve(WebKitURISchemeRequest* request, void* self);
    void handle(WebKitURISchemeRequest* request);
    void loadFromNetwork(const std::shared_ptr<Pending>& pending);

    WebKitHost& host_;
    std::string secret_;
    SoupSession* session_ = nullptr;
};

}  // namespace platform::web
