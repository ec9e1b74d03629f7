# A unity build compiles a target's units in batches, each batch one translation unit: two units
# of a target that give a file-local name (an anonymous namespace's, a static's) two definitions
# cannot share a batch. Such a unit is compiled alone here, every one of a clashing set but the
# first, whatever batch the others land in; the levels and their tests, whose units all repeat the
# same names (each level names its own textures, effects and constants), are compiled unit by
# unit, and so are the tests' helpers: a test links only the helpers it uses, and a batch would
# bring in with one of them the others' libraries too. Only the sanitizer trees build this way (CMakeLists.txt); a new clash fails there as a
# redefinition, and its unit joins the list below.

# tikoleap_unity_alone(<target> <file relative to the checkout>...)
function(tikoleap_unity_alone target)
  if(NOT TARGET ${target})
    return()
  endif()
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/)
  set_source_files_properties(${ARGN} TARGET_DIRECTORY ${target} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

foreach(_target tikoleap_levels tikoleap-tests-levels tikoleap_testsupport)
  if(TARGET ${_target})
    set_target_properties(${_target} PROPERTIES UNITY_BUILD OFF)
  endif()
endforeach()

tikoleap_unity_alone(tikoleap_platform platform/ui/ScrollView.cpp platform/ui/ViewAnimationGroup.cpp
                     platform/calendar/EventStore.cpp platform/compose/ComposeService.cpp
                     platform/store/StoreBackend.cpp platform/ui/ActionSheet.cpp platform/ui/Toolbar.cpp
                     platform/web/WebViews.cpp platform/plist/PlistText.cpp platform/foundation/StoredFile.cpp
                     platform/foundation/FileIO.cpp platform/plist/PlistLimits.cpp platform/text/TextRasterizer.cpp)
tikoleap_unity_alone(tikoleap_services services/AnnounceManagerBanner.cpp services/AnnounceManagerInterstitial.cpp
                     services/AnnounceManagerState.cpp services/DiDazSupport.cpp services/DlLevelsSupport.cpp
                     services/DownloadedLevelFile.cpp services/DownloadedLevelStore.cpp)
tikoleap_unity_alone(tikoleap_ads_slot ads/core/slot/DZSDKCoreWebView.cpp ads/core/slot/DZSlotStates.cpp)
tikoleap_unity_alone(tikoleap_ads_render ads/render/view/DZBrowserAdViewDelegate.cpp
                     ads/render/view/DZDefaultAMSGHandler.cpp ads/render/view/DZMRAIDAMSGHandler.cpp
                     ads/render/view/DZOpener.cpp ads/render/view/DZOpenerAMSGHandler.cpp
                     ads/render/view/DZOpenerWebApp.cpp ads/render/view/DZPageTrackers.cpp
                     ads/render/viewability/DZZadavaDuruAMSGHandler.cpp ads/render/view/DZVideoPlayerAMSGHandler.cpp
                     ads/render/sampling/DZContentSampler.cpp ads/render/view/DZVideoPlayer.cpp
                     ads/render/sampling/DZPageTextReader.cpp ads/render/mraid/DZMRAIDCalendarProperties.cpp)
tikoleap_unity_alone(tikoleap_adserver tools/adserver/SwipeBanner.cpp)
tikoleap_unity_alone(tikoleap-adprobe tools/adprobe/RewardProbe.cpp tools/adprobe/NativeProbe.cpp
                     tools/adprobe/WaterfallProbe.cpp)
tikoleap_unity_alone(tikoleap-assetgen tools/assetgen/IconArt.cpp)
tikoleap_unity_alone(tikoleap-uiart tools/assetgen/IconArt.cpp tools/uiart/ScreenArt.cpp)
tikoleap_unity_alone(tikoleap-tests-ads_core tests/ads/core/interstitial_test.cpp tests/ads/core/slot_test.cpp
                     tests/ads/core/zadava_duru_core_test.cpp)
tikoleap_unity_alone(tikoleap-tests-ads_render tests/ads/render/banner_clicks_test.cpp
                     tests/ads/render/content_sampling_test.cpp tests/ads/render/full_screen_clicks_test.cpp)
tikoleap_unity_alone(tikoleap-tests-app tests/app/headless_run_test.cpp tests/app/lazy_engines_test.cpp
                     tests/app/single_instance_test.cpp)
tikoleap_unity_alone(tikoleap-tests-platform tests/platform/dispatch_queue_test.cpp
                     tests/platform/http_connection_test.cpp tests/platform/ui_controls_test.cpp
                     tests/platform/ui_gesture_test.cpp tests/platform/ui_transition_test.cpp
                     tests/platform/ui_window_test.cpp tests/platform/ui_presentation_test.cpp
                     tests/platform/gl_window_test.cpp tests/platform/stored_file_test.cpp)
tikoleap_unity_alone(tikoleap-tests-ads_foundation tests/ads/foundation/containers_test.cpp)
tikoleap_unity_alone(tikoleap-tests-shell tests/shell/util_files_test.cpp)
tikoleap_unity_alone(tikoleap-tests-web tests/web/web_navigation_test.cpp)
tikoleap_unity_alone(tikoleap_fuzz_units platform/plist/PlistText.cpp ads/core/DZAdResponseHeaders.cpp
                     platform/foundation/PercentEncoding.cpp ads/foundation/DZNSURLUtilities.cpp
                     platform/foundation/StoredFile.cpp platform/foundation/FileIO.cpp
                     platform/plist/PlistLimits.cpp ads/core/DZAd.cpp)
tikoleap_unity_alone(tikoleap-tests-queues tests/platform/dispatch_queue_test.cpp)
