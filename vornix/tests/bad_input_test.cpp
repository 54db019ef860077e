// Hostile arguments to every export: slots outside 0..63, null output pointers, read
// ranges past 65,536 (also those that wrap in 32 bits), unusable recording paths and
// LED modes at both ends. Each row names the result and the last error it must give,
// and whether the call may touch a box at all.
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kUntouched = 0xC0FFEEu;  // last error planted before each call
// A failed file open may leave the C runtime's own last error on Windows; the library
// sets none for it.
#ifdef _WIN32
constexpr uint32_t kFileOpenError = 0;  // not checked
#else
constexpr uint32_t kFileOpenError = kUntouched;
#endif

// What the library looks like when the row runs.
enum class Scene {
    Open,     // open, one box at slot 0, no hold-off
    HoldOff,  // open, one box, a recovery hold-off running
    Closed,   // one box, the library opened and closed again
};

struct Row {
    std::string name;
    Scene scene;
    std::function<long long()> call;
    long long result;
    uint32_t error;      // 0: not checked
    bool box_touched;    // false: the call must not open any box
};

// 64 KiB plus room: the largest read any row may ask for.
unsigned char g_buffer[65536 + 64];

long long text_length(const char* text) { return text ? static_cast<long long>(std::strlen(text)) : -999; }

fs::path scratch_dir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "vornix_bad_input";
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// Every export that takes a slot, with the failure value of its result type.
struct SlotExport {
    const char* name;
    std::function<long long(int slot)> call;
    long long failure;
    bool guarded;  // held off: answers success before looking at the slot
};

std::vector<SlotExport> slot_exports() {
    unsigned char* b = g_buffer;
    char* text = reinterpret_cast<char*>(g_buffer);
    return {
        {"SW_LED", [](int s) { return SW_LED(s, VORNIX_LED_OFF); }, 0, true},
        {"SW_Reconnect", [](int s) { return SW_Reconnect(s); }, 0, true},
        {"SW_Disconnect", [](int s) { return SW_Disconnect(s); }, 0, true},
        {"SW_USBInit", [](int s) { return SW_USBInit(s); }, 0, false},
        {"SW_Record", [b](int s) { return SW_Record(s, 0, b, 16896); }, 0, true},
        {"SW_Record1", [b](int s) { return SW_Record1(s, 0, b, 576); }, 0, true},
        {"SW_CheckSilence", [](int s) { return SW_CheckSilence(s); }, -1, false},
        {"SW_RecEnd", [b](int s) { return SW_RecEnd(s, b); }, 0, false},
        {"SW_OffHook", [b](int s) { return SW_OffHook(s, b); }, 0, false},
        {"SW_CheckRecEnd", [](int s) { return SW_CheckRecEnd(s); }, -1, false},
        {"SW_CheckOffHook", [](int s) { return SW_CheckOffHook(s); }, -1, false},
        {"SW_CheckDisconnect", [](int s) { return SW_CheckDisconnect(s); }, -1, false},
        {"SW_CheckRing", [](int s) { return SW_CheckRing(s); }, -1, false},
        {"SW_GetCID", [b](int s) { return SW_GetCID(s, 0, b, 0); }, 0, false},
        {"SW_ReceiveCID", [text](int s) { return SW_ReceiveCID(s, text); }, -1, false},
        {"SW_GetStrCID", [](int s) { return text_length(SW_GetStrCID(s)); }, 0, false},
        {"SW_GetDTMF", [b](int s) { return SW_GetDTMF(s, 0, b, 0); }, 0, false},
        {"SW_ReceiveDTMF", [text](int s) { return SW_ReceiveDTMF(s, text); }, -1, false},
        {"SW_GetStrDTMF", [](int s) { return text_length(SW_GetStrDTMF(s)); }, 0, false},
        {"SW_StartFileRecord",
         [](int s) { return SW_StartFileRecord(s, (scratch_dir() / "slot.wav").string().c_str(), 0); }, -1, false},
        {"SW_StopFileRecord", [](int s) { return SW_StopFileRecord(s); }, -1, false},
        {"SW_CheckFileRecordEnd", [](int s) { return SW_CheckFileRecordEnd(s); }, -1, false},
        {"SW_GetSN", [](int s) { return SW_GetSN(s); }, -1, false},
        {"SW_SN", [b](int s) { return SW_SN(s, b); }, 0, false},
        {"SW_test", [](int s) { return SW_test(s, 0); }, 0, false},
    };
}

