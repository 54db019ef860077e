#include "library_state.h"

#include <new>

#include "system_port.h"

namespace vornix {

namespace {
constexpr size_t kSavedDigitBytes = kDtmfCodes + kDigitCodeCount;  // both digit code fields

// The application object: constructed when the library is loaded, destroyed when it
// is unloaded.
Library g_library;

StatusRecord initial_saved_record() {
    StatusRecord r;
    for (size_t i = 0; i < r.size(); ++i) r[i] = i < kSavedDigitBytes ? kEmptyCode : kFlagClear;
    return r;
}
}  // namespace

const char kEmptyText[1] = {'\0'};

Library& lib() { return g_library; }

void reset_tables() {
    Library& l = lib();
    SlotTables& t = l.slots;
    t.chunk_counter.fill(0);
    t.poll_counter.fill(0);
    t.audio_guard_flag.fill(0);
    t.last_disconnect.fill(1);
    t.cache_stamp.fill(0);
    t.cache_flag.fill(0);
    t.saved_status.fill(initial_saved_record());
    l.normal = 0;
    l.holdoff_start = 0;
    l.holdoff_length = 0;
}

void reload_for_tests() {
    Library& l = lib();
    if (l.notify_window) port::destroy_notify_window(l.notify_window);
    for (std::FILE*& f : l.slots.recording_file) {
        if (f) std::fclose(f);
        f = nullptr;
    }
    l.~Library();
    new (&l) Library();
}

}  // namespace vornix
