#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/InputScript.h"
#include "support/RunOutput.h"

namespace {

std::optional<CommandLine> parse(std::vector<const char*> args, std::string* error) {
    args.insert(args.begin(), "tikoleap");
    return CommandLine::parse(static_cast<int>(args.size()), args.data(), error);
}

}  // namespace

TEST(CommandLine, ReadsEveryOption) {
    std::string error;
    auto cl = parse({"--headless",
                     "--home",
                     "/tmp/h",
                     "--level",
                     "21",
                     "--seed",
                     "42",
                     "--ticks",
                     "300",
                     "--input",
                     "in.txt",
                     "--screenshot",
                     "f.png",
                     "--frames-dir",
                     "frames",
                     "--frame-every",
                     "5",
                     "--open-url",
                     "tikoleap:///startTitle",
                     "--sound-out",
                     "mix.wav",
                     "--screen-scale",
                     "1.5",
                     "--web-page",
                     "https://127.0.0.1:8443/ad.html"},
                    &error);
    ASSERT_TRUE(cl) << error;
    EXPECT_TRUE(cl->headless);
    EXPECT_EQ(*cl->home, "/tmp/h");
    EXPECT_EQ(cl->level, 21);
    EXPECT_EQ(*cl->seed, 42u);
    EXPECT_EQ(cl->ticks, 300);
    EXPECT_EQ(*cl->input, "in.txt");
    EXPECT_EQ(*cl->framesDir, "frames");
    EXPECT_EQ(cl->frameEvery, 5);
    EXPECT_EQ(cl->openUrl, "tikoleap:///startTitle");
    EXPECT_EQ(*cl->soundOut, "mix.wav");
    EXPECT_FLOAT_EQ(cl->screenScale, 1.5f);
    EXPECT_EQ(cl->webPage, "https://127.0.0.1:8443/ad.html");
}

TEST(CommandLine, RefusesBadArguments) {
    std::string error;
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--bogus"},
             {"--ticks"},
             {"--ticks", "-3"},
             {"--ticks", "12x"},
             {"--seed", "minus"},
             {"--frame-every", "0"},
             {"--level", "0"},
             {"--home", ""},
             {"--input", "x.txt"},  // scripts need the virtual clock
             {"--open-url"},
             {"--open-url", "startTitle"},
             {"--open-url", "tikoleap:///start Title"},
             {"--sound-out", "x.wav"},  // the mix is rendered on the virtual clock
             {"--headless", "--sound-out"},
             {"--headless", "--sound-out", "x.wav", "--ticks", "2434789"},  // more than a WAV file holds
             {"--headless", "--screen-scale", "0.5"},
             {"--headless", "--screen-scale", "3.5"},
             {"--headless", "--screen-scale", "nan"},
             {"--screen-scale", "1.5"},  // the window has its own
             {"--headless", "--web-page"},
             {"--headless", "--web-page", "file:///etc/passwd"},  // pages come over http and https only
             {"--headless", "--web-page", "javascript:alert(1)"},
             {"--web-page", "http://127.0.0.1/"},  // the window run has no page of its own
         }) {
        error.clear();
        EXPECT_FALSE(parse(args, &error)) << args.front();
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLine, TheUsageSendsReadersOfTheInputScriptWhereItIsDescribed) {
    const std::string usage = CommandLine::usage();
    const size_t input = usage.find("--input FILE");
    ASSERT_NE(input, std::string::npos);
    const size_t see = usage.find("(see ", input);
    ASSERT_NE(see, std::string::npos);
    const std::string file = usage.substr(see + 5, usage.find(')', see) - see - 5);
    EXPECT_NE(tikoleap::test::readFile(std::string(TIKOLEAP_SOURCE_DIR) + "/" + file)
                  .find("An input script drives"),
              std::string::npos)
        << file;
}

TEST(CommandLine, TheWindowUsageNamesTheOptionsTheWindowTakes) {
    const std::string usage = CommandLine::usage();
    const std::string window = usage.substr(0, usage.find('\n'));
    std::string error;
    for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
             {"--home", "/tmp/h"}, {"--level", "21"}, {"--seed", "7"}, {"--quit-after-ms", "9"}}) {
        EXPECT_TRUE(parse(args, &error)) << args[0] << ": " << error;
        EXPECT_NE(window.find(std::string("[") + args[0] + " "), std::string::npos)
            << args[0] << ": " << window;
    }
}

