#include "services/DlLevelsSupport.h"

#include <exception>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/LogMessage.h"
#include "platform/foundation/PercentEncoding.h"
#include "platform/url/Url.h"
#include "services/DecimalText.h"
#include "services/DownloadedLevelFile.h"
#include "shell/AppCoreBase.h"
#include "shell/UiUtil.h"

namespace {

constexpr const char* kLogName = "DlLevelsSupport";

void dlLog(const std::string& text) {
    LogMessage(kLogName, 1, text);
}

}  // namespace

std::shared_ptr<DlLevelsSupport> DlLevelsSupport::initWithAppCore(AppCoreBase* appCore) {
    return std::shared_ptr<DlLevelsSupport>(new DlLevelsSupport(appCore));
}

DlLevelsSupport::~DlLevelsSupport() {
    if (connection_) connection_->cancel();
}

bool DlLevelsSupport::handleOpenURL(const platform::Url& url) {
    if (url.path() != "/startLevel") return false;
    processStartLevel(url.query());
    return true;
}

DlLevelsSupport::Query DlLevelsSupport::parseQuery(const std::string& query) {
    Query result;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        const size_t eq = pair.find('=');
        if (eq == std::string::npos || pair.find('=', eq + 1) != std::string::npos) continue;
        std::optional<std::string> key = platform::percentDecode(pair.substr(0, eq), false);
        std::optional<std::string> value = platform::percentDecode(pair.substr(eq + 1), false);
        if (!key || !value) continue;
        if (*key == "lid") {
            result.lid = decimalIntValue(*value);
        } else if (*key == "dh") {
            result.dh = decimalLongLongValue(*value);
        } else if (*key == "tk") {
            result.tk = decimalLongLongValue(*value);
        }
    }
    return result;
}

void DlLevelsSupport::processStartLevel(const std::string& query) {
    if (query.empty() || !appCore_) return;
    const Query q = parseQuery(query);
    dlLog("startLevel lid:" + std::to_string(q.lid) + " dh:" + std::to_string(q.dh) +
          " tk:" + std::to_string(q.tk));
    if (q.lid < 1) return;
    JTAppBase::JTAppContext* context = appCore_->appContext();
    JTCore::Ref<JTAppBase::JTLevelManager> manager = context ? context->getLevelManager() : nullptr;
    if (!manager) return;
    if (!manager->isFilesLevelManager()) {
        dlLog("not FilesLevelManager");
        return;
    }
    auto* files = dynamic_cast<JTAppBase::FilesLevelManager*>(manager.get());
    JTCore::Ref<JTAppBase::JTLevelInfo> info = manager->getLevelInfo(q.lid);
    if (info && !(q.dh != -1 && q.dh != info->getDataHash())) {
        dlLog("skip downloading");
        if (info->isDownloaded() && files) files->addDownloadedLevel(info);
        appCore_->stopLoopingEffects(true, true);
        appCore_->stopAllViews();
        setCurrentLevelId(q.lid);
        doStartGame();
        return;
    }
    appCore_->stopLoopingEffects(true, true);
    appCore_->stopAllViews();
    appCore_->startTitleView();
    if (!manager->canDownloadLevels() || !files) {
        ShowOkAlert("Error", "The selected level doesn't exists.");
        return;
    }
    std::optional<std::string> url = appCore_->downloadLevelUrlWithLevelId(q.lid, q.dh, q.tk);
    if (!url) return;  // no account id to sign with: the app core has said so
    if (!waitingAlert_) {
        waitingAlert_ = std::make_shared<platform::ui::AlertView>("Downloading Data", "Please wait...",
                                                                  weak_from_this(), "Cancel");
    }
    waitingAlert_->show();
    dropConnection();
    std::weak_ptr<DlLevelsSupport> weak = weak_from_this();
    platform::HttpConnection::Callbacks callbacks;
    callbacks.didReceiveResponse = [weak](const platform::HttpResponse& response) {
        if (auto self = weak.lock()) self->connectionDidReceiveResponse(response);
    };
    callbacks.didFinish = [weak](std::string body) {
        if (auto self = weak.lock()) self->connectionDidFinishLoading(std::move(body));
    };
    callbacks.didFail = [weak](const platform::HttpError& error) {
        if (auto self = weak.lock()) self->connectionDidFailWithError(error);
    };
    platform::HttpRequest request;
    request.url = *url;
    request.timeoutSeconds = kDownloadTimeout;
    // Receiving stops at the largest file there can be, not after it has all been taken in.
    request.maxBodyBytes = static_cast<std::size_t>(kMaxDownloadedLevelBytes) + 1 + kMaxHeaderBytes;
    request.headers.set("Cache-Control", "no-cache");
    connection_ = platform::HttpConnection::create(std::move(callbacks));
    lid_ = q.lid;
    if (std::optional<platform::HttpError> error = connection_->start(std::move(request))) {
        connectionDidFailWithError(*error);
    }
}