std::vector<Row> slot_rows() {
    std::vector<Row> rows;
    for (int slot : {-1, 64, INT_MAX, INT_MIN}) {
        for (const SlotExport& e : slot_exports()) {
            const std::string name = std::string(e.name) + " slot " + std::to_string(slot);
            auto call = [f = e.call, slot] { return f(slot); };
            rows.push_back({name, Scene::Open, call, e.failure, kBadArgument, false});
            // "Not open" comes before the slot check.
            rows.push_back({name + " closed", Scene::Closed, call, e.failure, kNotOpen, false});
            if (e.guarded) rows.push_back({name + " held off", Scene::HoldOff, call, 1, kUntouched, false});
        }
    }
    return rows;
}

std::vector<Row> pointer_rows() {
    // Null output pointers on a good slot: refused before anything is polled or reset.
    return {
        {"SW_Record null buffer", Scene::Open, [] { return SW_Record(0, 0, nullptr, 16896); }, 0, kBadArgument, false},
        {"SW_Record1 null buffer", Scene::Open, [] { return SW_Record1(0, 0, nullptr, 576); }, 0, kBadArgument, false},
        {"SW_RecEnd null flag", Scene::Open, [] { return SW_RecEnd(0, nullptr); }, 0, kBadArgument, false},
        {"SW_OffHook null flag", Scene::Open, [] { return SW_OffHook(0, nullptr); }, 0, kBadArgument, false},
        {"SW_GetCID null codes", Scene::Open, [] { return SW_GetCID(0, 0, nullptr, 0); }, 0, kBadArgument, false},
        {"SW_GetDTMF null codes", Scene::Open, [] { return SW_GetDTMF(0, 0, nullptr, 0); }, 0, kBadArgument, false},
        {"SW_ReceiveCID null digits", Scene::Open, [] { return SW_ReceiveCID(0, nullptr); }, -1, kBadArgument, false},
        {"SW_ReceiveDTMF null digits", Scene::Open, [] { return SW_ReceiveDTMF(0, nullptr); }, -1, kBadArgument, false},
        {"SW_SN null code", Scene::Open, [] { return SW_SN(0, nullptr); }, 0, kBadArgument, false},
    };
}

std::vector<Row> range_rows() {
    // (offset, length) pairs whose unsigned sum passes 65,536; several wrap to a small
    // number in 32 bits.
    const std::vector<std::pair<int, int>> ranges = {
        {1, 65536}, {60000, 6000}, {65536, 1}, {0, 65537}, {-1, 1}, {1, -1}, {0, -1},
        {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MAX, 2}, {-65536, 65536}};
    std::vector<Row> rows;
    for (auto [offset, length] : ranges) {
        const std::string args = " offset " + std::to_string(offset) + " length " + std::to_string(length);
        rows.push_back({"SW_Record" + args, Scene::Open,
                        [=] { return SW_Record(0, offset, g_buffer, length); }, 0, kBadArgument, false});
        rows.push_back({"SW_Record1" + args, Scene::Open,
                        [=] { return SW_Record1(0, offset, g_buffer, length); }, 0, kBadArgument, false});
        rows.push_back({"SW_Record1" + args + " held off", Scene::HoldOff,
                        [=] { return SW_Record1(0, offset, g_buffer, length); }, 1, kUntouched, false});
    }
    // The edges that are still inside the window reach the box.
    rows.push_back({"SW_Record offset 0 length 65536", Scene::Open,
                    [] { return SW_Record(0, 0, g_buffer, 65536); }, 1, kUntouched, true});
    rows.push_back({"SW_Record1 offset 60000 length 5536", Scene::Open,
                    [] { return SW_Record1(0, 60000, g_buffer, 5536); }, 1, kUntouched, true});
    return rows;
}