TEST(InputScriptFormat, ParsesEventsAndSkipsComments) {
    std::string error;
    auto script = InputScript::parse(
        "# warm up\n\n10 tilt -0.4\n10 down 160 240 # finger\n12 up\n30 tilt 0\n", "s.txt", &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->events().size(), 4u);
    std::vector<InputEvent::Kind> kinds;
    script->forTick(10, [&](const InputEvent& ev) { kinds.push_back(ev.kind); });
    EXPECT_EQ(kinds, (std::vector<InputEvent::Kind>{InputEvent::Kind::Tilt, InputEvent::Kind::Down}));
    int seen = 0;
    script->forTick(11, [&](const InputEvent&) { ++seen; });
    script->forTick(30, [&](const InputEvent& ev) { seen += ev.kind == InputEvent::Kind::Tilt ? 1 : 0; });
    EXPECT_EQ(seen, 1);
}

TEST(InputScriptFormat, MalformedLinesNameTheirLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"10 tilt\n", "s:1:"},  {"1 tilt 0\n\n5 jump\n", "s:3:"}, {"x tilt 0\n", "s:1:"},
        {"0 tilt 0\n", "s:1:"}, {"5 tilt 0\n4 tilt 0\n", "s:2:"}, {"5 tilt nan\n", "s:1:"},
        {"5 tilt 9\n", "s:1:"}, {"5 down 1\n", "s:1:"},           {"5 up now\n", "s:1:"},
    };
    for (const auto& [text, where] : cases) {
        std::string error;
        EXPECT_FALSE(InputScript::parse(text, "s", &error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " -> " << error;
    }
    std::string error;
    EXPECT_FALSE(InputScript::load("/nonexistent/script.txt", &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

TEST(InputScriptFormat, OpensUrlsAndAnswersAlerts) {
    std::string error;
    auto script = InputScript::parse(
        "5 open tikoleap:///deleteAridOfThisDevice\n"
        "6 open http://example.org/page#part # a fragment is no comment\n"
        "9 alert DELETE\n"
        "9 alert Not now  \n",
        "s", &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->events().size(), 4u);
    EXPECT_EQ(script->events()[0].kind, InputEvent::Kind::Open);
    EXPECT_EQ(script->events()[0].text, "tikoleap:///deleteAridOfThisDevice");
    EXPECT_EQ(script->events()[1].text, "http://example.org/page#part");
    EXPECT_EQ(script->events()[2].kind, InputEvent::Kind::Alert);
    EXPECT_EQ(script->events()[2].text, "DELETE");
    EXPECT_EQ(script->events()[3].text, "Not now");

    script = InputScript::parse("7 background\n8 foreground\n", "s", &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->events().size(), 2u);
    EXPECT_EQ(script->events()[0].kind, InputEvent::Kind::Background);
    EXPECT_EQ(script->events()[1].kind, InputEvent::Kind::Foreground);

    for (const char* bad :
         {"5 open\n", "5 open startTitle\n", "5 open http://a/ extra\n", "5 alert\n", "5 background now\n"}) {
        EXPECT_FALSE(InputScript::parse(bad, "s", &error)) << bad;
        EXPECT_EQ(error.rfind("s:1:", 0), 0u) << error;
    }
}

TEST(InputScriptFormat, WaitsAreBoundedPerLineAndPerScript) {
    std::string error;
    auto script = InputScript::parse("5 wait 0.25\n9 wait 60\n", "s", &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->events().size(), 2u);
    EXPECT_EQ(script->events()[0].kind, InputEvent::Kind::Wait);
    EXPECT_EQ(script->events()[0].x, 0.25);
    EXPECT_TRUE(script->hasEventsAfter(8));
    EXPECT_FALSE(script->hasEventsAfter(9));

    for (const char* bad : {"5 wait\n", "5 wait 0\n", "5 wait -1\n", "5 wait 60.5\n", "5 wait inf\n",
                            "5 wait 1s\n", "5 wait 1 2\n"}) {
        EXPECT_FALSE(InputScript::parse(bad, "s", &error)) << bad;
        EXPECT_EQ(error.rfind("s:1:", 0), 0u) << bad << " -> " << error;
    }
    // Ten minutes in all: the eleventh full minute is one too many.
    std::string tenMinutes;
    for (int i = 1; i <= 10; ++i) tenMinutes += std::to_string(i) + " wait 60\n";
    EXPECT_TRUE(InputScript::parse(tenMinutes, "s", &error)) << error;
    EXPECT_FALSE(InputScript::parse(tenMinutes + "11 wait 0.5\n", "s", &error));
    EXPECT_EQ(error.rfind("s:11:", 0), 0u) << error;
}
