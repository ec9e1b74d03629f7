// Interface files: loading, binding outlets and actions by name, and loud failures for names
// the controller does not know or keys the toolkit does not understand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

#include "platform/image/PngCodec.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "support/TempDir.h"

using namespace platform::ui;

namespace {

std::shared_ptr<UiResources> fixtures() {
    return std::make_shared<UiResources>(
        std::vector<std::filesystem::path>{std::filesystem::path(TIKOLEAP_SOURCE_DIR) / "tests/fixtures/ui"});
}

class TestScreen : public ViewController {
  public:
    explicit TestScreen(std::string file = "TestScreen") : ViewController(std::move(file)) {
        registerOutlet("titleLabel", titleLabel);
        registerOutlet("startBtn", startBtn);
        registerOutlet("hiddenBtn", hiddenBtn);
        registerOutlet("lockedBtn", lockedBtn);
        registerOutlet("faintBtn", faintBtn);
        registerOutlet("soundSwitch", soundSwitch);
        registerOutlet("contentView", contentView);
        registerAction("onStart", [this](Control& sender) {
            ++starts;
            lastSender = &sender;
        });
        registerAction("onHidden", [this](Control&) { ++hiddenTaps; });
        registerAction("onLocked", [this](Control&) { ++lockedTaps; });
        registerAction("onFaint", [this](Control&) { ++faintTaps; });
        registerAction("onSound", [this](Control&) { ++soundChanges; });
        setResources(fixtures());
    }

    std::shared_ptr<Label> titleLabel;
    std::shared_ptr<Button> startBtn, hiddenBtn, lockedBtn, faintBtn;
    std::shared_ptr<Switch> soundSwitch;
    std::shared_ptr<View> contentView;
    int starts = 0, hiddenTaps = 0, lockedTaps = 0, faintTaps = 0, soundChanges = 0;
    Control* lastSender = nullptr;
};

struct Screen {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<TestScreen> screen = std::make_shared<TestScreen>();
    UiDriver driver{window, &loop};

    Screen() {
        window->setRunLoop(&loop);
        window->setRootViewController(screen);
        window->makeKeyAndVisible();
    }
};

template <class F>
InterfaceFileError expectInterfaceError(F&& f) {
    try {
        f();
    } catch (const InterfaceFileError& e) {
        return e;
    }
    ADD_FAILURE() << "no InterfaceFileError";
    return InterfaceFileError("", "", "");
}

LoadedInterface loadText(const std::string& text) {
    return InterfaceLoader(fixtures()).loadString(text, "inline.json");
}

}  // namespace

TEST(InterfaceFile, LoadsAndATapOnItsButtonRunsTheBoundAction) {
    Screen s;
    ASSERT_TRUE(s.screen->startBtn);
    EXPECT_EQ(s.driver.text("titleLabel"), "Tiko Leap");
    EXPECT_EQ(s.screen->titleLabel->font().size, 30);
    EXPECT_TRUE(s.screen->titleLabel->font().bold);
    EXPECT_EQ(s.screen->startBtn->frame(), (platform::Rect{60, 120, 200, 44}));

    EXPECT_TRUE(s.driver.tapOutlet("startBtn"));
    EXPECT_EQ(s.screen->starts, 1);
    EXPECT_EQ(s.screen->lastSender, s.screen->startBtn.get());
    EXPECT_TRUE(s.driver.tapButton("Start"));
    EXPECT_EQ(s.screen->starts, 2);
}

TEST(InterfaceFile, HiddenNonInteractiveAndTransparentViewsDoNotReceiveTheTap) {
    Screen s;
    EXPECT_FALSE(s.driver.tapOutlet("hiddenBtn"));
    EXPECT_FALSE(s.driver.tapOutlet("lockedBtn"));
    EXPECT_FALSE(s.driver.tapOutlet("faintBtn"));
    EXPECT_EQ(s.screen->hiddenTaps + s.screen->lockedTaps + s.screen->faintTaps, 0);

    // The same buttons take taps once they are shown and interactive.
    s.screen->hiddenBtn->setHidden(false);
    s.screen->lockedBtn->setUserInteractionEnabled(true);
    s.screen->faintBtn->setAlpha(1);
    EXPECT_TRUE(s.driver.tapOutlet("hiddenBtn"));
    EXPECT_TRUE(s.driver.tapOutlet("lockedBtn"));
    EXPECT_TRUE(s.driver.tapOutlet("faintBtn"));
    EXPECT_EQ(s.screen->hiddenTaps + s.screen->lockedTaps + s.screen->faintTaps, 3);
}

