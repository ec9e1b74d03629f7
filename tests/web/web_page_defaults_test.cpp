// What the real engine does for a page that no code of ours answers: nothing it asks for reaches
// the player's disk, printer, desktop or devices, with no touch or after a tap, and each refusal
// is logged once a page. The suite runs in a process of its own with HOME and the XDG folders in a
// folder of the test, set before the engine starts, so that what lands there can be seen.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <stdlib.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "WebTestKit.h"
#include "platform/foundation/Log.h"
#include "platform/web/WebKitEngine.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;
using webtest::waitForValue;

namespace fs = std::filesystem;

namespace {

const std::string kMine = "the player's own receipt";

// The lines the page's view logs, from whichever thread.
struct LogLines {
    LogLines() {
        previous = platform::setLogSink([this](const std::string& line) {
            if (line.find("WebKitPageDefaults") == std::string::npos) return;
            std::lock_guard<std::mutex> lock(mutex);
            lines.push_back(line);
        });
    }
    ~LogLines() { platform::setLogSink(previous); }
    int count(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }
    platform::LogSink previous;
    std::mutex mutex;
    std::vector<std::string> lines;
};

// GTK windows shown on the desktop (the views' own windows are offscreen).
int desktopWindows() {
    GList* all = gtk_window_list_toplevels();
    int shown = 0;
    for (GList* l = all; l; l = l->next) {
        auto* window = GTK_WIDGET(l->data);
        // The views' own windows, off the screen, are no dialog of the engine's.
        GtkWidget* child = GTK_IS_BIN(window) ? gtk_bin_get_child(GTK_BIN(window)) : nullptr;
        const bool viewsOwn = GTK_IS_OFFSCREEN_WINDOW(window) || (child && WEBKIT_IS_WEB_VIEW(child));
        if (gtk_widget_get_visible(window) && !viewsOwn) ++shown;
    }
    g_list_free(all);
    return shown;
}

// Every download the engine starts, until it ends.
struct Downloads {
    explicit Downloads(WebKitWebContext* context) : context_(context) {
        g_signal_connect(context, "download-started", G_CALLBACK(started), this);
    }
    ~Downloads() { g_signal_handlers_disconnect_by_data(context_, this); }
    static void started(WebKitWebContext*, WebKitDownload* download, gpointer data) {
        auto* self = static_cast<Downloads*>(data);
        ++self->startedCount;
        g_signal_connect(download, "finished", G_CALLBACK(finished), self);
        g_signal_connect(download, "failed", G_CALLBACK(failed), self);
    }
    static void finished(WebKitDownload*, gpointer data) { ++static_cast<Downloads*>(data)->finishedCount; }
    static void failed(WebKitDownload*, GError*, gpointer data) {
        ++static_cast<Downloads*>(data)->failedCount;
    }
    WebKitWebContext* context_;
    int startedCount = 0;
    int finishedCount = 0;
    int failedCount = 0;
};

class WebPageDefaults : public webtest::ViewTest {
  protected:
    WebPageDefaults() : ViewTest(320, 240) {}

    static void SetUpTestSuite() {
        char pattern[] = "/tmp/tikoleap-home-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home() = pattern;
        fs::create_directories(home() / ".config");
        fs::create_directories(home() / "Downloads");
        std::ofstream(home() / ".config/user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n";
        std::ofstream(home() / "Downloads/receipt.pdf") << kMine;
        setenv("HOME", home().c_str(), 1);
        // The engine's sandbox keeps what it tells each web process there, away from HOME.
        fs::create_directory(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);
        for (const char* dir : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            const fs::path path = home() / (std::string(".") + dir);
            setenv(dir, (dir == std::string("XDG_CONFIG_HOME") ? home() / ".config" : path).c_str(), 1);
        }
    }
    static void TearDownTestSuite() {
        fs::remove_all(home());
        fs::remove_all(runtime());
    }
    static fs::path runtime() { return home().string() + "-run"; }
    static fs::path& home() {
        static fs::path path;
        return path;
    }

    void SetUp() override {
        // Only meaningful where the engine and GLib took the test's folders.
        ASSERT_EQ(g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD), (home() / "Downloads").string())
            << "the suite must run in a process of its own";
        ViewTest::SetUp();
    }

    // Regular files under the test's HOME, relative to it.
    static std::set<std::string> filesAtHome() {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(home())) {
            const std::string path = fs::relative(entry.path(), home()).string();
            if (!entry.is_directory() && path.rfind(".XDG_CACHE_HOME/gstreamer-1.0/", 0) != 0 &&
                path.rfind(".XDG_CACHE_HOME/dconf/", 0) != 0)
                files.insert(path);
        }
        return files;
    }
    static std::set<std::string> filesWePut() { return {".config/user-dirs.dirs", "Downloads/receipt.pdf"}; }

