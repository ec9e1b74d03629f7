#pragma once
// What the probe's adview command tells about the picture of its page: the render check's
// verdict and, when asked, the page written as a PNG.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

class DZAdView;
namespace platform::ui {
class Window;
class WindowRenderer;
}  // namespace platform::ui

// Why `path` cannot take the snapshot (it exists and is no regular file, or its folder is
// missing); "" when it can.
std::string snapshotPathProblem(const std::string& path);
// {"rendered": the render check's verdict, "snapshot": null | {"file", "width", "height",
// "error": null | why it was not written}} for the view as it shows now.
nlohmann::json probeSnapshot(const std::shared_ptr<DZAdView>& adView, const std::string& path);
// {"file", "error": null | why it failed}: the whole window rendered at scale 1 and written as a PNG.
nlohmann::json probeWindowCapture(platform::ui::Window& window, const std::string& path);
// The same through a renderer the caller already draws with; with none, `error` says why not.
nlohmann::json probeRendererCapture(platform::ui::WindowRenderer* renderer, platform::ui::Window& window,
                                    const std::string& path, std::string error);