TEST(InterfaceFile, ValueChangedActionsTagsStateTitlesAndExtraViews) {
    Screen s;
    EXPECT_TRUE(s.screen->soundSwitch->isOn());
    EXPECT_TRUE(s.driver.tapOutlet("soundSwitch"));
    EXPECT_FALSE(s.screen->soundSwitch->isOn());
    EXPECT_EQ(s.screen->soundChanges, 1);

    auto send = std::dynamic_pointer_cast<Button>(s.driver.viewWithTag(2101));
    ASSERT_TRUE(send);
    EXPECT_EQ(send->buttonType(), ButtonType::Custom);
    EXPECT_EQ(send->titleForState(ControlStateNormal), "Send");
    EXPECT_EQ(send->titleForState(ControlStateHighlighted), "Sending");
    EXPECT_EQ(send->titleForState(ControlStateDisabled), "Send");

    // A view outside the root's tree stays reachable through its outlet only.
    ASSERT_TRUE(s.screen->contentView);
    EXPECT_EQ(s.screen->contentView->tag(), 77);
    EXPECT_EQ(s.screen->contentView->superview(), nullptr);
}

TEST(InterfaceFile, UnknownOutletOrActionFailsWithFileAndName) {
    auto outletErr = expectInterfaceError([] { std::make_shared<TestScreen>("TypoOutlet")->view(); });
    EXPECT_EQ(outletErr.file(), "TypoOutlet.json");
    EXPECT_EQ(outletErr.name(), "startBtnn");
    EXPECT_NE(std::string(outletErr.what()).find("unknown outlet"), std::string::npos);

    auto actionErr = expectInterfaceError([] { std::make_shared<TestScreen>("TypoAction")->view(); });
    EXPECT_EQ(actionErr.file(), "TypoAction.json");
    EXPECT_EQ(actionErr.name(), "onStrat");
    EXPECT_NE(std::string(actionErr.what()).find("unknown action"), std::string::npos);

    // Nothing was half bound by the failed load.
    auto screen = std::make_shared<TestScreen>("TypoAction");
    EXPECT_THROW(screen->view(), InterfaceFileError);
    EXPECT_FALSE(screen->startBtn);
    EXPECT_FALSE(screen->isViewLoaded());

    auto missing = expectInterfaceError([] { std::make_shared<TestScreen>("NoSuchScreen")->view(); });
    EXPECT_EQ(missing.name(), "NoSuchScreen");
}

TEST(InterfaceFile, OutletOfTheWrongClassFails) {
    class Wrong : public TestScreen {
      public:
        Wrong() { registerOutlet("titleLabel", notALabel); }
        std::shared_ptr<Button> notALabel;
    };
    auto e = expectInterfaceError([] { std::make_shared<Wrong>()->view(); });
    EXPECT_EQ(e.name(), "titleLabel");
    EXPECT_NE(std::string(e.what()).find("Label"), std::string::npos);
}

TEST(InterfaceFile, MalformedOrMisspeltContentFailsLoudly) {
    EXPECT_EQ(expectInterfaceError([] { InterfaceLoader(fixtures()).loadNamed("TypoAttribute"); }).name(),
              "hiden");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {\"class\": \"Lable\"}}"); }).name(), "Lable");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {}, \"extra\": []}"); }).name(), "extra");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {\"tag\": \"3\"}}"); }).name(), "tag");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {\"frame\": [0, 0, 10]}}"); }).name(), "frame");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {\"backgroundColor\": [2, 0, 0]}}"); }).name(),
              "backgroundColor");
    EXPECT_EQ(expectInterfaceError([] { loadText("{\"root\": {\"backgroundColor\": \"#12345\"}}"); }).name(),
              "backgroundColor");
    EXPECT_EQ(expectInterfaceError([] {
                  loadText("{\"root\": {\"class\": \"Label\", \"actions\": {\"touchUpInside\": \"x\"}}}");
              }).name(),
              "Label");
    EXPECT_EQ(expectInterfaceError([] {
                  loadText("{\"root\": {\"class\": \"Button\", \"actions\": {\"touchUpInsde\": \"x\"}}}");
              }).name(),
              "touchUpInsde");
    EXPECT_EQ(expectInterfaceError([] {
                  loadText("{\"root\": {\"subviews\": [{\"outlet\": \"a\"}, {\"outlet\": \"a\"}]}}");
              }).name(),
              "a");
    EXPECT_EQ(expectInterfaceError([] {
                  loadText("{\"root\": {\"class\": \"ImageView\", \"image\": \"nope\"}}");
              }).name(),
              "nope");
    auto malformed = expectInterfaceError([] { loadText("{\"root\": {"); });
    EXPECT_EQ(malformed.file(), "inline.json");
    EXPECT_NE(std::string(malformed.what()).find("malformed"), std::string::npos);
    EXPECT_THROW(loadText("[1, 2]"), InterfaceFileError);

    // Nesting deeper than any screen needs is refused instead of recursing without bound.
    std::string deep;
    for (int i = 0; i < InterfaceLoader::kMaxDepth + 5; ++i) deep += "{\"subviews\": [";
    deep += "{}";
    for (int i = 0; i < InterfaceLoader::kMaxDepth + 5; ++i) deep += "]}";
    EXPECT_THROW(loadText("{\"root\": " + deep + "}"), InterfaceFileError);
}

