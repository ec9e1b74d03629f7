#pragma once
// The web backend of libtikoleap-web.so: WebKitHost's views, and GTK's user agent and clipboard.
// Installed in WebViews as the library loads. Main thread only.
#include "platform/web/WebBackend.h"

namespace platform::web {

class WebKitBackend : public WebBackend {
  public:
    std::unique_ptr<WebEngine> createView(GLibRunLoop* startOn, int width, int height,
                                          std::string* error) override;
    bool running() const override;
    bool anyViewLoading() const override;
    std::optional<std::string> defaultUserAgent() override;
    bool offerToClipboard(const std::string& text) override;

  private:
    // Why the engine could not start; GTK is not started twice, so it stands for the process.
    std::string startFailure_;
};

}  // namespace platform::web
