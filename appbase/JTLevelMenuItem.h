#pragma once
#include "appbase/JTLevelInfo.h"

namespace JTAppBase {

class JTLevelManager;

// One entry of the level-selection menu; a lock message makes it locked.
class JTLevelMenuItem : public JTCore::JTObject {
  public:
    JTLevelMenuItem(JTLevelManager* manager, const JTCore::Ref<JTLevelInfo>& info);

    virtual JTCore::Ref<JTCore::JTString> getTitle() const;
    virtual JTCore::Ref<JTCore::JTString> getInfoText() const;
    virtual JTCore::Ref<JTCore::JTString> getLevelName() const;
    virtual JTCore::Ref<JTCore::JTString> getLabel() const;
    virtual JTCore::Ref<JTLevelInfo> getLevelInfo() const { return info_; }
    virtual void setLabel(const JTCore::Ref<JTCore::JTString>& label) { label_ = label; }
    virtual bool isLocked() const { return lockMessage_ != nullptr; }
    virtual JTCore::Ref<JTCore::JTString> getLockMessage() const { return lockMessage_; }
    virtual void setLockMessage(const JTCore::Ref<JTCore::JTString>& text) { lockMessage_ = text; }

  private:
    JTCore::Ref<JTLevelManager> manager() const;

    JTCore::JTWeakPtr<JTLevelManager> manager_;
    JTCore::Ref<JTLevelInfo> info_;
    JTCore::Ref<JTCore::JTString> label_;
    JTCore::Ref<JTCore::JTString> lockMessage_;
};

}  // namespace JTAppBase
