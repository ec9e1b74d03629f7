#pragma once
// The page's "precache" message: "src" (http or https) downloads one file ahead of use into a
// fresh folder under the precache folder, "abort" stops it and deletes what was written. The page
// hears "onPrecacheEvent" ("precacheProgress", "precacheComplete", "precacheCanceled") with the
// bytes written, the announced length (-1 without one), the source and the local file URL.
//
// The download runs on the handler's own serial queue, which owns the connection and the file;
// the main thread only starts, stops and posts events. Nothing from the server is trusted: the
// saved name is reduced to a plain base name, a download stops at kMaxBytes, and a download whose
// file cannot be written is cancelled. Every byte written is taken from the ad view's disk
// allowance, which its video's download shares: a download that would pass it is cancelled and
// deleted, and a file gives its bytes back when it is deleted.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/render/bridge/DZAMSGHandler.h"
#include "ads/render/bridge/DZPageAllowance.h"
#include "platform/dispatch/DispatchQueue.h"

namespace platform {
class DiskAllowance;
}
class DZPrecacheAMSGHandler : public DZAMSGHandler {
  public:
    // Bigger downloads are cancelled ("precacheCanceled") and their bytes deleted.
    static constexpr std::int64_t kMaxBytes = std::int64_t{64} << 20;
    // A saved name longer than this (in bytes) is replaced.
    static constexpr std::size_t kMaxNameBytes = 100;
    // Downloads one page may start, aborted ones included (counted in the allowance of the first
    // message's ad view's page, else the handler's own); later ones are refused with one log line.
    // What a download logs later is charged to that page too.

    // Gets each event's user info on the main thread. Unset: the ad view of the first message.
    using EventSink = std::function<void(const nlohmann::json& userInfo)>;

    DZPrecacheAMSGHandler();
    // Stops a running download and deletes its file (on the queue, without waiting for it); no
    // event follows. Main thread, like every other call.
    ~DZPrecacheAMSGHandler() override;

    const ActionTable& actionBlockDictionary() const override;

    void didReceivePrecacheNotification(const DZAMSGArguments& arguments);
    // Starts the download when there is a source and none has been started since the last clean-up.
    void preload();
    // Cleans up, then "precacheCanceled" with the bytes that had been written.
    void abort();

    // The name a download is saved under, from the server's suggestion: its base name when that is
    // a plain name of at most kMaxNameBytes, else "precache".
    static std::string savedName(const std::string& suggested);

    void setEventSink(EventSink sink);
    // Where the downloads' folders go; unset: the precache folder. Read when a download starts.
    void setFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    // What the downloads may keep on disk, read when one starts; unset: the first message's ad
    // view's, or kMaxBytes of the handler's own for a download started before any ad view.
    void setDiskAllowance(std::shared_ptr<platform::DiskAllowance> allowance) {
        allowance_ = std::move(allowance);
    }
    const std::string& sourceURL() const { return sourceURL_; }
    bool hasStartedPreloading() const { return job_ != nullptr; }

    struct Events;
    struct Job;

  private:
    // Lets the running job go: its connection is cancelled and its file closed and deleted on the
    // queue, then, when `announce`, "precacheCanceled" goes out with the bytes it had written.
    void cleanUp(bool announce);

    std::string sourceURL_;
    std::shared_ptr<DZPageAllowance> viewlessAllowance_ = std::make_shared<DZPageAllowance>();
    std::filesystem::path folder_;
    std::shared_ptr<platform::DiskAllowance> allowance_;
    // Where events go; shared with the queue's blocks, which may outlive the handler.
    std::shared_ptr<Events> events_;
    std::shared_ptr<Job> job_;
    std::shared_ptr<platform::DispatchQueue> queue_;
};
