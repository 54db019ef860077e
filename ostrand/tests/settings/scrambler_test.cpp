#include "scrambler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "filler_table.h"

namespace ostrand {
namespace {

// Hands out a fixed sequence of filler positions, round and round.
class ScriptedFillers : public FillerSource {
public:
    explicit ScriptedFillers(std::vector<std::size_t> positions) : positions_(std::move(positions)) {}
    std::size_t Draw() override { return positions_[next_++ % positions_.size()]; }

private:
    std::vector<std::size_t> positions_;
    std::size_t next_ = 0;
};

// Counts 0, 1, 2, ... so every filler of a stored form is told apart.
class CountingFillers : public FillerSource {
public:
    std::size_t Draw() override { return next_++; }

private:
    std::size_t next_ = 0;
};

std::string EvenPositions(const std::string& stored) {
    std::string digits;
    for (std::size_t i = 1; i < stored.size(); i += 2) digits += stored[i];
    return digits;
}

std::string OddPositions(const std::string& stored) {
    std::string fillers;
    for (std::size_t i = 0; i < stored.size(); i += 2) fillers += stored[i];
    return fillers;
}

bool AllFillers(const std::string& chars) {
    return std::all_of(chars.begin(), chars.end(),
                       [](char c) { return c >= kFirstFiller && c <= kLastFiller; });
}

TEST(FillerTable, HoldsEveryPrintableCharacterOnce) {
    std::set<char> seen(kFillerTable, kFillerTable + kFillerCount);
    EXPECT_EQ(kFillerCount, 94u);
    EXPECT_EQ(seen.size(), kFillerCount);
    EXPECT_EQ(*seen.begin(), '!');
    EXPECT_EQ(*seen.rbegin(), '~');
}

TEST(EncodeSetting, WorkedExampleHasReversedDigitsBehindFillers) {
    const std::string stored = EncodeSetting("abc");
    ASSERT_EQ(stored.size(), 13u);
    EXPECT_EQ(EvenPositions(stored), "362616");
    EXPECT_TRUE(AllFillers(OddPositions(stored)));
}

TEST(EncodeSetting, EmptyTextHasEmptyStoredForm) {
    EXPECT_EQ(EncodeSetting(""), "");
    EXPECT_EQ(DecodeSetting(""), "");
}

TEST(EncodeSetting, EachFillerIsItsOwnDrawFromTheTable) {
    CountingFillers counting;
    const std::string stored = EncodeSetting("\xCB\xAE", counting);  // one GBK character
    const std::string expected = {kFillerTable[0], 'E', kFillerTable[1], 'A', kFillerTable[2],
                                  'B', kFillerTable[3], 'C', kFillerTable[4]};
    EXPECT_EQ(stored, expected);
}

TEST(EncodeSetting, DrawsBeyondTheTableWrapAround) {
    ScriptedFillers wild({kFillerCount, kFillerCount + 5, static_cast<std::size_t>(-1)});
    const std::string stored = EncodeSetting("A", wild);  // 0x41
    const std::string expected = {kFillerTable[0], '1', kFillerTable[5], '4',
                                  kFillerTable[static_cast<std::size_t>(-1) % kFillerCount]};
    EXPECT_EQ(stored, expected);
}

TEST(EncodeSetting, UsesTheWholeFillerTable) {
    const std::string stored = EncodeSetting(std::string(2000, 'x'));
    const std::string fillers = OddPositions(stored);
    EXPECT_TRUE(AllFillers(fillers));
    EXPECT_EQ(std::set<char>(fillers.begin(), fillers.end()).size(), kFillerCount);
}

TEST(EncodeSetting, TwoSavesAgreeOnDigitsButNotOnFillers) {
    const std::string text(500, '\x7F');
    const std::string first = EncodeSetting(text);
    const std::string second = EncodeSetting(text);
    EXPECT_EQ(EvenPositions(first), EvenPositions(second));
    EXPECT_NE(OddPositions(first), OddPositions(second));
}

std::string RandomBytes(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    return text;
}

TEST(EncodeSetting, RoundTripsAnyBytes) {
    std::mt19937 rng(1234);
    std::vector<std::string> texts = {"", "a", "\x01", "\xFF", "\x80\x81",
                                      "\xCB\xAE\xD5\xBE", std::string(70000, '\xA1'),
                                      "\t\r\n\x1B line "};
    std::string every_byte;
    for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
    texts.push_back(every_byte);
    std::reverse(every_byte.begin(), every_byte.end());
    texts.push_back(every_byte);
    std::uniform_int_distribution<std::size_t> length(0, 300);
    for (int i = 0; i < 500; ++i) texts.push_back(RandomBytes(rng, length(rng)));

    for (const std::string& text : texts) {
        const std::string stored = EncodeSetting(text);
        ASSERT_EQ(stored.size(), text.empty() ? 0 : 4 * text.size() + 1);
        ASSERT_TRUE(AllFillers(stored));
        ASSERT_EQ(DecodeSetting(stored), text) << "length " << text.size();
    }
}

TEST(DecodeSetting, IgnoresWhateverStandsBetweenTheDigits) {
    const std::string odd_fillers[] = {"!!!!!!!", "~~~~~~~", "0000000", "FFFFFFF",
                                       std::string(7, '\0'), "  \t\x01\xFF\xA1z"};
    for (const std::string& fillers : odd_fillers) {
        std::string stored;
        const std::string digits = "362616";
        for (std::size_t i = 0; i < digits.size(); ++i) {
            stored += fillers[i];
            stored += digits[i];
        }
        stored += fillers[6];
        EXPECT_EQ(DecodeSetting(stored), "abc");
    }
}

TEST(DecodeSetting, ReadsMalformedStoredForms) {
    struct Case {
        std::string stored;
        std::string text;
    };
    const Case cases[] = {
        {"x", ""},                     // length 1
        {"x5", ""},                    // one digit: left over
        {"x5y", ""},
        {".1.2.", "\x21"},
        {".1.2", "\x21"},              // last filler missing
        {".1.2.3.", "\x32"},           // odd digit count: the first stored digit is left over
        {".B.A.", "\xAB"},
        {".b.a.", std::string(1, '\0')},  // lower-case digits count 0
        {".B.a.", "\x0B"},
        {".f.F.", "\xF0"},
        {".G.Z.", std::string(1, '\0')},   // not digits at all
        {".0.0.1.0.", std::string("\x01\x00", 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeSetting(c.stored), c.text) << "stored form \"" << c.stored << "\"";
    }
}

}  // namespace
}  // namespace ostrand
