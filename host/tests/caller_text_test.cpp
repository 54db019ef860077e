// Text as offices save it: encodings found, decoded to UTF-8 and handed on; column
// headings recognised; values made safe for a program's environment.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include "callers/caller_card.h"
#include "callers/column_names.h"
#include "callers/contact.h"
#include "callers/text_codec.h"

namespace host::callers {
namespace {

// 张三 杭州 in UTF-8 and in GBK; 𠀀 (U+20000) is outside GBK but in GB18030.
const std::string kUtf8 = "\xE5\xBC\xA0\xE4\xB8\x89 \xE6\x9D\xAD\xE5\xB7\x9E";
const std::string kGbk = "\xD5\xC5\xC8\xFD \xBA\xBC\xD6\xDD";
const std::string kExtUtf8 = "\xF0\xA0\x80\x80";
const std::string kExtGb18030 = "\x95\x32\x82\x36";

// Its four-byte sequences need the system's GB18030 code page (every Windows has it;
// Wine has GBK only).
bool four_byte_gb18030() {
#ifdef _WIN32
    return IsValidCodePage(54936) != 0;
#else
    return true;
#endif
}

TEST(TextCodec, EncodingsFoundAndDecoded) {
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string text;
    };
    const std::string le = std::string("\xFF\xFE", 2) + std::string("\x20\x5F\x09\x4E\x0A\x00", 6);  // 张三\n
    const std::string be = std::string("\xFE\xFF", 2) + std::string("\x5F\x20\x4E\x09", 4);
    const Case cases[] = {
        {"name,phone\n" + kUtf8 + ",1\n", TextEncoding::Utf8, "name,phone\n" + kUtf8 + ",1\n"},
        {"\xEF\xBB\xBF" + kUtf8, TextEncoding::Utf8Bom, kUtf8},
        {"\xEF\xBB\xBF" "plain", TextEncoding::Utf8Bom, "plain"},
        {kGbk + "\r\n" + kGbk, TextEncoding::Gb18030, kUtf8 + "\r\n" + kUtf8},
        {kExtGb18030, TextEncoding::Gb18030, kExtUtf8},
        {le, TextEncoding::Utf16Le, "\xE5\xBC\xA0\xE4\xB8\x89\n"},
        {be, TextEncoding::Utf16Be, "\xE5\xBC\xA0\xE4\xB8\x89"},
        {"ascii only", TextEncoding::Utf8, "ascii only"},
    };
    for (const Case& c : cases) {
        if (c.bytes == kExtGb18030 && !four_byte_gb18030()) continue;
        const DecodedText d = decode_text(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << c.text;
        EXPECT_EQ(d.text, c.text);
        EXPECT_TRUE(d.bad_lines.empty()) << c.text;
    }
}

TEST(TextCodec, ALineNotOfTheEncodingIsNamedAndTheOthersKept) {
    // Mostly UTF-8 with one line of stray bytes: stays UTF-8, line 2 named.
    const DecodedText utf8 = decode_text(kUtf8 + "\n\xC3\x28 broken\n" + kUtf8 + "\n" + kUtf8 + "\n");
    EXPECT_EQ(utf8.encoding, TextEncoding::Utf8);
    EXPECT_EQ(utf8.bad_lines, std::vector<int>{2});
    // GBK with a byte that is no GB18030 (0xFF) on line 3.
    const DecodedText gbk = decode_text(kGbk + "\n" + kGbk + "\nbad \xFF\n" + kGbk);
    EXPECT_EQ(gbk.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(gbk.bad_lines, std::vector<int>{3});
    EXPECT_EQ(gbk.text.substr(0, kUtf8.size() + 1), kUtf8 + "\n");
    // Line numbers still hold after the bad line.
    EXPECT_EQ(std::count(gbk.text.begin(), gbk.text.end(), '\n'), 3);
}

TEST(TextCodec, Utf8Validity) {
    EXPECT_TRUE(is_valid_utf8(kUtf8 + kExtUtf8));
    EXPECT_TRUE(is_valid_utf8("\xEF\xBF\xBD"));        // U+FFFD written out
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));           // overlong '/'
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));       // a surrogate
    EXPECT_FALSE(is_valid_utf8("\xE5\xBC"));           // cut short
    EXPECT_FALSE(is_valid_utf8(kGbk));
}

TEST(TextCodec, CharsetsByName) {
    std::string out;
    EXPECT_TRUE(charset_to_utf8(kGbk, "GBK", &out));
    EXPECT_EQ(out, kUtf8);
    EXPECT_TRUE(charset_to_utf8(kGbk, "gb2312", &out));
    EXPECT_EQ(out, kUtf8);
    if (four_byte_gb18030()) {
        EXPECT_TRUE(charset_to_utf8(kExtGb18030, "GB18030", &out));
        EXPECT_EQ(out, kExtUtf8);
    }
    EXPECT_TRUE(charset_to_utf8(kUtf8, "utf-8", &out));
    EXPECT_EQ(out, kUtf8);
    EXPECT_TRUE(charset_to_utf8("Ren\xE9", "ISO-8859-1", &out));
    EXPECT_EQ(out, "Ren\xC3\xA9");
    EXPECT_FALSE(charset_to_utf8(kGbk, "UTF-8", &out));
    EXPECT_FALSE(charset_to_utf8("x", "KLINGON", &out));
}

