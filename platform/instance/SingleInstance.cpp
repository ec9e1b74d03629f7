#include "platform/instance/SingleInstance.h"

#include <gio/gio.h>

namespace platform {

std::unique_ptr<SingleInstance> SingleInstance::create(const std::string& appId, std::string* error) {
    if (!g_application_id_is_valid(appId.c_str())) {
        if (error) *error = "\"" + appId + "\" is not a valid application id";
        return nullptr;
    }
    std::unique_ptr<SingleInstance> instance(new SingleInstance());
    instance->app_ = g_application_new(appId.c_str(), G_APPLICATION_HANDLES_OPEN);
    g_signal_connect(instance->app_, "open", G_CALLBACK(&SingleInstance::onOpen), instance.get());
    g_signal_connect(instance->app_, "activate", G_CALLBACK(&SingleInstance::onActivate), instance.get());
    GError* gerror = nullptr;
    if (!g_application_register(instance->app_, nullptr, &gerror)) {
        if (error) *error = gerror != nullptr ? gerror->message : "cannot register the application";
        if (gerror != nullptr) g_error_free(gerror);
        return nullptr;
    }
    // The primary instance is held for as long as this object lives; nothing runs
    // g_application_run, so the hold only keeps the registration.
    if (!instance->isRemote()) g_application_hold(instance->app_);
    return instance;
}

SingleInstance::~SingleInstance() {
    if (app_ == nullptr) return;
    g_signal_handlers_disconnect_by_data(app_, this);
    if (!isRemote()) g_application_release(app_);
    g_object_unref(app_);
}

bool SingleInstance::isRemote() const {
    return g_application_get_is_remote(app_) != FALSE;
}

bool SingleInstance::hasSessionBus() const {
    return g_application_get_dbus_connection(app_) != nullptr;
}

bool SingleInstance::handOver(const std::vector<std::string>& urls, std::string* error) {
    if (!isRemote()) {
        if (error) *error = "this process is the primary instance";
        return false;
    }
    if (urls.empty()) {
        g_application_activate(app_);
    } else {
        std::vector<GFile*> files;
        for (const std::string& url : urls) files.push_back(g_file_new_for_uri(url.c_str()));
        g_application_open(app_, files.data(), static_cast<gint>(files.size()), "");
        for (GFile* file : files) g_object_unref(file);
    }
    // The call is sent without waiting for a reply: make sure it has left before the process ends.
    GDBusConnection* bus = g_application_get_dbus_connection(app_);
    GError* gerror = nullptr;
    if (bus == nullptr || !g_dbus_connection_flush_sync(bus, nullptr, &gerror)) {
        if (error) *error = gerror != nullptr ? gerror->message : "no session bus";
        if (gerror != nullptr) g_error_free(gerror);
        return false;
    }
    return true;
}

void SingleInstance::setOpenHandler(std::function<void(const std::string& url)> handler) {
    open_ = std::move(handler);
    if (!open_) return;
    std::vector<std::string> waiting;
    waiting.swap(early_);
    for (const std::string& url : waiting) open_(url);
}

void SingleInstance::onOpen(GApplication*, void* files, int count, const char*, void* self) {
    auto* instance = static_cast<SingleInstance*>(self);
    auto** list = static_cast<GFile**>(files);
    for (int i = 0; i < count; ++i) {
        gchar* uri = g_file_get_uri(list[i]);
        if (uri == nullptr) continue;
        std::string url(uri);
        g_free(uri);
        if (instance->open_) {
            instance->open_(url);
        } else {
            instance->early_.push_back(std::move(url));
        }
    }
}

void SingleInstance::onActivate(GApplication*, void* self) {
    auto* instance = static_cast<SingleInstance*>(self);
    if (instance->activate_) instance->activate_();
}

}  // namespace platform
