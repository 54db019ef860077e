// The phonebook: CSV as Excel and WPS save it and vCard as phones export it, read into
// cards found by any form of their numbers; several files; files that change, are
// replaced or go away while the recorder runs.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "callers/caller_directory.h"
#include "callers/phonebook.h"
#include "callers/phonebook_file.h"
#include "callers/text_codec.h"
#include "platform/platform.h"

namespace host::callers {
namespace {

const NumberPlan kHangzhou{"0571"};

struct Expect {
    const char* number;  // as the line would give it
    const char* name;
    const char* company;
    const char* address;
    const char* note;
};

struct Case {
    const char* title;
    std::string file_name;
    std::string bytes;
    std::vector<Expect> found;
    std::vector<int> reported_lines;  // in order
    std::vector<const char*> missing = {};  // numbers that must not be found
};

std::string utf16le(const std::u16string& text) {
    std::string out("\xFF\xFE", 2);
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// 张三 李四 王五 杭州 in GBK.
const std::string kZhangSanGbk = "\xD5\xC5\xC8\xFD";
const std::string kLiSiGbk = "\xC0\xEE\xCB\xC4";

std::vector<Case> csv_cases() {
    return {
        {"Excel UTF-8 with its mark, Chinese headings, two phone columns, a column of its own",
         "客户.csv",
         "\xEF\xBB\xBF" "姓名,电话,手机,单位,地址,备注,生日\r\n"
         "张三,0571-88881234,13812345678,西湖水站,文三路100号,要冰的,3月5日\r\n"
         "李四,,13987654321,,,,\r\n",
         {{"057188881234", "张三", "西湖水站", "文三路100号", "要冰的"},
          {"+86 138 1234 5678", "张三", "西湖水站", "文三路100号", "要冰的"},
          {"13987654321", "李四", "", "", ""}},
         {}},
        {"WPS in GBK, a landline that lost its 0, a local number",
         "wps.csv",
         "\xD0\xD5\xC3\xFB,\xB5\xE7\xBB\xB0\r\n" + kZhangSanGbk + ",57188881234\r\n" + kLiSiGbk + ",88885678\r\n",
         {{"057188881234", "张三", "", "", ""}, {"88885678", "李四", "", "", ""}, {"057188885678", "李四", "", "", ""}},
         {}},
        {"quoted fields: separators, doubled quotes, a line break inside",
         "quoted.csv",
         "Name,Phone,Company,Address,Note\n"
         "\"Wang, Wu\",\"138 0000 1111\",\"The \"\"Blue\"\" Spring\",\"Line 1\nLine 2\",ok\n"
         "Zhao,13800002222,,,\n",
         {{"13800001111", "Wang, Wu", "The \"Blue\" Spring", "Line 1\nLine 2", "ok"},
          {"13800002222", "Zhao", "", "", ""}},
         {}},
        {"several numbers in one cell", "cell.csv",
         "名称,联系电话\n水站,\"13812345678 / 0571-8888 1234、88889999\"\n",
         {{"13812345678", "水站", "", "", ""}, {"057188881234", "水站", "", "", ""}, {"88889999", "水站", "", "", ""}},
         {}},
        {"semicolons as separators", "semi.csv", "name;tel;note\nLin;13800003333;a, b\n",
         {{"13800003333", "Lin", "", "", "a, b"}}, {}},
        {"Unicode text: UTF-16 with tabs", "unicode.txt", utf16le(u"姓名\t手机\n张三\t13812345678\n"),
         {{"13812345678", "张三", "", "", ""}}, {}},
        {"a title row above the headings", "title.csv", "客户通讯录,,\n姓名,电话,地址\n张三,13812345678,文三路\n",
         {{"13812345678", "张三", "", "文三路", ""}}, {}},
        {"first and last names (a mail program's export)", "outlook.csv",
         "First Name,Last Name,Mobile Phone,Company\nSan,Zhang,13812345678,Acme\n三,张,13987654321,\n",
         {{"13812345678", "San Zhang", "Acme", "", ""}, {"13987654321", "张三", "", "", ""}}, {}},
        {"broken lines: an unclosed quote, a number in scientific notation, bytes not of the file",
         "broken.csv",
         "\xD0\xD5\xC3\xFB,\xB5\xE7\xBB\xB0\n" + kZhangSanGbk + ",13812345678\n"  // 姓名,电话
         "\"open quote,13800000000\n" + kLiSiGbk + ",1.39877E+10\n\xFF\xFF,13800004444\n" + kLiSiGbk +
             ",13987654321\n",
         {{"13812345678", "张三", "", "", ""}, {"13987654321", "李四", "", "", ""}},
         {3, 4, 5},
         {"13800000000", "13800004444"}},
        {"no phone column at all", "nophone.csv", "姓名,地址\n张三,文三路\n", {}, {0}},
    };
}

std::vector<Case> vcard_cases() {
    return {
        {"vCard 3.0: several cards, folding, escapes, groups, every TEL", "contacts.vcf",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nN:张;三;;;\r\nORG:西湖水站;配送部\r\n"
         "TEL;TYPE=CELL:138 1234 5678\r\nitem1.TEL;type=pref:+86 571 8888 1234\r\n"
         "ADR;TYPE=WORK:;;文三路100号;杭州市;浙江省;310000;中国\r\n"
         "NOTE:要冰的\\, 每周一\\n两桶\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Li;Si;;;\r\nTEL:13987654321\r\n"
         "NOTE:a very long note that a phone folded\r\n  over two lines\r\nEND:VCARD\r\n",
         {{"13812345678", "张三", "西湖水站 配送部", "中国浙江省杭州市文三路100号", "要冰的, 每周一\n两桶"},
          {"057188881234", "张三", "西湖水站 配送部", "中国浙江省杭州市文三路100号", "要冰的, 每周一\n两桶"},
          {"13987654321", "Si Li", "", "", "a very long note that a phone folded over two lines"}},
         {}},
        {"vCard 2.1 from an Android phone: quoted-printable UTF-8, soft line breaks, N only", "android.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=8E=8B;=E4=BA=94;;;\r\n"
         "TEL;CELL:13800005555\r\nTEL;HOME:0571-8888-5555\r\n"
         "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E9=80=81=E6=B0=B4=\r\n=E4=B8=8A=E6=A5=BC\r\n"
         "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\nAAAAAAAAAAAAAAAAAAAAAAAAA\r\n\r\n"
         "END:VCARD\r\n",
         {{"13800005555", "王五", "", "", "送水上楼"}, {"057188885555", "王五", "", "", "送水上楼"}},
         {}},
        {"vCard 2.1 in GBK, by its CHARSET and without one", "gbk.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\r\n"
         "TEL;CELL;VOICE:13812345678\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:" + kLiSiGbk +
             "\r\nTEL:13987654321\r\nEND:VCARD\r\n",
         {{"13812345678", "张三", "", "", ""}, {"13987654321", "李四", "", "", ""}},
         {}},
        {"vCard 4.0 with tel: URIs", "v4.vcf",
         "BEGIN:VCARD\nVERSION:4.0\nFN:Zhao Liu\nTEL;VALUE=uri;TYPE=\"voice,cell\":tel:+86-138-0000-6666\n"
         "TEL;VALUE=uri:tel:+86-571-8888-6666;ext=12\nEMAIL:zhao@example.com\nEND:VCARD\n",
         {{"13800006666", "Zhao Liu", "", "", ""}, {"057188886666", "Zhao Liu", "", "", ""}},
         {}},
        {"broken lines: no colon, text outside a card, a card never ended", "broken.vcf",
         "BEGIN:VCARD\nVERSION:3.0\nFN:One\nthis line has no colon\nTEL:13800007777\nEND:VCARD\n"
         "stray text\nBEGIN:VCARD\nVERSION:3.0\nFN:Two\nTEL:13800008888\n",
         {{"13800007777", "One", "", "", ""}, {"13800008888", "Two", "", "", ""}},
         {4, 7, 8}},
        {"a card without a number is no contact", "nonumber.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:Nobody\nEND:VCARD\n",
         {}, {}, {}},
    };
}

void check(const Case& c) {
    SCOPED_TRACE(c.title);
    // The name as the system names files; the card gives it back in UTF-8.
    const PhonebookFileResult result = read_phonebook_bytes(utf8_to_system(c.file_name), c.bytes, kHangzhou);
    ASSERT_TRUE(result.table);
    const PhonebookSnapshot book({result.table});
    for (const Expect& e : c.found) {
        const auto card = book.find(number_key(e.number, kHangzhou));
        ASSERT_TRUE(card.has_value()) << e.number;
        EXPECT_EQ(card->name, e.name) << e.number;
        EXPECT_EQ(card->company, e.company) << e.number;
        EXPECT_EQ(card->address, e.address) << e.number;
        EXPECT_EQ(card->note, e.note) << e.number;
        EXPECT_EQ(card->source, c.file_name);
    }
    for (const char* n : c.missing) EXPECT_FALSE(book.contains(number_key(n, kHangzhou))) << n;
    std::vector<int> lines;
    for (const LineReport& r : result.reports) lines.push_back(r.line);
    EXPECT_EQ(lines, c.reported_lines);
}

TEST(PhonebookCsv, FilesAsOfficesSaveThem) {
    for (const Case& c : csv_cases()) check(c);
}

TEST(PhonebookVcard, FilesAsPhonesExportThem) {
    for (const Case& c : vcard_cases()) check(c);
}

TEST(PhonebookCsv, OtherColumnsAreKeptForDisplay) {
    const auto result = read_phonebook_bytes("x.csv", "姓名,电话,生日,地址,地址\n张三,13812345678,3月5日,A,B\n", kHangzhou);
    const auto card = PhonebookSnapshot({result.table}).find("13812345678");
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->address, "A");
    EXPECT_EQ(card->more, (std::vector<std::pair<std::string, std::string>>{{"生日", "3月5日"}, {"地址", "B"}}));
}

TEST(PhonebookSnapshot, EarlierFileNamesANumberAndNamesAreSearched) {
    const auto first = read_phonebook_bytes("a.csv", "name,phone\nAnn,13800000001\nBob,13800000002\n", kHangzhou);
    const auto second = read_phonebook_bytes("b.csv", "name,phone\nBen,13800000002\nCid,13800000003\n", kHangzhou);
    const PhonebookSnapshot book({first.table, second.table});
    EXPECT_EQ(book.find("13800000002")->name, "Bob");
    EXPECT_EQ(book.find("13800000003")->source, "b.csv");
    EXPECT_EQ(book.contacts(), 4u);
    EXPECT_EQ(book.numbers(), 3u);
    EXPECT_EQ(book.keys_named("b", 10), (std::vector<std::string>{"13800000002"}));  // Ben's number is Bob's
    EXPECT_EQ(book.keys_named("CI", 10), (std::vector<std::string>{"13800000003"}));
    EXPECT_TRUE(book.keys_named("", 10).empty());
    EXPECT_FALSE(book.find("").has_value());
    EXPECT_FALSE(book.find("1234567890123456789").has_value());  // longer than any key
}

TEST(PackedKeys, LeadingZerosCount) {
    for (const char* key : {"057188881234", "0012125550100", "110", "000000000000000000"}) {
        EXPECT_NE(pack_key(key), 0u) << key;
        EXPECT_EQ(unpack_key(pack_key(key)), key);
    }
    EXPECT_NE(pack_key("0110"), pack_key("110"));
    EXPECT_EQ(pack_key("12a"), 0u);
    EXPECT_EQ(pack_key("1234567890123456789"), 0u);
}

// Files on the disk, changed while the phonebook watches them.
class PhonebookFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / (std::string("vornix_phonebook_") + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const char* name) const { return platform::path_text(dir_ / name); }
    void write(const char* name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::unique_ptr<Phonebook> book(std::vector<std::string> files) {
        return std::make_unique<Phonebook>(std::move(files), kHangzhou, [this](const PhonebookReport& r) {
            reports_.push_back(r.file + ":" + std::to_string(r.line) + " " + r.what);
        });
    }
    static std::string name_of(const Phonebook& b, const char* number) {
        const auto card = b.snapshot()->find(number_key(number, kHangzhou));
        return card ? card->name : std::string();
    }
    // Two looks: a change is read once it stayed for one look.
    static bool settle(Phonebook& b) {
        const bool first = b.check_now();
        return b.check_now() || first;
    }

    std::filesystem::path dir_;
    std::vector<std::string> reports_;
};

TEST_F(PhonebookFiles, AChangedFileIsReadAgainAndHoldersKeepTheirSnapshot) {
    write("a.csv", "name,phone\nAnn,13800000001\n");
    auto b = book({path("a.csv")});
    b->load();
    const uint32_t loaded = b->generation();
    const auto held = b->snapshot();
    EXPECT_FALSE(settle(*b));  // nothing changed
    write("a.csv", "name,phone\nAnnie,13800000001\nBob,13800000002\n");
    EXPECT_TRUE(settle(*b));
    EXPECT_NE(b->generation(), loaded);
    EXPECT_EQ(name_of(*b, "13800000001"), "Annie");
    EXPECT_EQ(name_of(*b, "13800000002"), "Bob");
    EXPECT_EQ(held->find("13800000001")->name, "Ann");
    std::shared_ptr<const PhonebookSnapshot> tried;
    EXPECT_TRUE(b->try_snapshot(&tried));
    EXPECT_EQ(tried, b->snapshot());
}

TEST_F(PhonebookFiles, TheDirectorySeesAReloadAndHandsTheOldSnapshotBackToBeFreed) {
    write("a.csv", "name,phone\nAnn,13800000001\n");
    auto b = book({path("a.csv")});
    b->load();
    CallerDirectory directory(kHangzhou, b.get(), nullptr);
    EXPECT_EQ(directory.lookup("138 0000 0001").card.name, "Ann");
    std::weak_ptr<const PhonebookSnapshot> old = b->snapshot();
    write("a.csv", "name,phone\nAnnie,13800000001\n");
    ASSERT_TRUE(settle(*b));
    EXPECT_FALSE(old.expired());  // the directory still has it
    const CallerLookup l = directory.lookup("+86 13800000001");
    EXPECT_EQ(l.state, LookupState::Found);
    EXPECT_EQ(l.card.name, "Annie");
    EXPECT_EQ(l.key, "13800000001");
    EXPECT_FALSE(old.expired());  // handed back, not freed on the asking thread
    b->check_now();
    EXPECT_TRUE(old.expired());
    EXPECT_EQ(directory.lookup("13900000000").state, LookupState::NotFound);
    EXPECT_TRUE(directory.lookup("no number").key.empty());
}

TEST_F(PhonebookFiles, AFileReplacedOrGoneAndBack) {
    write("a.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nTEL:13800000001\nEND:VCARD\n");
    write("b.csv", "name,phone\nBob,13800000002\n");
    auto b = book({path("a.vcf"), path("b.csv")});
    b->load();
    // Replaced the way editors save: a new file renamed over the old one.
    write("b.new", "name,phone\nBobby,13800000002\n");
    std::filesystem::rename(dir_ / "b.new", dir_ / "b.csv");
    EXPECT_TRUE(settle(*b));
    EXPECT_EQ(name_of(*b, "13800000002"), "Bobby");
    // Gone: what it gave stays, and that is said once.
    std::filesystem::remove(dir_ / "a.vcf");
    settle(*b);
    settle(*b);
    EXPECT_EQ(name_of(*b, "13800000001"), "Ann");
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find(":0 cannot be read"), std::string::npos) << reports_[0];
    EXPECT_NE(reports_[0].find("stay"), std::string::npos) << reports_[0];
    write("a.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:Anna\nTEL:13800000001\nEND:VCARD\n");
    EXPECT_TRUE(settle(*b));
    EXPECT_EQ(name_of(*b, "13800000001"), "Anna");
}

TEST_F(PhonebookFiles, ABrokenLineIsReportedOnceAcrossReloads) {
    write("a.csv", "name,phone\nAnn,13800000001\nBad,\"13800000009\n");
    auto b = book({path("a.csv"), path("missing.csv")});
    b->load();
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_NE(reports_[0].find("a.csv:3 a quoted field is not closed"), std::string::npos) << reports_[0];
    EXPECT_NE(reports_[1].find("missing.csv:0 cannot be read"), std::string::npos) << reports_[1];
    write("a.csv", "name,phone\nAnn,13800000001\nBad,\"13800000009\nCid,13800000003\n");
    EXPECT_TRUE(settle(*b));
    EXPECT_EQ(reports_.size(), 2u);
    EXPECT_EQ(name_of(*b, "13800000003"), "Cid");
}

TEST_F(PhonebookFiles, TheWatcherSwapsInTheNewSnapshotByItself) {
    write("a.csv", "name,phone\nAnn,13800000001\n");
    auto b = book({path("a.csv")});
    b->load();
    b->watch(20);
    const uint32_t before = b->generation();
    write("a.csv", "name,phone\nAnn,13800000001\nBob,13800000002\n");
    const int64_t deadline = platform::monotonic_ms() + 5000;
    while (b->generation() == before && platform::monotonic_ms() < deadline) platform::sleep_ms(10);
    EXPECT_EQ(name_of(*b, "13800000002"), "Bob");
}

}  // namespace
}  // namespace host::callers
