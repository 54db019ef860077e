// Fault soak: a seeded random walk over the simulated bus with up to 64 boxes that
// are plugged and pulled, reject requests, fail their reads or deliver nothing or
// too little, while the clock jumps, the library is opened and closed, and lines
// are recorded on many slots. After every export call: nothing thrown, no device
// handle open, a result in its range. Every finished recording must be a WAV whose
// chunks are, one by one, blocks that a box really delivered to the library.
//
//   VORNIX_SOAK_SEED=<n>   replays one walk (a failure prints its seed)
//   VORNIX_SOAK_CALLS=<n>  number of export calls (default 100,000; 20,000 on Windows)
#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fixture/fixture.h"

namespace fs = std::filesystem;
using vornix::sim::Fault;
using vornix::sim::StatusRecord;
using vornix::kMarkerAt;
using vornix::kMarkerLength;
using vornix::kPayloadAt;
using vornix::kPayloadAtBehindMarker;

namespace {

constexpr int kMaxBoxes = 64;
constexpr size_t kChunk = vornix::kAudioChunkSize;
constexpr size_t kBlock = vornix::kAudioBlockSize;
constexpr size_t kHeader = 58;
// The tag (magic, box id, block number) lies inside both possible chunk regions.
constexpr size_t kTagAt = 400;
constexpr uint32_t kTagMagic = 0x4B4C4F42u;  // "BLOK"

#ifdef _WIN32
constexpr uint64_t kDefaultCalls = 20000;  // the Wine run shares its time with every other test
#else
constexpr uint64_t kDefaultCalls = 100000;
#endif

uint64_t env_number(const char* name, uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint32_t get_u32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void put_u32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i)); }

bool block_has_marker(uint32_t number) { return (mix(number) & 1) != 0; }

// The content of audio block `number` from box `box`, reproducible from those two.
// Built eight bytes at a time: the soak reads thousands of blocks.
void fill_block(uint8_t* block, size_t size, uint32_t box, uint32_t number) {
    const uint64_t seed = mix((static_cast<uint64_t>(box) << 32) | number);
    for (size_t p = 0; p < size; p += 8) {
        const uint8_t group = static_cast<uint8_t>((p >> 3) ^ (p >> 11));
        uint8_t word[8];
        for (int i = 0; i < 8; ++i) word[i] = static_cast<uint8_t>(seed >> (8 * i)) ^ group;
        std::memcpy(block + p, word, std::min<size_t>(8, size - p));
    }
    if (size >= kMarkerAt + kMarkerLength) {
        const bool marker = block_has_marker(number);
        for (size_t i = kMarkerAt; i < kMarkerAt + kMarkerLength; ++i) block[i] = marker ? '+' : static_cast<uint8_t>('-' + i);
    }
    if (size >= kTagAt + 12) {
        put_u32(block + kTagAt, kTagMagic);
        put_u32(block + kTagAt + 4, box);
        put_u32(block + kTagAt + 8, number);
    }
}

// Every audio block the bus produced, by number: whether it could be a recording
// chunk (read in full size into the library's own buffer) and whether a file holds it.
struct BlockLedger {
    enum State : uint8_t { TooSmall, HostBuffer, Candidate, Used };
    std::vector<State> blocks;
    bool host_reading = false;

    uint32_t record(size_t size) {
        blocks.push_back(host_reading ? HostBuffer : size >= kBlock ? Candidate : TooSmall);
        return static_cast<uint32_t>(blocks.size() - 1);
    }

    // Empty when `chunk` (the n-th of its file) is the chunk region of a block that
    // was delivered for a recording and that no file holds yet.
    std::string claim(const uint8_t* chunk, uint32_t* last_number) {
        static std::vector<uint8_t> expect(kBlock);
        for (size_t at : {kPayloadAt, kPayloadAtBehindMarker}) {
            const uint8_t* tag = chunk + (kTagAt - at);
            if (get_u32(tag) != kTagMagic) continue;
            const uint32_t box = get_u32(tag + 4), number = get_u32(tag + 8);
            if (number >= blocks.size() || block_has_marker(number) != (at == kPayloadAtBehindMarker)) continue;
            fill_block(expect.data(), kBlock, box, number);
            if (std::memcmp(expect.data() + at, chunk, kChunk) != 0) continue;
            switch (blocks[number]) {
                case Used: return "block " + std::to_string(number) + " written twice";
                case HostBuffer: return "block " + std::to_string(number) + " was read into the host's buffer";
                case TooSmall: return "block " + std::to_string(number) + " was not a full audio block";
                case Candidate: break;
            }
            if (*last_number != UINT32_MAX && number <= *last_number) return "chunks out of order";
            blocks[number] = Used;
            *last_number = number;
            return "";
        }
        return "not the chunk of any block a box delivered";
    }
};

