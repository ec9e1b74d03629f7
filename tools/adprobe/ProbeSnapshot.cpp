#include "tools/adprobe/ProbeSnapshot.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZAdViewRenderedChecker.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"

namespace {

struct Verdict : DZAdViewRenderedCheckerDelegate {
    bool rendered = false;
    void adViewDidRenderContent(DZAdView&) override { rendered = true; }
    void adViewDidFailToRenderContent(DZAdView&) override { rendered = false; }
};

// PNG takes straight alpha; the snapshot is premultiplied.
std::vector<std::uint8_t> straightAlpha(const std::vector<std::uint8_t>& premultiplied) {
    std::vector<std::uint8_t> out(premultiplied);
    for (std::size_t i = 0; i + 3 < out.size(); i += 4) {
        const unsigned a = out[i + 3];
        if (a == 0 || a == 255) continue;
        for (std::size_t c = 0; c < 3; ++c)
            out[i + c] = static_cast<std::uint8_t>(std::min(255u, (out[i + c] * 255u + a / 2) / a));
    }
    return out;
}

}  // namespace

std::string snapshotPathProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISREG(st.st_mode) ? "" : path + " exists and is not a file";
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return "no folder " + folder.string();
    return "";
}

nlohmann::json probeSnapshot(const std::shared_ptr<DZAdView>& adView, const std::string& path) {
    auto verdict = std::make_shared<Verdict>();
    DZAdViewRenderedChecker(adView, verdict).checkIsContentRenderedInAdView();
    nlohmann::json result = {{"rendered", verdict->rendered}, {"snapshot", nullptr}};
    if (path.empty()) return result;
    platform::Image page;
    if (auto* engine = adView->engine()) page = engine->snapshot();
    nlohmann::json shot = {
        {"file", path}, {"width", page.width}, {"height", page.height}, {"error", nullptr}};
    std::string error;
    if (!page.hasBitmap() || page.content != platform::Image::Content::RGBAPremultiplied) {
        shot["error"] = "the view has no page picture";
    } else if (!platform::writePng(path, straightAlpha(page.pixels).data(), page.width, page.height,
                                   &error)) {
        shot["error"] = error;
    }
    result["snapshot"] = shot;
    return result;
}

nlohmann::json probeWindowCapture(platform::ui::Window& window, const std::string& path) {
    std::string error;
    auto context = platform::GLContext::createHeadless(&error);
    if (!context) return probeRendererCapture(nullptr, window, path, error);
    platform::ui::WindowRenderer renderer(context, 1);
    return probeRendererCapture(&renderer, window, path, error);
}

nlohmann::json probeRendererCapture(platform::ui::WindowRenderer* renderer, platform::ui::Window& window,
                                    const std::string& path, std::string error) {
    if (renderer) {
        if (!renderer->render(window))
            error = "the window could not be rendered";
        else
            renderer->capturePng(path, &error);
    }
    return {{"file", path}, {"error", error.empty() ? nlohmann::json() : nlohmann::json(error)}};
}
