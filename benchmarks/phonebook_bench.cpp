// Caller names: a phonebook of 100,000 contacts read from its file (UTF-8 and GBK CSV,
// vCard) and the resident memory it then takes; a look-up from memory; and how long the
// recording loop's share of a look-up takes (p50/p99 of a round's look-up) while the
// phonebook is read again beside it and while the database answers slowly.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "callers/caller_directory.h"
#include "callers/customer_db.h"
#include "callers/phonebook.h"
#include "callers/phonebook_file.h"
#include "slow_customer_source.h"

namespace {

namespace fs = std::filesystem;
using host::callers::NumberPlan;
constexpr int kContacts = 100000;
const NumberPlan kPlan{"0571"};

const char* const kFamily[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"};
const char* const kStreet[] = {"文三路", "天目山路", "教工路", "学院路", "古墩路", "莫干山路"};

std::string mobile(int i) { return "13" + std::to_string(800000000 + i); }
std::string landline(int i) { return "0571-" + std::to_string(80000000 + i); }

// As an office's Excel sheet saves it: a heading row, two phone columns, about 100
// bytes a contact.
std::string phonebook_csv() {
    std::string csv = "姓名,手机,电话,单位,地址,备注\r\n";
    for (int i = 0; i < kContacts; ++i) {
        csv += std::string(kFamily[i % 10]) + kGiven[i % 12] + kGiven[(i / 12) % 12] + "," + mobile(i) + "," +
               (i % 2 ? landline(i) : "") + "," + (i % 3 ? "" : "西湖水站") + ",杭州市西湖区" + kStreet[i % 6] +
               std::to_string(i % 300) + "号," + (i % 4 ? "" : "每周一送两桶") + "\r\n";
    }
    return csv;
}

std::string phonebook_vcard() {
    std::string vcf;
    for (int i = 0; i < kContacts; ++i) {
        vcf += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(kFamily[i % 10]) + kGiven[i % 12] +
               "\r\nTEL;TYPE=CELL:" + mobile(i) + "\r\nADR:;;" + kStreet[i % 6] + std::to_string(i % 300) +
               "号;杭州市;;;\r\nEND:VCARD\r\n";
    }
    return vcf;
}

std::string to_gbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size(), out_left = out.size();
    char* o = &out[0];
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

fs::path write_file(const char* name, const std::string& bytes) {
    const fs::path p = fs::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

double resident_mb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Reading the file and publishing the snapshot, as at start and on every change.
void load_file(benchmark::State& state, const char* name, const std::string& bytes) {
    const fs::path file = write_file(name, bytes);
    for (auto _ : state) {
        host::callers::Phonebook book({file.string()}, kPlan, nullptr);
        book.load();
        benchmark::DoNotOptimize(book.snapshot()->numbers());
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    fs::remove(file);
}

void BM_Load100kCsvUtf8(benchmark::State& state) { load_file(state, "vornix-bench.csv", phonebook_csv()); }
void BM_Load100kCsvGbk(benchmark::State& state) { load_file(state, "vornix-bench-gbk.csv", to_gbk(phonebook_csv())); }
void BM_Load100kVcard(benchmark::State& state) { load_file(state, "vornix-bench.vcf", phonebook_vcard()); }
BENCHMARK(BM_Load100kCsvUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load100kCsvGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load100kVcard)->Unit(benchmark::kMillisecond);

// What a loaded phonebook keeps resident: the growth once the load's own passing
// buffers are gone again.
void BM_Resident100kCsv(benchmark::State& state) {
    const fs::path file = write_file("vornix-bench-mem.csv", phonebook_csv());
    for (auto _ : state) {
        const double before = resident_mb();
        host::callers::Phonebook book({file.string()}, kPlan, nullptr);
        book.load();
        state.counters["resident_growth_MB"] = resident_mb() - before;
        state.counters["numbers"] = static_cast<double>(book.snapshot()->numbers());
    }
    fs::remove(file);
}
BENCHMARK(BM_Resident100kCsv)->Iterations(1)->Unit(benchmark::kMillisecond);

struct Loaded {
    host::callers::Phonebook book;
    Loaded() : book({write_file("vornix-bench-lookup.csv", phonebook_csv()).string()}, kPlan, nullptr) {
        book.load();
    }
};
Loaded& loaded() {
    static Loaded l;
    return l;
}

// A look-up from memory: key given, card copied out (found) or not.
void BM_LookupKey(benchmark::State& state) {
    const auto snapshot = loaded().book.snapshot();
    const bool hit = state.range(0) != 0;
    std::vector<std::string> keys;
    for (int i = 0; i < 4096; ++i) keys.push_back(hit ? mobile((i * 7919) % kContacts) : "139" + std::to_string(90000000 + i));
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(snapshot->find(keys[i++ % keys.size()]));
}
BENCHMARK(BM_LookupKey)->Arg(1)->Arg(0);

// The whole way from the number as the line gives it: the key, the snapshot check and
// the card.
void BM_LookupNumberThroughDirectory(benchmark::State& state) {
    host::callers::CallerDirectory directory(kPlan, &loaded().book, nullptr);
    const std::vector<std::string> numbers = {"+86 138 0000 4242", "0571-80004243", "80004243", "13999999999"};
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(directory.lookup(numbers[i++ % numbers.size()]));
}
BENCHMARK(BM_LookupNumberThroughDirectory);

void BM_NumberKey(benchmark::State& state) {
    const std::vector<std::string> numbers = {"+86 138 1234 5678", "17951 0571-8888 1234", "88881234", "95588"};
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(host::callers::number_key(numbers[i++ % numbers.size()], kPlan));
}
BENCHMARK(BM_NumberKey);

// The loop's share: one look-up a round, a round every millisecond, for 3000 rounds;
// beside it nothing (0), the phonebook read again and again (1), or the database
// answering slowly with a new number every round (2).
void BM_LoopLookupWhile(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    Loaded& l = loaded();
    host::callers::CustomerDbConfig config;
    std::unique_ptr<host::callers::CustomerDb> db;
    if (mode == 2)
        db = std::make_unique<host::callers::CustomerDb>(std::make_unique<SlowCustomerSource>(), config, kPlan, nullptr);
    std::atomic<bool> busy{true};
    std::thread reloads;
    const fs::path file = write_file("vornix-bench-reload.csv", phonebook_csv());
    host::callers::Phonebook reloading({file.string()}, kPlan, nullptr);
    reloading.load();
    if (mode == 1)
        reloads = std::thread([&] {
            while (busy) reloading.load();
        });
    host::callers::CallerDirectory directory(kPlan, mode == 1 ? &reloading : &l.book, db.get());
    std::vector<double> us;
    for (auto _ : state) {
        us.clear();
        for (int round = 0; round < 3000; ++round) {
            const std::string number = mode == 2 ? "139" + std::to_string(10000000 + round) : "13800004242";
            const auto t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(directory.lookup(number));
            us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    busy = false;
    if (reloads.joinable()) reloads.join();
    std::sort(us.begin(), us.end());
    state.counters["p50_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["max_us"] = us.back();
    fs::remove(file);
}
BENCHMARK(BM_LoopLookupWhile)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
