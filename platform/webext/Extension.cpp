// Loaded by the engine into each web process: redirects the scripts the host answers, holds the
// process under its memory limit and its processor share, counts its frames' own address changes,
// hands what it writes to its standard error to the host, holds the media of a page nobody sees
// and keeps the process off the desktop's message bus.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <vector>

#include "platform/web/WebExtensionProtocol.h"
#include "platform/webext/CpuWatch.h"
#include "platform/webext/FrameHistory.h"
#include "platform/webext/MediaHold.h"
#include "platform/webext/MemoryWatch.h"
#include "platform/webext/OutputRelay.h"
#include "platform/webext/ScriptRedirect.h"

namespace {

using namespace platform::web::extension;

WebKitWebExtension* gExtension = nullptr;
webext::ScriptRedirect* gRedirect = nullptr;
// Pages of this process by id (a view's process holds its pages alone).
std::vector<guint64> gPages;

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    gPages.push_back(webkit_web_page_get_id(page));
    gRedirect->watch(page);
    webext::MediaHold::start().watch(page);
}

void tellHost(const char* message, const std::string* text = nullptr) {
    for (guint64 id : gPages) {
        if (WebKitWebPage* page = webkit_web_extension_get_page(gExtension, id)) {
            GVariant* parameters = nullptr;
            if (text) {
                gchar* valid = g_utf8_make_valid(text->data(), static_cast<gssize>(text->size()));
                parameters = g_variant_new_take_string(valid);
            }
            webkit_web_page_send_message_to_view(page, webkit_user_message_new(message, parameters), nullptr,
                                                 nullptr, nullptr);
        }
    }
}

void tellHostOfFrameHistory(std::uint64_t id, std::uint32_t changes, std::uint64_t characters) {
    if (WebKitWebPage* page = webkit_web_extension_get_page(gExtension, id)) {
        webkit_web_page_send_message_to_view(
            page,
            webkit_user_message_new(kFrameHistoryMessage,
                                    g_variant_new("(ut)", changes, static_cast<guint64>(characters))),
            nullptr, nullptr, nullptr);
    }
}

void tellHostOfOutput(const std::string& line) {
    tellHost(kProcessOutputMessage, &line);
}

void tellHostOfMemoryLimit() {
    tellHost(kMemoryLimitMessage);
}

void tellHostOfCpuLimit() {
    tellHost(kCpuLimitMessage);
}

// A process stopped at its memory limit notices nothing, not even its host's end: the kernel
// kills it as its parent goes. Where the sandbox stands between them the parent is the sandbox's
// own, and the host ends its web processes as it exits.
void dieWithHost(pid_t host) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The host may have gone before the line above: the process then has another parent already.
    if (host != 0 && getppid() != host) raise(SIGKILL);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* data) {
    const gchar* scheme = nullptr;
    const gchar* header = nullptr;
    const gchar* secret = nullptr;
    GVariantIter* names = nullptr;
    guint32 memoryLimitMB = 0;
    guint32 memoryIntervalMs = 0;
    guint32 cpuSharePermille = 0;
    guint32 cpuSpanMs = 0;
    guint32 hostPid = 0;
    if (!data || !g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE(kStartDataType))) return;
    g_variant_get(const_cast<GVariant*>(data), "(&s&s&sasuuuuu)", &scheme, &header, &secret, &names,
                  &memoryLimitMB, &memoryIntervalMs, &cpuSharePermille, &cpuSpanMs, &hostPid);
    dieWithHost(static_cast<pid_t>(hostPid));
    std::vector<std::string> scripts;
    const gchar* name = nullptr;
    while (g_variant_iter_next(names, "&s", &name)) scripts.emplace_back(name);
    g_variant_iter_free(names);
    // The engine makes each page that plays media a media player of the desktop's session bus, its
    // own name there taking the player's media keys (Play, Pause, Next) from their music to an ad
    // they may not even see. It reads the bus's address when the first media element plays, long
    // after this: a process without a usable one stays off the bus, and the page's media plays on.
    g_setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", TRUE);
    gExtension = extension;
    // Both live as long as the process.
    gRedirect = new webext::ScriptRedirect(scheme, header, secret, std::move(scripts));
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    webext::MemoryWatch::start(memoryLimitMB, memoryIntervalMs, &tellHostOfMemoryLimit);
    webext::CpuWatch::start(cpuSharePermille, cpuSpanMs, &tellHostOfCpuLimit);
    webext::OutputRelay::start(&tellHostOfOutput);
    webext::FrameHistory::start(&tellHostOfFrameHistory);
    webext::MediaHold::start();
}