    WebKitWebView* view() { return dynamic_cast<WebKitEngine&>(*engine).webView(); }
    void tap(double x, double y) {
        engine->sendMouseEvent({MouseEventType::Move, x, y});
        engine->sendMouseEvent({MouseEventType::Down, x, y});
        engine->sendMouseEvent({MouseEventType::Up, x, y});
    }
    static void attachment(const std::string& path, const std::string& disposition, const std::string& type,
                           std::size_t bytes) {
        webtest::server().get(path, [=](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition", disposition);
            res.set_content(std::string(bytes, 'x'), type);
        });
    }
};

}  // namespace

TEST_F(WebPageDefaults, NoPageWritesAFileWhicheverWayItAsksForADownloadAndItIsSaidOnce) {
    LogLines log;
    Downloads downloads(webtest::host().context());
    attachment("/defaults/framed", "attachment; filename=\"adpage-ifr1.desktop\"", "text/plain", 4096);
    attachment("/defaults/profile", "attachment; filename=profile.html", "text/html", 4096);
    attachment("/defaults/receipt", " Attachment ; filename=\"receipt.pdf\"", "application/pdf", 1 << 20);
    webtest::page("/defaults/linked", "linked", "application/octet-stream");
    // With no touch: a frame answered with an attachment, a link to save and a blob to save.
    load(R"(<html><body><iframe src="/defaults/framed"></iframe>
<a id=linked href="/defaults/linked" download="linked.bin">linked</a>
<script>document.getElementById('linked').click();
var a = document.createElement('a');
a.href = URL.createObjectURL(new Blob(['blob'])); a.download = 'blob.txt';
document.body.appendChild(a); a.click();</script></body></html>)",
         server.url("/defaults/"));
    ASSERT_TRUE(server.waitForHits("/defaults/framed", 1));
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo(server.url("/defaults/linked")); }));
    // The page itself goes to attachments, of a type it could show and of one it could not.
    for (const char* path : {"/defaults/profile", "/defaults/receipt"}) {
        const std::size_t failures = recorder.failures.size();
        evaluate(*engine, std::string("location.href = '") + path + "'; 1");
        ASSERT_TRUE(runUntil([&] { return recorder.failures.size() > failures; })) << path;
    }
    // Whatever download started has ended.
    ASSERT_TRUE(
        runUntil([&] { return downloads.finishedCount + downloads.failedCount == downloads.startedCount; }));
    EXPECT_EQ(downloads.finishedCount, 0);
    EXPECT_EQ(filesAtHome(), filesWePut());
    std::ifstream mine(home() / "Downloads/receipt.pdf");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(mine), {}), kMine);
    EXPECT_EQ(log.count("refused a download"), 1);
    // The page still stands and answers.
    EXPECT_EQ(evaluate(*engine, "document.getElementById('linked').textContent").value, "linked");
}

TEST_F(WebPageDefaults, APagePrintingGetsNoDialogGoesOnAnsweringAndIsToldOfOnce) {
    LogLines log;
    load("<html><body><script>window.kept = 7;</script>kept</body></html>", server.url("/defaults/"));
    const auto printed = evaluate(*engine, "for (var i = 0; i < 50; ++i) window.print(); 'printed'");
    EXPECT_TRUE(printed.ok) << printed.error;
    EXPECT_EQ(printed.value, "printed");
    EXPECT_EQ(evaluate(*engine, "window.kept").value, "7");
    EXPECT_EQ(desktopWindows(), 0);
    EXPECT_EQ(log.count("refused printing"), 1);
}

