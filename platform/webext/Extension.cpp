// Loaded by the engine into each web process: redirects the scripts the host answers and holds
// the process under its memory limit and its processor share.
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <vector>

#include "platform/web/WebExtensionProtocol.h"
#include "platform/webext/CpuWatch.h"
#include "platform/webext/MemoryWatch.h"
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
}

void tellHost(const char* message) {
    for (guint64 id : gPages) {
        if (WebKitWebPage* page = webkit_web_extension_get_page(gExtension, id)) {
            webkit_web_page_send_message_to_view(page, webkit_user_message_new(message, nullptr), nullptr,
                                                 nullptr, nullptr);
        }
    }
}

void tellHostOfMemoryLimit() {
    tellHost(kMemoryLimitMessage);
}

void tellHostOfCpuLimit() {
    tellHost(kCpuLimitMessage);
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
    if (!data || !g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE(kStartDataType))) return;
    g_variant_get(const_cast<GVariant*>(data), "(&s&s&sasuuuu)", &scheme, &header, &secret, &names,
                  &memoryLimitMB, &memoryIntervalMs, &cpuSharePermille, &cpuSpanMs);
    std::vector<std::string> scripts;
    const gchar* name = nullptr;
    while (g_variant_iter_next(names, "&s", &name)) scripts.emplace_back(name);
    g_variant_iter_free(names);
    gExtension = extension;
    // Both live as long as the process.
    gRedirect = new webext::ScriptRedirect(scheme, header, secret, std::move(scripts));
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    webext::MemoryWatch::start(memoryLimitMB, memoryIntervalMs, &tellHostOfMemoryLimit);
    webext::CpuWatch::start(cpuSharePermille, cpuSpanMs, &tellHostOfCpuLimit);
}
