#pragma once
// "customClose" and "setInterstitialProperties": the page of a full-screen ad-app controller
// chooses its close control and, before it is presented, a transparent background. On an ad view
// with any other controller both are taken and do nothing.
#include "ads/render/bridge/DZAMSGHandler.h"

class DZAdAppAMSGHandler : public DZAMSGHandler {
  public:
    const ActionTable& actionBlockDictionary() const override;

    void configureCustomCloseButtonWithArguments(const DZAMSGArguments& arguments);
    void updateInterstitialPropertiesWithArguments(const DZAMSGArguments& arguments);
};
