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

// The previous status report read from each slot in this trace file, so that a report
// that says the same again is written as a repeat (the core opens a box anew for every
// poll). Each trace file stands alone: a report of an earlier one is not known. Handles
// are mapped to their slot while open. Both tables are fixed.
struct LastReport {
    unsigned trace = 0;  // trace::trace_number() of the file it went into; 0 none
    bool ok = false;
    uint32_t size = 0;
    uint8_t bytes[kStatusReportSize];
};
LastReport g_reports[VORNIX_SLOTS];
struct OpenBox {
    Handle box = kInvalidHandle;
    int32_t slot = -1;
};
OpenBox g_open[VORNIX_SLOTS];

LastReport* report_of(Handle box) {
    for (const OpenBox& o : g_open)
        if (o.box == box && o.slot >= 0 && o.slot < VORNIX_SLOTS) return &g_reports[o.slot];
    return nullptr;
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
    for (OpenBox& o : g_open)
        if (box != kInvalidHandle && o.box == kInvalidHandle) {
            o = OpenBox{box, slot};
            break;
        }
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
        if (last && last->trace == trace::trace_number() && last->ok == ok && last->size == e.delivered &&
            std::memcmp(last->bytes, buffer, e.delivered) == 0) {
            e.type = trace::Type::ReadRepeat;
        } else if (last) {
            last->trace = trace::trace_number();
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
    for (OpenBox& o : g_open)
        if (o.box == box) o = OpenBox{};
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

// The host's recording files: the replay writes its recordings elsewhere, but what
// became of the path and of each open at the site decides the results, so those
// outcomes are traced. Positions and writes change no result and pass untraced.
namespace {
void record_file(trace::FileOperation operation, bool done) {
    trace::Event e;
    e.type = trace::Type::File;
    e.code = static_cast<uint32_t>(operation);
    e.ok = done;
    trace::record(e);
}
}  // namespace

bool absolute_path(const char* path, char* out) {
    const bool done = trace::backend::absolute_path(path, out);
    record_file(trace::FileOperation::AbsolutePath, done);
    return done;
}

std::FILE* open_file(const char* path, const char* mode) {
    std::FILE* file = trace::backend::open_file(path, mode);
    record_file(trace::file_open_operation(mode), file != nullptr);
    return file;
}

int64_t seek_to_end(std::FILE* file) { return trace::backend::seek_to_end(file); }

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