TEST_F(WebPageDefaults, PromptsChoosersMenusTooltipsPermissionsAndPingsAreRefusedWithNoTouchOrATap) {
    LogLines log;
    server.get("/defaults/secret", [](const httplib::Request&, httplib::Response& res) {
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"ads\"");
        res.set_content("refused", "text/plain");
    });
    webtest::page("/defaults/sw.js", "self.onfetch = function () {};", "text/javascript");
    webtest::page("/defaults/landing", "<html><body>landing</body></html>");
    const char* cell = "position:absolute;top:0;width:50px;height:50px;margin:0;padding:0;border:0";
    load(std::string(R"(<html><body style="margin:0">
<div id=lock style=")") +
             cell + R"(;left:0"></div>
<div id=full style=")" +
             cell + R"(;left:50px"></div>
<input id=file type=file style=")" +
             cell + R"(;left:100px">
<input id=colour type=color style=")" +
             cell + R"(;left:150px">
<select id=pick style=")" +
             cell + R"(;left:200px"><option>a</option><option>b</option></select>
<div id=tip title="a tooltip" style=")" +
             cell + R"(;left:250px"></div>
<a id=pinged href="/defaults/landing" ping="/defaults/ping">pinged</a>
<a id=kept href="/defaults/landing" ping="/defaults/ping" onclick="event.stopPropagation();">kept</a>
<form id=form action="/defaults/landing" method=post><input name=kept value=x></form>
<script>
var r = {};
document.getElementById('lock').onclick = function () { this.requestPointerLock(); };
document.onpointerlockchange = function () { r.lock = document.pointerLockElement ? 'locked' : 'out'; };
document.onpointerlockerror = function () { r.lock = 'refused'; };
document.getElementById('full').onclick = function () {
  var f = this.requestFullscreen || this.webkitRequestFullscreen;
  if (!f) { r.full = 'none'; return; }
  document.onfullscreenchange = document.onwebkitfullscreenchange = function () { r.full = 'in'; };
  document.onfullscreenerror = document.onwebkitfullscreenerror = function () { r.full = 'refused'; };
  f.call(this);
};
navigator.geolocation.getCurrentPosition(function () { r.geo = 'granted'; }, function (e) { r.geo = e.code; });
navigator.mediaDevices.getUserMedia({video: true, audio: true}).then(
  function () { r.media = 'granted'; }, function (e) { r.media = e.name; });
Notification.requestPermission().then(function (p) { r.notify = p; });
fetch('/defaults/secret').then(function (res) { r.auth = res.status; }, function () { r.auth = 'failed'; });
r.opened = String(window.open('/defaults/landing'));
localStorage.setItem('kept', 'x'); document.cookie = 'kept=x; max-age=99999';
indexedDB.open('kept').onupgradeneeded = function (e) { e.target.result.createObjectStore('s').put('x', 'k'); };
caches.open('kept').then(function (c) { return c.put('/defaults/sw.js', new Response('x')); });
navigator.serviceWorker.register('/defaults/sw.js');
</script></body></html>)",
         server.url("/defaults/"));

    // With no touch: the password prompt answered as a cancel, every permission denied, no
    // window opened.
    EXPECT_TRUE(waitForValue(*engine, "[r.auth, r.geo, r.notify, r.opened].join()", "401,1,denied,null"))
        << evaluate(*engine, "JSON.stringify(r)").value;
    EXPECT_EQ(log.count("refused a password prompt"), 1);

    // After a tap on each: no pointer lock, no full screen, and no chooser or menu on the desktop.
    tap(25, 25);
    EXPECT_TRUE(waitForValue(*engine, "r.lock", "refused"));
    tap(75, 25);
    EXPECT_TRUE(waitForValue(*engine, "r.full", "none"));
    EXPECT_EQ(
        evaluate(*engine, "String(document.fullscreenElement || document.webkitFullscreenElement || null)")
            .value,
        "null");
    tap(125, 25);
    EXPECT_TRUE(runUntil([&] { return desktopWindows() > 0 || log.count("refused a file chooser") == 1; }));
    tap(175, 25);
    EXPECT_TRUE(runUntil([&] { return desktopWindows() > 0 || log.count("refused a colour chooser") == 1; }));
    tap(225, 25);
    EXPECT_TRUE(runUntil([&] { return desktopWindows() > 0 || log.count("refused an option menu") == 1; }));
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(view()));
    GdkEvent* right = gdk_event_new(GDK_BUTTON_PRESS);
    right->button.window = GDK_WINDOW(g_object_ref(window));
    right->button.x = right->button.y = 100;
    right->button.button = 3;
    gdk_event_set_device(right,
                         gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(GTK_WIDGET(view()), right);
    gdk_event_free(right);
    EXPECT_TRUE(runUntil([&] { return desktopWindows() > 0 || log.count("refused a context menu") == 1; }));
    EXPECT_EQ(desktopWindows(), 0);

    // Hovering a title: the engine takes it for the view's tooltip, which the widget never shows.
    engine->sendMouseEvent({MouseEventType::Move, 275, 25});
    ASSERT_TRUE(runUntil([&] { return gtk_widget_get_has_tooltip(GTK_WIDGET(view())) != FALSE; }));
    GtkTooltip* tooltip = GTK_TOOLTIP(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    gboolean shown = TRUE;
    g_signal_emit_by_name(view(), "query-tooltip", 275, 25, FALSE, tooltip, &shown);
    g_object_unref(tooltip);
    EXPECT_FALSE(shown);

    // A link's pings go nowhere; the click itself, as a form's submission, is the delegate's to
    // decide.
    recorder.allow = false;
    evaluate(*engine, "document.getElementById('form').submit(); 1");
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo(server.url("/defaults/landing")); }));
    EXPECT_EQ(recorder.navigationTo(server.url("/defaults/landing"))->type, NavigationType::FormSubmitted);
    recorder.navigations.clear();
    evaluate(*engine, "document.getElementById('pinged').click(); 1");
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo(server.url("/defaults/landing")); }));
    recorder.navigations.clear();
    evaluate(*engine, "document.getElementById('kept').click(); 1");
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo(server.url("/defaults/landing")); }));
    evaluate(*engine, "fetch('/defaults/sentinel'); 1");
    ASSERT_TRUE(server.waitForHits("/defaults/sentinel", 1));
    EXPECT_EQ(server.count("/defaults/ping"), 0u);
    EXPECT_EQ(server.count("/defaults/landing"), 0u);

    // The page stays after asking to close.
    evaluate(*engine, "window.close(); 1");
    EXPECT_TRUE(waitForValue(*engine, "document.getElementById('pinged').textContent", "pinged"));

    // A page's storage is kept nowhere on disk: what lands there is the machine's own (the media
    // library's plugin registry, the desktop's settings).
    engine.reset();
    webtest::settle();
    EXPECT_EQ(filesAtHome(), filesWePut());
}
