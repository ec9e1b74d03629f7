#pragma once
// The app URL "/startLevel?lid=..&dh=..&tk=..": a web page of the game's server starts a level.
// A level already present (and up to date) starts at once; any other is downloaded through the
// signed level-download link, checked and stored, then started. Downloads need a files-backed
// level manager; the game's own is not one, so such URLs stop after a log line. Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/http/HttpConnection.h"
#include "platform/ui/AlertView.h"

class AppDoor;
namespace platform {
class Url;
}

class DlLevelsSupport : public platform::ui::AlertViewDelegate,
                        public std::enable_shared_from_this<DlLevelsSupport> {
  public:
    static constexpr double kDownloadTimeout = 30;
    // A level file is its one-line header, a line feed and a body of at most 8 MiB: receiving
    // stops past this.
    static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

    // The app core is not owned; it outlives this object.
    static std::shared_ptr<DlLevelsSupport> initWithAppCore(AppDoor* appCore);
    ~DlLevelsSupport() override;

    AppDoor* appCore() const { return appCore_; }

    // True, after processStartLevel with the URL's query, when the path is exactly "/startLevel".
    bool handleOpenURL(const platform::Url& url);
    void processStartLevel(const std::string& query);
    void setCurrentLevelId(int levelId);
    // The app core starts the game view.
    virtual void doStartGame();

    struct Query {
        int lid = -1;
        int64_t dh = -1;  // -1: no hash given
        int64_t tk = -1;
    };
    // Pairs "key=value" joined by "&"; a pair that does not split in two at "=" is ignored, and so
    // is one whose percent escapes are malformed.
    static Query parseQuery(const std::string& query);

    // The download's connection callbacks (current connection only).
    void connectionDidReceiveResponse(const platform::HttpResponse& response);
    void connectionDidFinishLoading(std::string body);
    void connectionDidFailWithError(const platform::HttpError& error);
    // The waiting alert's button: cancels the download.
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) override;

    bool isDownloading() const { return connection_ != nullptr; }
    int downloadingLevelId() const { return lid_; }

  protected:
    explicit DlLevelsSupport(AppDoor* appCore) : appCore_(appCore) {}

  private:
    void dropConnection();
    void dismissWaitingAlert();

    AppDoor* appCore_;
    std::shared_ptr<platform::ui::AlertView> waitingAlert_;
    std::shared_ptr<platform::HttpConnection> connection_;
    std::optional<platform::HttpResponse> response_;
    int lid_ = 0;
};