TEST(TextCodec, Utf16RoundTripAndDamage) {
    EXPECT_EQ(utf16_to_utf8(utf8_to_utf16(kUtf8 + kExtUtf8)), kUtf8 + kExtUtf8);
    EXPECT_EQ(utf8_to_utf16(kExtUtf8).size(), 2u);
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8_to_utf16("\xFF" "a"), u"\xFFFD" "a");
}

#ifdef _WIN32
TEST(TextCodec, SystemCodePageIsTheChineseOne) {
    // The test prefix runs with a Chinese locale: ANSI is GBK.
    EXPECT_EQ(utf8_to_system(kUtf8), kGbk);
    EXPECT_EQ(system_to_utf8(kGbk), kUtf8);
}
#else
TEST(TextCodec, SystemCodePageIsUtf8) {
    EXPECT_EQ(utf8_to_system(kUtf8), kUtf8);
    EXPECT_EQ(system_to_utf8(kUtf8), kUtf8);
}
#endif

TEST(ColumnNames, HeadingsInChineseAndEnglish) {
    struct Case {
        const char* heading;
        Column column;
    };
    const Case cases[] = {
        {"姓名", Column::Name},            {"名称", Column::Name},          {"客户名称", Column::Name},
        {"联系人", Column::Name},          {"Name", Column::Name},          {" NAME: ", Column::Name},
        {"\xEF\xBB\xBF" "姓名", Column::Name}, {"Display Name", Column::Name}, {"姓名：", Column::Name},
        {"电话", Column::Phone},           {"手机", Column::Phone},         {"联系电话", Column::Phone},
        {"手机号码", Column::Phone},       {"公司电话", Column::Phone},     {"传真", Column::Phone},
        {"Phone", Column::Phone},          {"Mobile Phone", Column::Phone}, {"Tel", Column::Phone},
        {"TEL2", Column::Phone},           {"Phone 1 - Value", Column::Phone},
        {"Phone 1 - Type", Column::Other}, {"QQ号码", Column::Other},       {"身份证号码", Column::Other},
        {"单位", Column::Company},         {"公司", Column::Company},       {"公司名称", Column::Company},
        {"Company", Column::Company},      {"Organization", Column::Company},
        {"地址", Column::Address},         {"送水地址", Column::Address},   {"公司地址", Column::Address},
        {"Address", Column::Address},      {"Home Street", Column::Address},
        {"E-mail Address", Column::Other}, {"电子邮件地址", Column::Other},
        {"备注", Column::Note},            {"Note", Column::Note},          {"Notes", Column::Note},
        {"姓", Column::FamilyName},        {"Last Name", Column::FamilyName},
        {"名", Column::GivenName},         {"First Name", Column::GivenName},
        {"生日", Column::Other},           {"", Column::Other},
    };
    for (const Case& c : cases) EXPECT_EQ(column_of(c.heading), c.column) << c.heading;
}

TEST(Cells, SeveralNumbersInOneAndSpreadsheetNotation) {
    EXPECT_EQ(split_numbers("13812345678 / 0571-8888 1234"),
              (std::vector<std::string>{"13812345678", "0571-8888 1234"}));
    EXPECT_EQ(split_numbers("13812345678、13987654321；88881234"),
              (std::vector<std::string>{"13812345678", "13987654321", "88881234"}));
    EXPECT_EQ(split_numbers("13812345678\n13987654321,"), (std::vector<std::string>{"13812345678", "13987654321"}));
    EXPECT_TRUE(split_numbers("  ").empty());
    for (const char* s : {"1.38123E+10", "8.61381E+12", " 5.7E+10 ", "1E+11"}) EXPECT_TRUE(is_scientific_notation(s)) << s;
    for (const char* s : {"13812345678", "E+10", "1.5", "1.3E-5", "1.38E+10x"}) EXPECT_FALSE(is_scientific_notation(s)) << s;
}

TEST(EnvironmentValue, ControlAndShellCharactersGo) {
    EXPECT_EQ(environment_value("王五 & 李四 | <x> %PATH% ^\"!"), utf8_to_system("王五  李四  x PATH"));
    EXPECT_EQ(environment_value(std::string("a\0b", 3)), "a b");
    EXPECT_EQ(environment_value("一\r\n二\t三\x7F"), utf8_to_system("一 二 三"));
    EXPECT_EQ(environment_value("x\xC2\x85y"), "xy");      // C1 NEXT LINE
    EXPECT_EQ(environment_value("\xC2\xA0" "a"), utf8_to_system("\xC2\xA0" "a"));  // a character, not a control
}

}  // namespace
}  // namespace host::callers