std::vector<Row> path_rows() {
    auto start = [](std::string path) {
        return [path] { return static_cast<long long>(SW_StartFileRecord(0, path.c_str(), 16384)); };
    };
    const std::string too_long = (scratch_dir() / std::string(5000, 'a')).string() + ".wav";
    const std::string missing_folder = (scratch_dir() / "no such folder" / "call.wav").string();
    const std::string a_folder = scratch_dir().string();
    return {
        {"SW_StartFileRecord null path", Scene::Open, [] { return SW_StartFileRecord(0, nullptr, 16384); }, -1, kBadArgument, false},
        {"SW_StartFileRecord empty path", Scene::Open, start(""), -1, kBadArgument, false},
        // The box is reconnected before the file is tried; the start then fails.
        {"SW_StartFileRecord 5000-character path", Scene::Open, start(too_long), -1, kFileOpenError, true},
        {"SW_StartFileRecord path in a missing folder", Scene::Open, start(missing_folder), -1, kFileOpenError, true},
        {"SW_StartFileRecord path that is a folder", Scene::Open, start(a_folder), -1, kFileOpenError, true},
    };
}

std::vector<Row> led_rows() {
    std::vector<Row> rows;
    for (int mode : {-1, 3, INT_MIN, INT_MAX}) {
        const std::string name = "SW_LED mode " + std::to_string(mode);
        auto call = [mode] { return static_cast<long long>(SW_LED(0, mode)); };
        rows.push_back({name, Scene::Open, call, 0, kBadArgument, false});
        rows.push_back({name + " held off", Scene::HoldOff, call, 1, kUntouched, false});
    }
    return rows;
}

// The exports that do nothing answer their constant to anything.
std::vector<Row> noop_rows() {
    std::vector<Row> rows;
    for (int v : {-1, 64, INT_MIN, INT_MAX}) {
        const std::string a = " " + std::to_string(v);
        rows.push_back({"SW_Play" + a, Scene::Open, [v] { return SW_Play(v, v, v, v); }, 1, kUntouched, false});
        rows.push_back({"SW_GetInfo" + a, Scene::Open, [v] { return SW_GetInfo(v, v); }, 1, kUntouched, false});
        rows.push_back({"SW_CIDEnd" + a, Scene::Open, [v] { return SW_CIDEnd(v, v); }, 1, kUntouched, false});
        rows.push_back({"SW_CIDClear" + a, Scene::Open, [v] { return SW_CIDClear(v); }, 1, kUntouched, false});
        rows.push_back({"SW_StartDrv" + a, Scene::Open, [v] { return SW_StartDrv(v, v); }, 1, kUntouched, false});
        rows.push_back({"SW_StopDrv" + a, Scene::Open, [v] { return SW_StopDrv(v, v); }, 1, kUntouched, false});
        rows.push_back({"SW_PlayEnd" + a, Scene::Open, [v] { return SW_PlayEnd(v, v); }, 0, kUntouched, false});
        rows.push_back({"SW_StartPlay" + a, Scene::Open, [v] { return SW_StartPlay(v, v); }, 0, kUntouched, false});
        rows.push_back({"SW_StopPlay" + a, Scene::Open, [v] { return SW_StopPlay(v); }, 0, kUntouched, false});
        rows.push_back({"SW_CheckPlayEnd" + a, Scene::Open, [v] { return SW_CheckPlayEnd(v); }, 0, kUntouched, false});
        rows.push_back({"SW_CheckCIDEnd" + a, Scene::Open, [v] { return SW_CheckCIDEnd(v); }, 0, kUntouched, false});
    }
    return rows;
}

class BadInputTest : public LineBoxTest {
protected:
    void enter(Scene scene) {
        open_with_boxes(1);
        if (scene == Scene::Closed) SW_Free();
        if (scene == Scene::HoldOff) {
            // A rejected LED request recovers the box and holds every guarded export off.
            bus().set_fault(ids[0], vornix::sim::Fault::RequestRejected, vornix::IOCTL_LINEBOX_LED_1, 1);
            ASSERT_EQ(SW_LED(0, VORNIX_LED_1), 1);
            bus().advance(10);
        }
        bus().reset_counters();
    }
};