std::vector<uint8_t> read_file(const fs::path& p) {
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    if (ec) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    std::ifstream in(p, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Empty when `p` is a finished recording: final header, whole chunks, real blocks.
std::string check_recording(const fs::path& p, BlockLedger& ledger, uint64_t* chunks) {
    const std::vector<uint8_t> f = read_file(p);
    if (f.size() < kHeader || (f.size() - kHeader) % kChunk != 0)
        return "length " + std::to_string(f.size()) + " is not 58 + 16384 n";
    const uint32_t data = static_cast<uint32_t>(f.size() - kHeader);
    const uint8_t* h = f.data();
    auto is = [&](size_t at, const char* four) { return std::memcmp(h + at, four, 4) == 0; };
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(h[at] | h[at + 1] << 8); };
    const bool header_ok = is(0, "RIFF") && get_u32(h + 4) == data + 50 && is(8, "WAVE") && is(12, "fmt ") &&
                           get_u32(h + 16) == 18 && u16(20) == 1 && u16(22) == 1 && get_u32(h + 24) == 8000 &&
                           get_u32(h + 28) == 8000 && u16(32) == 1 && u16(34) == 8 && u16(36) == 0 &&
                           is(38, "fact") && get_u32(h + 42) == 4 && get_u32(h + 46) == data && is(50, "data") &&
                           get_u32(h + 54) == data;
    if (!header_ok) return "header does not describe " + std::to_string(data) + " data bytes";
    uint32_t last = UINT32_MAX;
    for (size_t at = kHeader; at < f.size(); at += kChunk) {
        const std::string wrong = ledger.claim(f.data() + at, &last);
        if (!wrong.empty()) return "chunk " + std::to_string((at - kHeader) / kChunk) + ": " + wrong;
        ++*chunks;
    }
    return "";
}

#ifndef _WIN32
// Whether this process still holds `p` open (also once it was deleted).
bool held_open(const fs::path& p) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd", ec)) {
        const fs::path target = fs::read_symlink(fd.path(), ec);
        if (ec) continue;
        const std::string t = target.string();
        if (t == p.string() || t == p.string() + " (deleted)") return true;
    }
    return false;
}
#endif

class SoakTest : public LineBoxTest {
protected:
    std::mt19937_64 rng;
    uint64_t seed = 0, calls = 0, step = 0;
    bool failed = false;
    bool open = false;
    int32_t budget = 0;
    BlockLedger ledger;
    fs::path dir;
    std::vector<fs::path> recording = std::vector<fs::path>(kMaxBoxes);  // by slot, as far as known
    std::vector<bool> deleted = std::vector<bool>(kMaxBoxes);
    uint64_t files_checked = 0, chunks_checked = 0, starts = 0, next_file = 0;
    std::vector<uint8_t> host_buffer = std::vector<uint8_t>(65536 + 64);

