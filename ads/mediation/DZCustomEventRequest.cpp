#include "ads/mediation/DZCustomEventRequest.h"

#include "ads/mediation/DZCustomEventExtras.h"
#include "ads/mediation/DZMAdNetworkConnector.h"

DZCustomEventRequest::DZCustomEventRequest(const DZMAdNetworkConnector& connector,
                                           const std::optional<std::string>& label)
    : userGender_(connector.userGender()),
      userBirthday_(connector.userBirthday()),
      userHasLocation_(connector.userHasLocation()),
      userLatitude_(connector.userLatitude()),
      userLongitude_(connector.userLongitude()),
      userLocationAccuracyInMeters_(connector.userLocationAccuracyInMeters()),
      userLocationDescription_(connector.userLocationDescription()),
      userKeywords_(connector.userKeywords()),
      isTesting_(connector.testMode()) {
    if (auto extras = std::dynamic_pointer_cast<DZCustomEventExtras>(connector.networkExtras()))
        additionalParameters_ = extras->extrasForLabel(label);
}