TEST_F(BadInputTest, EveryHostileArgumentIsRefusedAsTheRowSays) {
    std::vector<Row> rows;
    for (auto part : {slot_rows(), pointer_rows(), range_rows(), path_rows(), led_rows(), noop_rows()})
        rows.insert(rows.end(), part.begin(), part.end());
    ASSERT_GT(rows.size(), 150u);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        runner::fresh_library();
        ids.clear();
        enter(row.scene);
        runner::set_last_error(kUntouched);
        long long result = 0;
        try {
            result = row.call();
        } catch (...) {
            ADD_FAILURE() << "an exception left the export";
            continue;
        }
        EXPECT_EQ(result, row.result);
        if (row.error != 0) {
            EXPECT_EQ(runner::last_error(), row.error);
        }
        if (!row.box_touched) {
            EXPECT_EQ(bus().counters().open_attempts, 0) << "a box was opened";
        }
        EXPECT_EQ(bus().counters().open_handles, 0);
        SW_Free();
    }
}

TEST_F(BadInputTest, RefusedNullOutputsConsumeNoDigits) {
    ids.push_back(bus().plug_silently());
    bus().set_status(ids[0], vornix::sim::StatusRecord::valid().caller_id("123").dtmf("45"));
    ASSERT_EQ(SW_Init(), 1);
    ASSERT_EQ(SW_CheckRing(0), 0);  // fills the status cache
    EXPECT_EQ(SW_ReceiveCID(0, nullptr), -1);
    EXPECT_EQ(SW_ReceiveDTMF(0, nullptr), -1);
    bus().reset_counters();
    EXPECT_STREQ(SW_GetStrCID(0), "123");
    EXPECT_STREQ(SW_GetStrDTMF(0), "45");
    EXPECT_EQ(bus().counters().open_attempts, 0) << "answered from the status cache";
}

TEST_F(BadInputTest, FailedStartLeavesTheSlotIdleAndCreatesNothing) {
    open_with_boxes(1);
    const fs::path missing = scratch_dir() / "no such folder";
    for (const std::string& path : {(missing / "call.wav").string(), scratch_dir().string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(SW_StartFileRecord(0, path.c_str(), 16384), -1);
        EXPECT_EQ(SW_CheckFileRecordEnd(0), -1);
        EXPECT_EQ(SW_StopFileRecord(0), -1);
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(fs::is_directory(scratch_dir()));
}

TEST_F(BadInputTest, OutOfRangeSlotsLeaveSlotZeroAlone) {
    // A slot past the tables must not land in a neighbouring entry of another table.
    ids.push_back(bus().plug_silently());
    bus().set_status(ids[0], vornix::sim::StatusRecord::valid().caller_id("5551234").serial(5123));
    ASSERT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetSN(0), 5123);
    for (int slot : {-1, 64, 65, 127, 128}) {
        SW_test(slot, 0);
        SW_GetStrCID(slot);
        char digits[16];
        SW_ReceiveCID(slot, digits);
        SW_CheckFileRecordEnd(slot);
        SW_Record(slot, 0, g_buffer, 576);
    }
    bus().reset_counters();
    EXPECT_STREQ(SW_GetStrCID(0), "5551234");
    EXPECT_EQ(SW_GetSN(0), 5123);
    EXPECT_EQ(bus().counters().open_attempts, 0) << "slot 0's status cache was disturbed";
}

TEST_F(BadInputTest, ABoxWhosePathDoesNotFitAPathRecordIsNeverOpened) {
    ids.push_back(bus().plug_silently());
    ids.push_back(bus().plug_silently("\\\\?\\usb#" + std::string(5000, 'x')));
    ids.push_back(bus().plug_silently());
    ASSERT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 1) << "the count ends before the box that does not fit";
    bus().reset_counters();
    EXPECT_EQ(SW_CheckRing(1), -1);
    EXPECT_TRUE(bus().box(ids[1]).counters.requests.empty()) << "no request reaches that box";
    EXPECT_EQ(SW_CheckRing(0), 0) << "slot 0 answers while the recovery holds off";
    SW_Free();
}

}  // namespace