    int pick(int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    void fail(const std::string& what) {
        if (failed) return;
        failed = true;
        ADD_FAILURE() << what << "\n  at step " << step << ", export call " << calls
                      << "; replay with VORNIX_SOAK_SEED=" << seed;
    }

    // One export call and the checks every call must pass.
    template <class F>
    long long call(const char* name, F&& f) {
        long long r = 0;
        try {
            r = static_cast<long long>(f());
        } catch (...) {
            fail(std::string("an exception left ") + name);
        }
        ++calls;
        if (bus().counters().open_handles != 0) fail(std::string(name) + " left a device handle open");
        return r;
    }

    void expect_in(const char* name, long long r, std::initializer_list<long long> allowed) {
        for (long long a : allowed)
            if (r == a) return;
        fail(std::string(name) + " returned " + std::to_string(r));
    }

    int any_slot() {
        const int present = bus().present_count();
        const int roll = pick(100);
        // Slots past the present boxes start a recovery hold-off each: keep them rare.
        if (roll < 97 && present > 0) return pick(present);
        if (roll < 99) return pick(kMaxBoxes);
        const int hostile[] = {-1, 64, INT_MAX, INT_MIN};
        return hostile[pick(4)];
    }

    bool is_digit_of(char c, const char* alphabet) { return c != 0 && std::strchr(alphabet, c) != nullptr; }

    void check_digits(const char* name, long long count, const char* out, const char* alphabet) {
        if (count < -1 || count > 16) return fail(std::string(name) + " counted " + std::to_string(count));
        for (long long i = 0; i < count; ++i)
            if (!is_digit_of(out[i], alphabet)) return fail(std::string(name) + " wrote a non-digit");
        if (count >= 0 && count < 16 && out[count] != 0) fail(std::string(name) + " left the digits unterminated");
    }

    void check_text(const char* name, const char* text, const char* alphabet) {
        if (!text) return fail(std::string(name) + " returned null");
        const size_t n = std::strlen(text);
        if (n > 16) return fail(std::string(name) + " returned " + std::to_string(n) + " characters");
        for (size_t i = 0; i < n; ++i)
            if (!is_digit_of(text[i], alphabet)) return fail(std::string(name) + " returned a non-digit");
    }

    // --- the bus ----------------------------------------------------------------
    void plug() {
        if (bus().present_count() >= kMaxBoxes) return;
        const int id = chance(80) ? bus().plug() : bus().plug_silently();
        bus().set_audio(id, [this, id](uint8_t* block, uint32_t, uint32_t size, uint64_t) {
            fill_block(block, size, static_cast<uint32_t>(id), ledger.record(size));
        });
        random_status(id);
    }

    void unplug() {
        const int present = bus().present_count();
        if (present == 0) return;
        const int id = bus().box_at(pick(present));
        if (chance(80)) bus().unplug(id);
        else bus().unplug_silently(id);
    }

    void random_status(int id) {
        if (chance(5)) {
            std::array<uint8_t, vornix::kStatusReportSize> report;
            for (auto& b : report) b = static_cast<uint8_t>(rng());
            bus().set_status_report(id, report);
            return;
        }
        StatusRecord r = StatusRecord::valid();
        std::string cid, dtmf;
        for (int i = pick(17); i > 0; --i) cid += static_cast<char>('0' + pick(10));
        for (int i = pick(17); i > 0; --i) dtmf += "0123456789*#ABCD"[pick(16)];
        r.caller_id(cid).dtmf(dtmf).off_hook(chance(50)).record_end(chance(60)).disconnected(chance(30))
            .ringing(chance(30)).serial(static_cast<uint16_t>(chance(70) ? 5000 + pick(1000) : pick(65536)));
        if (chance(10)) r.invalid();
        bus().set_status(id, r, chance(50));
    }

    void random_fault() {
        const int present = bus().present_count();
        if (present == 0) return;
        const int id = bus().box_at(pick(present));
        const uint32_t codes[] = {0, vornix::IOCTL_LINEBOX_READ_STATUS, vornix::IOCTL_LINEBOX_READ_AUDIO,
                                  vornix::IOCTL_LINEBOX_INIT, vornix::IOCTL_LINEBOX_RECONNECT,
                                  vornix::IOCTL_LINEBOX_DISCONNECT, vornix::IOCTL_LINEBOX_LED_0};
        const Fault faults[] = {Fault::OpenFails, Fault::RequestRejected, Fault::ReadFails, Fault::ReadEmpty,
                                Fault::ReadShort};
        const Fault fault = faults[pick(5)];
        bus().box(id).short_read_bytes = 1 + static_cast<uint32_t>(pick(static_cast<int>(kBlock) - 1));
        bus().set_fault(id, fault, fault == Fault::OpenFails ? 0 : codes[pick(7)], 1 + pick(3));
    }

    void unopenable() {
        const int n = bus().present_count();
        if (n) bus().box(bus().box_at(pick(n))).openable = false;
    }

    void heal() {
        const int n = bus().present_count();
        if (n == 0) return;
        const int id = bus().box_at(pick(n));
        bus().clear_faults(id);
        bus().box(id).openable = true;
    }

    void clock_jump() {
        const int roll = pick(1000);
        if (roll < 600) bus().advance(pick(100));
        else if (roll < 960) bus().advance(100 + pick(700));
        else if (roll < 997) bus().advance(700 + pick(3000));
        else if (roll < 999) bus().advance(pick(1 << 30));  // a long idle spell
        else if (bus().now() >= 0) bus().advance(INT32_MAX - bus().now() - pick(3000));  // the clock about to wrap
    }

    // --- recordings -------------------------------------------------------------
    void finished(int slot) {
        const fs::path p = recording[slot];
        if (p.empty()) return;
        recording[slot].clear();
#ifndef _WIN32
        if (held_open(p)) fail("recording file " + p.filename().string() + " still open after its stop");
#endif
        if (!deleted[slot] || fs::exists(p)) {
            const std::string wrong = check_recording(p, ledger, &chunks_checked);
            if (!wrong.empty()) fail("recording " + p.filename().string() + ": " + wrong);
            ++files_checked;
        }
        deleted[slot] = false;
        std::error_code ec;
        fs::remove(p, ec);
    }

    void start_recording() {
        const int slot = any_slot();
        const bool valid = slot >= 0 && slot < kMaxBoxes;
        const fs::path p = dir / ("call" + std::to_string(next_file++) + ".wav");
        const int32_t b = chance(10) ? -5000 - pick(100000) : chance(5) ? INT_MAX : pick(400000);
        const long long r = call("SW_StartFileRecord", [&] { return SW_StartFileRecord(slot, p.string().c_str(), b); });
        expect_in("SW_StartFileRecord", r, {0, -1});
        if (!open && r != -1) fail("SW_StartFileRecord started on a closed library");
        if (r != 0) {
            // Refused, or the box could not be reconnected: no file is created.
            if (fs::exists(p)) fail("a failed start left " + p.filename().string() + " behind");
            return;
        }
        if (!valid) return fail("SW_StartFileRecord accepted slot " + std::to_string(slot));
        ++starts;
        budget = b;
        finished(slot);  // a start on a recording slot finishes the earlier file
        recording[slot] = p;
    }

    // Mostly a slot that records, as a host polls it.
    int recording_slot() {
        std::vector<int> active;
        for (int s = 0; s < kMaxBoxes; ++s)
            if (!recording[s].empty()) active.push_back(s);
        if (active.empty() || chance(15)) return any_slot();
        return active[static_cast<size_t>(pick(static_cast<int>(active.size())))];
    }

    void check_recording_end() {
        const int slot = recording_slot();
        const long long r = call("SW_CheckFileRecordEnd", [&] { return SW_CheckFileRecordEnd(slot); });
        if (r < -1 && r != budget) fail("SW_CheckFileRecordEnd returned " + std::to_string(r));
    }

    void stop_recording() {
        const int slot = recording_slot();
        const long long r = call("SW_StopFileRecord", [&] { return SW_StopFileRecord(slot); });
        expect_in("SW_StopFileRecord", r, {0, -1});
        if (open && slot >= 0 && slot < kMaxBoxes) finished(slot);
    }

    void delete_recording_file() {
#ifndef _WIN32
        // The reopen at the 11th chunk then fails and the slot falls idle.
        std::vector<int> active;
        for (int s = 0; s < kMaxBoxes; ++s)
            if (!recording[s].empty() && !deleted[s]) active.push_back(s);
        if (active.empty()) return;
        const int s = active[static_cast<size_t>(pick(static_cast<int>(active.size())))];
        std::error_code ec;
        fs::remove(recording[s], ec);
        deleted[s] = true;
#endif
    }

    // --- every other export ---------------------------------------------------------
    void random_export() {
        const int s = any_slot();
        unsigned char* buf = host_buffer.data();
        char* text = reinterpret_cast<char*>(host_buffer.data());
        static const char* kCallerIdDigits = "0123456789";
        static const char* kDtmfDigits = "0123456789*#ABCD";
        switch (pick(34)) {
            case 0: expect_in("SW_LED", call("SW_LED", [&] { return SW_LED(s, chance(95) ? pick(3) : pick(7) - 2); }), {0, 1}); break;
            case 1: expect_in("SW_Reconnect", call("SW_Reconnect", [&] { return SW_Reconnect(s); }), {0, 1}); break;
            case 2: expect_in("SW_Disconnect", call("SW_Disconnect", [&] { return SW_Disconnect(s); }), {0, 1}); break;
            case 3: expect_in("SW_USBInit", call("SW_USBInit", [&] { return SW_USBInit(s); }), {0, 1}); break;
            case 4: {
                const int lengths[] = {16896, 2048, 576, 65536, pick(65537), -1};
                const int length = lengths[pick(6)];
                const int offset = chance(80) ? 0 : pick(70000);
                ledger.host_reading = true;
                expect_in("SW_Record", call("SW_Record", [&] { return SW_Record(s, offset, buf, length); }), {0, 1});
                ledger.host_reading = false;
                break;
            }
            case 5: expect_in("SW_CheckSilence", call("SW_CheckSilence", [&] { return SW_CheckSilence(s); }), {-1, 0, 1}); break;
            case 6: {
                const int length = chance(80) ? 576 : pick(66000);
                expect_in("SW_Record1", call("SW_Record1", [&] { return SW_Record1(s, chance(80) ? 0 : pick(1000), buf, length); }), {0, 1});
                break;
            }
            case 7: expect_in("SW_RecEnd", call("SW_RecEnd", [&] { return SW_RecEnd(s, buf); }), {0, 1}); break;
            case 8: expect_in("SW_OffHook", call("SW_OffHook", [&] { return SW_OffHook(s, buf); }), {0, 1}); break;
            case 9: expect_in("SW_CheckRecEnd", call("SW_CheckRecEnd", [&] { return SW_CheckRecEnd(s); }), {-1, 0, 1}); break;
            case 10: expect_in("SW_CheckOffHook", call("SW_CheckOffHook", [&] { return SW_CheckOffHook(s); }), {-1, 0, 1}); break;
            case 11: expect_in("SW_CheckDisconnect", call("SW_CheckDisconnect", [&] { return SW_CheckDisconnect(s); }), {-1, 0, 1}); break;
            case 12: expect_in("SW_CheckRing", call("SW_CheckRing", [&] { return SW_CheckRing(s); }), {-1, 0, 1}); break;
            case 13: expect_in("SW_GetCID", call("SW_GetCID", [&] { return SW_GetCID(s, 0, buf, 0); }), {0, 1}); break;
            case 14: check_digits("SW_ReceiveCID", call("SW_ReceiveCID", [&] { return SW_ReceiveCID(s, text); }), text, kCallerIdDigits); break;
            case 15: {
                const char* t = nullptr;
                call("SW_GetStrCID", [&] { t = SW_GetStrCID(s); return 0; });
                check_text("SW_GetStrCID", t, kCallerIdDigits);
                break;
            }
            case 16: expect_in("SW_GetDTMF", call("SW_GetDTMF", [&] { return SW_GetDTMF(s, 0, buf, 0); }), {0, 1}); break;
            case 17: check_digits("SW_ReceiveDTMF", call("SW_ReceiveDTMF", [&] { return SW_ReceiveDTMF(s, text); }), text, kDtmfDigits); break;
            case 18: {
                const char* t = nullptr;
                call("SW_GetStrDTMF", [&] { t = SW_GetStrDTMF(s); return 0; });
                check_text("SW_GetStrDTMF", t, kDtmfDigits);
                break;
            }
            case 19: {
                const long long sn = call("SW_GetSN", [&] { return SW_GetSN(s); });
                if (!(sn == -1 || sn == 5301 || (sn >= 5000 && sn <= 5999))) fail("SW_GetSN returned " + std::to_string(sn));
                if (!open && sn != -1) fail("SW_GetSN answered on a closed library");
                break;
            }
            case 20: expect_in("SW_SN", call("SW_SN", [&] { return SW_SN(s, buf); }), {0, 1}); break;
            case 21: expect_in("SW_test", call("SW_test", [&] { return SW_test(s, pick(3)); }), {0, 1}); break;
            case 22: {
                const long long n = call("SW_GetCount", [] { return SW_GetCount(); });
                if (open ? (n < 0 || n > kMaxBoxes) : n != -1) fail("SW_GetCount returned " + std::to_string(n));
                break;
            }
            case 23: expect_in("SW_Play", call("SW_Play", [&] { return SW_Play(s, s, s, s); }), {1}); break;
            case 24: expect_in("SW_GetInfo", call("SW_GetInfo", [&] { return SW_GetInfo(s, s); }), {1}); break;
            case 25: expect_in("SW_CIDEnd", call("SW_CIDEnd", [&] { return SW_CIDEnd(s, s); }), {1}); break;
            case 26: expect_in("SW_CIDClear", call("SW_CIDClear", [&] { return SW_CIDClear(s); }), {1}); break;
            case 27: expect_in("SW_PlayEnd", call("SW_PlayEnd", [&] { return SW_PlayEnd(s, s); }), {0}); break;
            case 28: expect_in("SW_CheckPlayEnd", call("SW_CheckPlayEnd", [&] { return SW_CheckPlayEnd(s); }), {0}); break;
            case 29: expect_in("SW_CheckCIDEnd", call("SW_CheckCIDEnd", [&] { return SW_CheckCIDEnd(s); }), {0}); break;
            case 30: expect_in("SW_StartPlay", call("SW_StartPlay", [&] { return SW_StartPlay(s, s); }), {0}); break;
            case 31: expect_in("SW_StopPlay", call("SW_StopPlay", [&] { return SW_StopPlay(s); }), {0}); break;
            case 32: expect_in("SW_StartDrv", call("SW_StartDrv", [&] { return SW_StartDrv(s, s); }), {1}); break;
            case 33: expect_in("SW_StopDrv", call("SW_StopDrv", [&] { return SW_StopDrv(s, s); }), {1}); break;
        }
    }

    void init_or_free() {
        if (!open || chance(10)) {
            expect_in("SW_Init", call("SW_Init", [] { return SW_Init(); }), {1});
            open = true;
        } else {
            expect_in("SW_Free", call("SW_Free", [] { return SW_Free(); }), {1});
            open = false;
        }
    }

    // Storms of faults alternate with calm spells, so that the library also spends
    // time recording rather than only holding off.
    static constexpr uint64_t kSpell = 2000;
    bool stormy() const { return (step / kSpell) % 2 == 1; }

    void calm_down() {
        for (int slot = 0; slot < bus().present_count(); ++slot) {
            const int id = bus().box_at(slot);
            bus().clear_faults(id);
            bus().box(id).openable = true;
        }
    }

    void one_step() {
        if (step % kSpell == 0 && !stormy()) calm_down();
        if (!open && chance(5)) return init_or_free();  // closed spells stay short
        const int roll = pick(1000);
        if (roll < 250) clock_jump();
        else if (roll < 265) plug();
        else if (roll < 280) unplug();
        else if (roll < 290) { if (stormy()) random_fault(); }
        else if (roll < 293) heal();
        else if (roll < 295) { if (stormy()) unopenable(); }
        else if (roll < 340) { const int n = bus().present_count(); if (n) random_status(bus().box_at(pick(n))); }
        else if (roll < 343) init_or_free();
        else if (roll < 358) start_recording();
        else if (roll < 560) check_recording_end();
        else if (roll < 570) stop_recording();
        else if (roll < 571) delete_recording_file();
        else random_export();
    }

    // Stops whatever still records, then every file left must be a finished recording.
    void wind_down() {
        if (!open) call("SW_Init", [] { return SW_Init(); });
        open = true;
        for (int s = 0; s < kMaxBoxes; ++s) {
            call("SW_StopFileRecord", [&] { return SW_StopFileRecord(s); });
            finished(s);
        }
        call("SW_Free", [] { return SW_Free(); });
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec)) {
#ifndef _WIN32
            if (held_open(entry.path())) fail(entry.path().filename().string() + " still open at the end");
#endif
            fail(entry.path().filename().string() + " was left behind unfinished");
        }
        fs::remove_all(dir, ec);
    }
};

