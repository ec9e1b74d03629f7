#pragma once
// The SDK core page's answers about measured views: "visibilityChanged" (parameters "hashCode"
// and "isVisible"; only "1" is visible) and "untrackZadavaDuruUnit" ("hashCode"). The page is
// untrusted: a message without its parameters, or whose "hashCode" is not a whole number from 0
// to 4294967295 written in decimal digits, is taken and dropped. The delegate (the core view
// that runs the page) is held weakly and told on the main thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZZadavaDuruAMSGHandler;

class DZZadavaDuruAMSGHandlerDelegate {
  public:
    virtual ~DZZadavaDuruAMSGHandlerDelegate() = default;
    virtual void zadavaDuruAMSGHandlerDidReceiveVisibilityNotification(DZZadavaDuruAMSGHandler& handler,
                                                                       bool visible,
                                                                       uint32_t zadavaDuruID) = 0;
    virtual void zadavaDuruAMSGHandlerDidReceiveUntrackNotification(DZZadavaDuruAMSGHandler& handler,
                                                                    uint32_t zadavaDuruID) = 0;
};

class DZZadavaDuruAMSGHandler : public DZAMSGHandler {
  public:
    const ActionTable& actionBlockDictionary() const override;

    void setDelegate(std::weak_ptr<DZZadavaDuruAMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<DZZadavaDuruAMSGHandlerDelegate> delegate() const { return delegate_.lock(); }

    void didReceiveZadavaDuruVisibilityChangedNotification(const DZAMSGArguments& arguments);
    void didReceiveZadavaDuruUntrackZadavaDuruNotification(const DZAMSGArguments& arguments);

    // The ID a "hashCode" parameter names, nothing when it names none.
    static std::optional<uint32_t> zadavaDuruIDFromText(const std::string& text);

  private:
    std::weak_ptr<DZZadavaDuruAMSGHandlerDelegate> delegate_;
};