TEST(InterfaceFile, RegisteredClassesAndImagesByName) {
    class Badge : public View {
      public:
        const char* className() const override { return "Badge"; }
    };
    InterfaceLoader::registerClass("Badge", [] { return std::make_shared<Badge>(); });
    auto res = fixtures();
    auto img = std::make_shared<platform::Image>();
    img->width = 4;
    img->height = 2;
    img->content = platform::Image::Content::RGBAPremultiplied;
    img->pixels.assign(4 * 2 * 4, 255);
    res->addImage("dot", img);
    auto loaded = InterfaceLoader(res).loadString(
        "{\"root\": {\"subviews\": [{\"class\": \"Badge\", \"outlet\": \"b\"},"
        " {\"class\": \"ImageView\", \"image\": \"dot\", \"outlet\": \"i\"}]}}",
        "inline.json");
    ASSERT_EQ(loaded.outlets.size(), 2u);
    EXPECT_STREQ(loaded.outlets[0].second->className(), "Badge");
    // An image view without a frame takes its image's size.
    EXPECT_EQ(loaded.outlets[1].second->frame(), (platform::Rect{0, 0, 4, 2}));
}

TEST(UiResources, RefusesNamesThatLeaveTheResourceFolder) {
    auto res = fixtures();
    EXPECT_FALSE(res->interfacePath("TestScreen").empty());
    EXPECT_TRUE(res->interfacePath("../ui/TestScreen").empty());
    EXPECT_TRUE(res->interfacePath("").empty());
    EXPECT_EQ(res->image("../../secret.png"), nullptr);
    EXPECT_EQ(res->image("TestScreen.json"), nullptr);  // exists, but is no PNG
}

// Icons drawn into a fixed number of points (the tab bar's) come in finer variants for the
// window's scale; the plain image serves a scale of 1 and names without variants.
TEST(UiResources, PicksTheVariantDrawnForTheScreenScale) {
    tikoleap::test::TempDir tmp;
    auto square = [&](const std::string& name, int side) {
        const std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side * side) * 4, 255);
        ASSERT_TRUE(platform::writePng((tmp.path() / name).string(), rgba.data(), side, side));
    };
    square("icon.png", 10);
    square("icon_cs150.png", 15);
    square("icon_cs200.png", 20);
    square("lone.png", 8);
    square("fine_cs200.png", 40);
    square("fine.png", 20);
    UiResources res({tmp.path()});
    auto side = [&](const std::string& name, float scale) {
        auto img = res.imageForScale(name, scale);
        return img ? img->width : -1;
    };
    EXPECT_EQ(side("icon.png", 1.0f), 10);
    EXPECT_EQ(side("icon.png", 1.5f), 15);
    EXPECT_EQ(side("icon", 1.5f), 15);
    EXPECT_EQ(side("icon.png", 2.0f), 20);
    EXPECT_EQ(side("icon.png", 3.0f), 20);
    EXPECT_EQ(side("icon.png", 1.25f), 15);
    EXPECT_EQ(side("lone.png", 2.0f), 8);
    // Without the 1.5 variant a finer one does better than the plain image stretched.
    EXPECT_EQ(side("fine.png", 1.5f), 40);
    EXPECT_EQ(side("missing.png", 1.5f), -1);
    EXPECT_EQ(res.imageForScale("../icon.png", 1.5f), nullptr);
}

TEST(InterfaceFile, AFifoInPlaceOfALayoutIsRefusedWithoutWaiting) {
    tikoleap::test::TempDir tmp;
    const auto fifo = tmp.path() / "Stuck.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto load = std::async(std::launch::async, [&] {
        try {
            InterfaceLoader(fixtures()).loadFile(fifo);
        } catch (const InterfaceFileError& e) {
            return std::string(e.what());
        }
        return std::string("loaded");
    });
    if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a FIFO blocks";
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go
    }
    EXPECT_NE(load.get().find("cannot open"), std::string::npos);
}