TEST_F(SoakTest, RandomFaultsNeverBreakTheLibrary) {
    seed = env_number("VORNIX_SOAK_SEED", 20261208);
    const uint64_t wanted = env_number("VORNIX_SOAK_CALLS", kDefaultCalls);
    rng.seed(seed);
    // A folder of this run's own: other runs of the soak may share the machine.
    do {
        dir = fs::temp_directory_path() / ("vornix_soak_" + std::to_string(seed) + "_" +
                                           std::to_string(std::random_device{}()));
    } while (!fs::create_directories(dir));

    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < kMaxBoxes; ++i) plug();
    init_or_free();
    while (calls < wanted && !failed) {
        ++step;
        one_step();
    }
    wind_down();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    std::printf("soak: seed %llu, %llu export calls in %.1f s, %llu recordings started, %llu files and %llu chunks "
                "checked, %llu audio blocks read\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(calls), seconds,
                static_cast<unsigned long long>(starts), static_cast<unsigned long long>(files_checked),
                static_cast<unsigned long long>(chunks_checked),
                static_cast<unsigned long long>(ledger.blocks.size()));
    EXPECT_GE(calls, wanted);
    EXPECT_GT(chunks_checked, 0u) << "the walk recorded nothing; replay with VORNIX_SOAK_SEED=" << seed;
}

}  // namespace