void DlLevelsSupport::setCurrentLevelId(int levelId) {
    appCore_->setCurrentLevelId(levelId);
    appCore_->saveSettings();
    appCore_->updateInterfaceOrientation();
}

void DlLevelsSupport::doStartGame() {
    appCore_->startGameView();
}

void DlLevelsSupport::dropConnection() {
    if (connection_) connection_->cancel();
    connection_.reset();
    response_.reset();
}

void DlLevelsSupport::dismissWaitingAlert() {
    if (waitingAlert_) waitingAlert_->dismissWithClickedButtonIndex(0, false);
}

void DlLevelsSupport::connectionDidReceiveResponse(const platform::HttpResponse& response) {
    response_ = response;
}

void DlLevelsSupport::connectionDidFinishLoading(std::string body) {
    const std::optional<platform::HttpResponse> response = response_;
    dropConnection();
    dismissWaitingAlert();
    const int status = response ? response->status : 0;
    if (status != 200) {
        std::string headers;
        if (response) {
            for (const auto& [name, value] : response->headers.fields())
                headers += name + ": " + value + "\n";
        }
        dlLog("DlLevels: Invalid statusCode " + std::to_string(status));
        dlLog("headers: " + headers);
        std::optional<std::string> message =
            response ? response->headers.get("Error-Dialog-Message") : std::nullopt;
        auto alert = std::make_shared<platform::ui::AlertView>(
            "Failed to Download.",
            message ? *message : "Error details:\nstatusCode=" + std::to_string(status),
            std::weak_ptr<platform::ui::AlertViewDelegate>(), "Ok");
        alert->show();
        return;
    }
    dlLog("DlLevels: Download success. " + std::to_string(body.size()) + " bytes");
    JTAppBase::JTAppContext* context = appCore_->appContext();
    JTCore::Ref<JTAppBase::JTLevelManager> manager = context ? context->getLevelManager() : nullptr;
    auto* files = dynamic_cast<JTAppBase::FilesLevelManager*>(manager.get());
    bool stored = false;
    // The file comes from the network: whatever is wrong with it is reported, never let loose.
    try {
        stored = files && processDownloadedBytes(*files, lid_, reinterpret_cast<const uint8_t*>(body.data()),
                                                 body.size());
    } catch (const JTCore::Ref<JTCore::JTException>& e) {
        LogMessage(kLogName, 3,
                   "broken level file: " + (e && e->getMessage() ? e->getMessage()->toUtf8() : ""));
    } catch (const std::exception& e) {
        LogMessage(kLogName, 3, std::string("broken level file: ") + e.what());
    }
    if (stored) {
        appCore_->stopAllViews();
        setCurrentLevelId(lid_);
        doStartGame();
    } else {
        ShowOkAlert("Failed to Download.", "Downloaded data is broken.");
    }
}

void DlLevelsSupport::connectionDidFailWithError(const platform::HttpError& error) {
    dropConnection();
    dismissWaitingAlert();
    auto alert =
        std::make_shared<platform::ui::AlertView>("Failed to Download.", "Error details:\n" + error.message,
                                                  std::weak_ptr<platform::ui::AlertViewDelegate>(), "Ok");
    alert->show();
}

void DlLevelsSupport::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) {
    if (&alert != waitingAlert_.get() || !connection_) return;
    dlLog("DlLevels: cancel download");
    dropConnection();
}
