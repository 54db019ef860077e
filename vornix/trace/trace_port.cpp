// The port as the core sees it in the traced library: each request goes on to the
// backends underneath and is written to the trace with its answer.
#include <cstring>

#include "backend_calls.h"
#include "device_port.h"
#include "linebox_protocol.h"
#include "system_port.h"
#include "trace_recorder.h"

namespace vornix::port {

namespace {

// The previous status report of each open box, so that a report that says the same
// again is written as a repeat. Boxes are few; the table is fixed.
struct LastReport {
    Handle box = kInvalidHandle;
    bool ok = false;
    uint32_t size = 0;
    uint8_t bytes[kStatusReportSize];
};
LastReport g_reports[VORNIX_SLOTS];

LastReport* report_of(Handle box) {
    LastReport* free_entry = nullptr;
    for (LastReport& r : g_reports) {
        if (r.box == box) return &r;
        if (!free_entry && r.box == kInvalidHandle) free_entry = &r;
    }
    if (free_entry) free_entry->box = box, free_entry->size = UINT32_MAX;
    return free_entry;
}

HotplugHandler g_core_handler = nullptr;

void on_hotplug(bool arrived) {
    trace::Event e;
    e.type = trace::Type::Hotplug;
    e.hotplug = arrived ? 0 : 1;
    trace::record(e);
    if (g_core_handler) g_core_handler(arrived ? HotplugEvent::Arrived : HotplugEvent::Left);
}

}  // namespace

Handle open_box(int32_t slot, char* path) {
    const Handle box = trace::backend::open_box(slot, path);
    trace::Event e;
    e.type = trace::Type::Open;
    e.slot = slot;
    e.value = box;
    e.ok = path != nullptr;
    if (path) {
        e.bytes = reinterpret_cast<const uint8_t*>(path);
        e.byte_count = static_cast<uint32_t>(strnlen(path, kPathRecordSize));
    }
    trace::record(e);
    return box;
}

bool control(Handle box, uint32_t code, const void* in, uint32_t in_size) {
    const bool ok = trace::backend::control(box, code, in, in_size);
    trace::Event e;
    e.type = trace::Type::Control;
    e.value = box;
    e.code = code;
    e.ok = ok;
    e.bytes = static_cast<const uint8_t*>(in);
    e.byte_count = in ? in_size : 0;
    trace::record(e);
    return ok;
}

bool read(Handle box, void* buffer, uint32_t size, uint32_t* got) {
    const bool ok = trace::backend::read(box, buffer, size, got);
    trace::Event e;
    e.value = box;
    e.asked = size;
    e.ok = ok;
    e.delivered = ok ? *got : 0;
    e.bytes = static_cast<const uint8_t*>(buffer);
    e.byte_count = e.delivered;
    e.type = trace::Type::Read;
    if (size == kStatusReportSize && e.delivered <= kStatusReportSize) {
        LastReport* last = report_of(box);
        if (last && last->ok == ok && last->size == e.delivered && std::memcmp(last->bytes, buffer, e.delivered) == 0) {
            e.type = trace::Type::ReadRepeat;
        } else if (last) {
            last->ok = ok;
            last->size = e.delivered;
            std::memcpy(last->bytes, buffer, e.delivered);
        }
    } else if (trace::audio_summarized()) {
        e.type = trace::Type::ReadSummary;
        e.code = trace::checksum(e.bytes, e.delivered);
    }
    trace::record(e);
    return ok;
}

void close(Handle box) {
    trace::backend::close(box);
    for (LastReport& r : g_reports)
        if (r.box == box) r.box = kInvalidHandle;
    trace::Event e;
    e.type = trace::Type::Close;
    e.value = box;
    trace::record(e);
}

int32_t clock_ms() {
    const int32_t now = trace::backend::clock_ms();
    trace::Event e;
    e.type = trace::Type::Clock;
    e.value = now;
    trace::record(e);
    return now;
}

void catch_up() { trace::backend::catch_up(); }

void opening() { trace::backend::opening(); }

void set_last_error(uint32_t code) {
    trace::backend::set_last_error(code);
    trace::note_last_error(code);
    trace::Event e;
    e.type = trace::Type::LastError;
    e.code = code;
    trace::record(e);
}

bool is_nt51() {
    const bool nt51 = trace::backend::is_nt51();
    trace::note_version(nt51);
    trace::Event e;
    e.type = trace::Type::Version;
    e.ok = nt51;
    trace::record(e);
    return nt51;
}

void* create_notify_window(HotplugHandler handler) {
    g_core_handler = handler;
    void* window = trace::backend::create_notify_window(on_hotplug);
    trace::Event e;
    e.type = trace::Type::WindowCreated;
    e.ok = window != nullptr;
    trace::record(e);
    return window;
}

void destroy_notify_window(void* window) {
    trace::backend::destroy_notify_window(window);
    trace::Event e;
    e.type = trace::Type::WindowDestroyed;
    trace::record(e);
}

}  // namespace vornix::port
