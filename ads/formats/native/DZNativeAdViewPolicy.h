#pragma once
// What both native ad containers do with the app's views: puts the attribution badge (top right)
// and the ad's overlay above them, turns a tap on an asset view into the ad's click with where it
// was and how the views lie, and counts the impression once the container can be seen. The
// container and the asset views are held weakly: a view nothing else holds drops out of the taps.
// Impressions are checked whenever the container lays out or moves to a window, and while it
// cannot be seen, on each sample of a monitor. Main thread only.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/render/viewability/DZZadavaDuruMonitor.h"
#include "platform/geometry/Geometry.h"

class DZNativeAd;
class DZNativeAdAttributionView;
class DZOverlayView;
namespace platform::ui {
class View;
}

class DZNativeAdViewPolicy : public DZZadavaDuruMonitorDelegate,
                             public std::enable_shared_from_this<DZNativeAdViewPolicy> {
  public:
    // Null without a container or either name. Adds the badge and the recognizers to the container.
    static std::shared_ptr<DZNativeAdViewPolicy> create(const std::shared_ptr<platform::ui::View>& container,
                                                        std::string attributionIconAssetName,
                                                        std::string attributionTextAssetName);
    ~DZNativeAdViewPolicy() override;
    DZNativeAdViewPolicy(const DZNativeAdViewPolicy&) = delete;
    DZNativeAdViewPolicy& operator=(const DZNativeAdViewPolicy&) = delete;

    // A new ad brings badge, overlay and view order up to date and starts its own impression
    // count; the same ad again changes nothing.
    void setNativeAd(const std::shared_ptr<DZNativeAd>& ad);
    const std::shared_ptr<DZNativeAd>& nativeAd() const { return nativeAd_; }

    // `view` shows the asset `name` from now on (null: none); the view it replaces drops out.
    void replaceAsset(const std::string& name, const std::shared_ptr<platform::ui::View>& view);
    // The view showing `name`, null when none is alive.
    std::shared_ptr<platform::ui::View> assetView(const std::string& name) const;

    // The container's layout and its move to a window: order the views, lay the badge out, and
    // check for the impression until it counted.
    void adViewDidLayoutSubviews();
    void adViewDidMoveToWindow();

    // A tap at `location` (container coordinates): the badge's parts first when it shows, then
    // the first shown asset view containing it. A tap on no asset does nothing.
    void handleTap(platform::Point location);
    // {"click_point", "native_view_rectangle", "view_rectangles"} for a tap at `location`.
    nlohmann::json tapHandlingEnvironment(platform::Point location) const;

    const std::shared_ptr<DZNativeAdAttributionView>& attributionView() const { return attributionView_; }
    std::shared_ptr<DZOverlayView> overlayView() const { return overlayView_.lock(); }
    bool isMonitoringImpression() const { return monitor_ != nullptr; }

    // DZZadavaDuruMonitorDelegate
    void zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) override;

    DZNativeAdViewPolicy(const std::shared_ptr<platform::ui::View>& container, std::string iconName,
                         std::string textName);  // use create()

  private:
    void attachToContainer();
    void updateViews();
    void orderViews();
    void layOutAttribution();
    void checkForImpression();
    void recordImpression();
    void stopMonitoring();
    // The view's frame in the container's coordinates.
    platform::Rect rectInContainer(const platform::ui::View& view) const;
    bool attributionShown() const;

    std::weak_ptr<platform::ui::View> container_;
    std::shared_ptr<DZNativeAdAttributionView> attributionView_;
    std::weak_ptr<DZOverlayView> overlayView_;
    // In the order the views were given: it decides between overlapping views.
    std::vector<std::pair<std::weak_ptr<platform::ui::View>, std::string>> assetViews_;
    const std::string attributionIconAssetName_;
    const std::string attributionTextAssetName_;
    std::shared_ptr<DZZadavaDuruMonitor> monitor_;
    std::shared_ptr<DZNativeAd> nativeAd_;
};
