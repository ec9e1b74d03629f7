#pragma once
// The game's app core on a virtual clock with its window, driven through the UI driver as a
// player would.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/MyAppCore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/TextView.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "screens/ScreenDirector.h"
#include "screens/SimpleSelectView.h"
#include "shell/GameViewBase.h"
#include "support/TempDir.h"

namespace tikoleap::test {

struct ScreensFixture : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = platform::RunLoop::setMain(loop);
        previousOpener = platform::UrlOpener::setShared(opener);
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
        startCore();
    }
    // The accelerometer as a script from here on: the test holds the device at any tilt.
    platform::ScriptedTiltSource* useScriptedTilt() {
        if (scriptedTilt) return scriptedTilt;
        auto source = std::make_unique<platform::ScriptedTiltSource>();
        scriptedTilt = source.get();
        previousAccelerometer = platform::Accelerometer::setShared(
            std::make_shared<platform::Accelerometer>(std::move(source), loop.get()));
        return scriptedTilt;
    }
    // A new app core over the same home, as the next launch of the game finds it.
    void restartCore() {
        driver.reset();
        core.reset();
        startCore();
    }
    void startCore() {
        core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->window()->setRunLoop(loop.get());
        core->window()->makeKeyAndVisible();
        core->setDateSource([] { return 1767225600.0; });
        core->init();
        manager()->reloadLevels();
        driver = std::make_unique<platform::ui::UiDriver>(core->window(), loop.get());
    }
    void TearDown() override {
        driver.reset();
        core.reset();
        // The tilt helpers hand the accelerometer back as they go, so it outlives them.
        if (scriptedTilt) platform::Accelerometer::setShared(previousAccelerometer);
        platform::UrlOpener::setShared(previousOpener);
        platform::RunLoop::setMain(previous);
    }

    JTAppBase::JTLevelManager* manager() const { return core->appContext()->getLevelManager().get(); }
    std::string screen() const { return core->currentScreenName(); }
    // Ends the running game with `score` as the game does, then lets the screens settle.
    void endGame(int score) {
        core->appContext()->gameOver(score);
        settle();
    }
    void settle() {
        driver->advance(0.6);
        driver->finishTransitions();
    }
    // Turns the picker sheet's wheel to a row, as a player's swipe ends.
    void turnSheetTo(int row) {
        auto picker = std::dynamic_pointer_cast<platform::ui::PickerView>(driver->outlet("picker"));
        ASSERT_NE(picker, nullptr);
        picker->selectRow(row, 0, false);
        core->simpleSelectView()->pickerViewDidSelectRow(*picker, row, 0);
    }
    // The text under the sheet's wheel ("" while hidden).
    std::string sheetInfoText() const {
        auto text = std::dynamic_pointer_cast<platform::ui::TextView>(driver->outlet("itemInfoTextView"));
        return text && !text->isHidden() ? text->text() : "";
    }
    std::string labelText(int tag) const {
        auto label = std::dynamic_pointer_cast<platform::ui::Label>(driver->viewWithTag(tag));
        return label ? label->text() : "<no label " + std::to_string(tag) + ">";
    }

    TempDir home;
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous;
    // Pages are recorded, never launched.
    std::shared_ptr<platform::RecordingUrlOpener> opener = std::make_shared<platform::RecordingUrlOpener>();
    std::shared_ptr<platform::UrlOpener> previousOpener;
    std::shared_ptr<platform::GLContext> gl;
    std::unique_ptr<MyAppCore> core;
    std::unique_ptr<platform::ui::UiDriver> driver;
    platform::ScriptedTiltSource* scriptedTilt = nullptr;
    std::shared_ptr<platform::Accelerometer> previousAccelerometer;
};

}  // namespace tikoleap::test
