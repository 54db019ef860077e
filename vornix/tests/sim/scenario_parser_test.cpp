#include <gtest/gtest.h>

#include "scenario.h"

using namespace vornix::sim;

TEST(ScenarioParser, ReadsEveryCommandWithItsArguments) {
    const Scenario s = parse_scenario(
        "# a comment line\n"
        "\n"
        "at 0 plug box1 serial 5100 marker off\n"
        "audio box1 tone 440\n"            // no time: the time of the line before
        "at 1.5s ring box1 caller 0123456789012345\n"
        "at 4 offhook box1\n"
        "at 5.25 dtmf box1 123#*ABCD\n"
        "at 6 audio box1 wav some dir/voice.wav\n"
        "at 6 fault box1 read-empty-next\n"
        "at 20 hangup box1\n"
        "at 25 unplug box1\n",
        "t");
    ASSERT_EQ(s.actions.size(), 9u);
    const Action& plug = s.actions[0];
    EXPECT_EQ(plug.kind, ActionKind::Plug);
    EXPECT_EQ(plug.serial, 5100);
    EXPECT_FALSE(plug.offset_marker);
    EXPECT_EQ(plug.line, 3);
    EXPECT_EQ(s.actions[1].at_ms, 0);
    EXPECT_EQ(s.actions[1].audio, AudioKind::Tone);
    EXPECT_DOUBLE_EQ(s.actions[1].tone_hz, 440);
    EXPECT_EQ(s.actions[2].at_ms, 1500);
    EXPECT_EQ(s.actions[2].text, "0123456789012345");
    EXPECT_EQ(s.actions[4].at_ms, 5250);
    EXPECT_EQ(s.actions[4].text, "123#*ABCD");
    EXPECT_EQ(s.actions[5].audio, AudioKind::Wav);
    EXPECT_EQ(s.actions[5].text, "some dir/voice.wav");
    EXPECT_EQ(s.actions[6].fault, FaultKind::ReadEmptyNext);
    EXPECT_EQ(s.actions[8].kind, ActionKind::Unplug);
    EXPECT_EQ(s.end_ms, 25000);  // no `end`: the last line's time
}

TEST(ScenarioParser, ExplicitEndSetsTheEnd) {
    const Scenario s = parse_scenario("at 0 plug a\nat 3 ring a\nat 40 end\n", "t");
    EXPECT_EQ(s.end_ms, 40000);
    EXPECT_EQ(s.actions.size(), 2u);
    EXPECT_FALSE(s.clock_at_start_ms);
}

// Months of running: 400 days of scenario, on a clock set to start near its wrap.
TEST(ScenarioParser, TakesTheClockAndFourHundredDays) {
    const Scenario s = parse_scenario("# first\nclock 2147483.5s\nat 0 plug a\nat 34560000 end\n", "t");
    EXPECT_EQ(s.clock_at_start_ms, 2147483500u);
    EXPECT_EQ(s.end_ms, 34560000000);
}

TEST(ScenarioParser, RefusesBadLinesNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"at x plug a", "bad time"},
        {"at -1 plug a", "bad time"},
        {"at 2 plug a\nat 1 unplug a", "time runs backwards"},
        {"at 0 jump a", "unknown command"},
        {"at 0 plug", "missing box name"},
        {"at 0 plug a serial 70000", "serial code"},
        {"at 0 plug a marker maybe", "marker is on or off"},
        {"at 0 plug a\nring a caller 12a", "'a' is not a caller number digit"},
        {"at 0 plug a\nring a caller 12345678901234567", "1 to 16 digits"},
        {"at 0 plug a\nring a 123", "unexpected '123'"},
        {"at 0 plug a\noffhook a\ndtmf a 12E", "'E' is not a DTMF digit"},
        {"at 0 plug a\naudio a tone 5000", "between 0 and 4000"},
        {"at 0 plug a\naudio a noise", "unknown audio kind"},
        {"at 0 plug a\naudio a wav", "missing WAV file path"},
        {"at 0 plug a\nfault a explode", "unknown fault"},
        {"at 0 plug a\nhangup a extra", "unexpected 'extra'"},
        // lines that contradict the ones before them
        {"at 0 ring a", "a is not plugged in"},
        {"at 0 plug a\nat 1 plug a", "plugged in already"},
        {"at 0 plug a\nat 1 unplug a\nat 2 offhook a", "not plugged in"},
        {"at 0 plug a\nat 1 offhook a\nat 2 offhook a", "off hook already"},
        {"at 0 plug a\nat 1 offhook a\nat 2 ring a", "is in a call"},
        {"at 0 plug a\nat 1 hangup a", "no call to hang up"},
        {"at 0 plug a\nat 5 end\nat 6 ring a", "nothing may follow 'end'"},
        {"at 34560000.001 plug a", "bad time"},
        {"clock 4294967.296", "the clock reads 0 to"},
        {"clock -1", "the clock reads 0 to"},
        {"clock", "missing clock reading"},
        {"clock 5 6", "unexpected '6'"},
        {"clock 1\nclock 2", "the clock is set already"},
        {"at 0 plug a\nclock 5", "before the first action"},
        {"at 0 clock 5", "no 'at'"},
    };
    for (const Case& c : cases) {
        try {
            parse_scenario(c.text, "file.scn");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ScenarioError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.message), std::string::npos) << c.text << " -> " << what;
            EXPECT_EQ(what.rfind("file.scn:", 0), 0u) << what;
        }
    }
}

TEST(ScenarioParser, ErrorNamesTheLineNumber) {
    try {
        parse_scenario("# header\nat 0 plug a\n\nat 1 ring b\n", "x.scn");
        FAIL();
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("x.scn:4:", 0), 0u) << e.what();
    }
}

TEST(ScenarioParser, ReplugAndUnansweredHangUpAreFine) {
    const Scenario s = parse_scenario(
        "at 0 plug a\nat 1 ring a\nat 3 hangup a\nat 4 unplug a\nat 5 plug a\nat 6 offhook a\n", "t");
    EXPECT_EQ(s.actions.size(), 6u);
}
