#pragma once
#include <cstdint>

#include "core/JTString.h"

namespace JTAppBase {

class JTAppContext;

// One level of the catalog: ids, texts and the data of a downloaded level file.
class JTLevelInfo : public JTCore::JTObject {
  public:
    JTLevelInfo(JTAppContext* context, int levelId);
    static JTCore::Ref<JTLevelInfo> create(JTAppContext* context, int levelId);

    virtual int getLevelId() const { return levelId_; }
    virtual JTCore::Ref<JTCore::JTString> getName() const { return name_; }
    virtual void setName(const JTCore::Ref<JTCore::JTString>& name) { name_ = name; }
    // 0 means "same as the level id".
    virtual int getWebLevelId() const { return webLevelId_ != 0 ? webLevelId_ : levelId_; }
    virtual void setWebLevelId(int id) { webLevelId_ = id; }
    virtual JTCore::Ref<JTCore::JTString> getHelpMessage() const { return helpMessage_; }
    virtual void setHelpMessage(const JTCore::Ref<JTCore::JTString>& text) { helpMessage_ = text; }
    virtual int getCanvasLayout() const { return canvasLayout_; }
    virtual void setCanvasLayout(int layout) { canvasLayout_ = layout; }
    virtual JTCore::Ref<JTAppContext> getAppContext() const;
    virtual int64_t getDataHash() const { return dataHash_; }
    virtual void setDataHash(int64_t hash) { dataHash_ = hash; }
    virtual int64_t getFlags() const { return flags_; }
    virtual void setFlags(int64_t flags) { flags_ = flags; }
    virtual bool isDownloaded() const { return downloaded_; }
    virtual void setDownloaded(bool on) { downloaded_ = on; }
    virtual int getDataSize() const { return dataSize_; }
    virtual void setDataSize(int size) { dataSize_ = size; }

    // Shorthand used across the shell.
    int getId() const { return getLevelId(); }

  private:
    int levelId_;
    int webLevelId_ = 0;
    int canvasLayout_ = -1;
    JTCore::Ref<JTCore::JTString> name_;
    JTCore::Ref<JTCore::JTString> helpMessage_;
    int64_t dataHash_ = -1;
    int dataSize_ = 0;
    int64_t flags_ = 0;
    JTCore::JTWeakPtr<JTAppContext> context_;
    bool downloaded_ = false;
};

}  // namespace JTAppBase
