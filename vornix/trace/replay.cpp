// The port of the replaying library: each request takes the trace's next record, which
// must be the same request; the traced answer is handed back.
#include "replay.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "device_port.h"
#include "linebox_protocol.h"
#include "export_list.h"
#include "system_port.h"
#include "trace_text.h"

namespace vornix::trace {

namespace {

class Replayer {
public:
    explicit Replayer(const TraceFile& t) : t_(t) {}

    // The record that answers a request of `type`, or null: the trace has ended, or
    // has something else next (then the difference is kept).
    template <class Same>
    const Event* answer(Type type, const Event& asked, Same same) {
        if (closing_) return nullptr;
        deliver_hotplug();
        if (!difference_.empty() || ended_) return nullptr;
        if (pos_ == t_.events.size()) { ended_ = true; return nullptr; }
        const Event& e = t_.events[pos_];
        const bool read_kind = type == Type::Read && (e.type == Type::ReadRepeat || e.type == Type::ReadSummary);
        if ((e.type != type && !read_kind) || !same(e)) {
            differ(describe(e, false), describe(asked, false));
            return nullptr;
        }
        ++pos_;
        ++requests_;
        return &e;
    }

    void differ(const std::string& expected, const std::string& got) {
        if (!difference_.empty()) return;
        difference_ = "difference at record " + std::to_string(pos_ + 1) + ": expected " + expected + ", got " + got;
        if (call_record_) difference_ += "\n  in the call of record " + std::to_string(call_record_);
        if (report_record_) difference_ += ", its last status report from record " + std::to_string(report_record_);
    }

    // Hot-plug events reach the library where the trace has them: between calls, or
    // as an export lets the world catch up.
    void deliver_hotplug() {
        while (!closing_ && pos_ < t_.events.size() && difference_.empty()) {
            // The library asks the version once per process: an answer it has already
            // had in an earlier session of this process is not asked again.
            if (t_.events[pos_].type == Type::Version && version_known_) { ++pos_; continue; }
            if (t_.events[pos_].type != Type::Hotplug) break;
            const bool arrived = t_.events[pos_].hotplug == 0;
            ++pos_;
            ++hotplugs_;
            if (handler_) handler_(arrived ? port::HotplugEvent::Arrived : port::HotplugEvent::Left);
        }
    }

    bool traced_version() const {
        for (const Event& e : t_.events)
            if (e.type == Type::Version) return e.ok;
        return false;
    }

    const TraceFile& t_;
    size_t pos_ = 0;
    size_t call_record_ = 0, report_record_ = 0;
    unsigned calls_ = 0, requests_ = 0, hotplugs_ = 0;
    bool ended_ = false;
    bool closing_ = false;
    bool version_known_ = false;  // the replay is over; the library is closed unheard
    std::string difference_;
    port::HotplugHandler handler_ = nullptr;
    uint32_t last_error_ = 0;
    std::map<port::Handle, int32_t> slots_;            // open handles and their slot
    std::map<int32_t, std::vector<uint8_t>> reports_;  // the previous status report per slot
    std::string scratch_;
    unsigned files_ = 0;
};

Replayer* g_replay = nullptr;

// The arguments of a traced call, as the site passed them: numbers as traced, a null
// pointer null, a buffer given as one the library may fill, an empty path empty, any
// other path turned into a file of the scratch folder (what became of the site's file
// comes from the trace).
struct CallArguments {
    const Event& call;
    std::vector<std::vector<uint8_t>> buffers;
    std::string path;

    template <class T>
    T get(int i) {
        if constexpr (std::is_same_v<T, int>) {
            return call.args[i];
        } else if constexpr (std::is_same_v<T, const char*>) {
            if (!call.args[i]) return nullptr;
            if (call.byte_count == 0) return "";
            path = g_replay->scratch_ + "/call-" + std::to_string(++g_replay->files_) + ".wav";
            return path.c_str();
        } else {
            if (!call.args[i]) return nullptr;
            // Room for any offset plus length the call names.
            size_t room = 65536;
            for (int k = 0; k < call.argc; ++k)
                if (call.args[k] > 0) room += static_cast<size_t>(call.args[k]);
            buffers.emplace_back(room);
            return reinterpret_cast<T>(buffers.back().data());
        }
    }
};

struct Result {
    int64_t value;
    std::string text;
};
Result result_of(int v) { return {v, ""}; }
Result result_of(vx_bool v) { return {v, ""}; }
Result result_of(const char* v) { return {v != nullptr, v ? v : ""}; }

template <class R, class... A, size_t... I>
Result invoke(R(VORNIX_CALL* f)(A...), CallArguments& a, std::index_sequence<I...>) {
    return result_of(f(a.template get<A>(static_cast<int>(I))...));
}

template <class R, class... A>
bool call(R(VORNIX_CALL* f)(A...), const Event& e, Result& out) {
    if (e.argc != sizeof...(A)) return false;
    CallArguments a{e, {}, {}};
    out = invoke(f, a, std::index_sequence_for<A...>{});
    return true;
}

bool dispatch(const Event& e, Result& out) {
#define VORNIX_REPLAY_CASE(name, ordinal, result, params, args) \
    case ordinal: return call(&name, e, out);
    switch (e.ordinal) {
        VORNIX_EXPORT_LIST(VORNIX_REPLAY_CASE)
    }
    return false;
}

}  // namespace

ReplayOutcome replay(const TraceFile& t, const std::string& scratch_folder, bool after_earlier, bool more_follow) {
    Replayer r(t);
    r.scratch_ = scratch_folder;
    g_replay = &r;
    r.version_known_ = after_earlier;
    if (t.header.session > 1 && !after_earlier) {
        // A later session of its process: the library had been opened before, without
        // boxes as far as this trace is concerned, and had asked the version.
        r.closing_ = true;
        SW_Init();
        SW_Free();
        r.closing_ = false;
        r.version_known_ = true;
    }
    while (r.difference_.empty() && !r.ended_) {
        r.deliver_hotplug();
        if (r.pos_ == t.events.size()) break;
        const Event& e = t.events[r.pos_];
        if (e.type != Type::Call) {
            r.differ(describe(e, false), "no request between two calls");
            break;
        }
        r.call_record_ = ++r.pos_;
        r.report_record_ = 0;
        ++r.calls_;
        Result got{};
        if (!dispatch(e, got)) {
            r.differ(describe(e), "a call the library does not have");
            break;
        }
        if (!r.difference_.empty() || r.ended_) break;
        if (r.pos_ == t.events.size()) { r.ended_ = true; break; }
        const Event& ret = t.events[r.pos_];
        Event mine = ret;
        mine.type = Type::Return;
        mine.ordinal = e.ordinal;
        mine.value = got.value;
        mine.code = r.last_error_;
        mine.bytes = reinterpret_cast<const uint8_t*>(got.text.data());
        mine.byte_count = static_cast<uint32_t>(got.text.size());
        const bool same = ret.type == Type::Return && ret.ordinal == mine.ordinal && ret.value == mine.value &&
                          ret.code == mine.code && ret.byte_count == mine.byte_count &&
                          (mine.byte_count == 0 || std::memcmp(ret.bytes, mine.bytes, mine.byte_count) == 0);
        if (!same) {
            r.differ(describe(ret), describe(mine));
            break;
        }
        ++r.pos_;
    }
    // A replay that stopped inside the traced session leaves the library open: the
    // next replay in this process must start from a closed library, as a process does.
    r.closing_ = true;
    if (!more_follow) SW_Free();
    g_replay = nullptr;
    ReplayOutcome out;
    out.clean = r.difference_.empty();
    if (!out.clean) {
        out.report = r.difference_;
        return out;
    }
    out.report = "replay clean: " + std::to_string(r.pos_) + " records, " + std::to_string(r.calls_) + " calls, " +
                 std::to_string(r.requests_) + " port requests, " + std::to_string(r.hotplugs_) + " hot-plug events";
    const std::string end = ending(t);
    if (!end.empty()) out.report += "\n" + end;
    return out;
}

}  // namespace vornix::trace

// The replay's own file services, on the scratch folder's files: the POSIX ones, built
// under this name (vornix/CMakeLists.txt).
namespace vornix::replay_files {
bool absolute_path(const char* path, char* out);
std::FILE* open_file(const char* path, const char* mode);
int64_t seek_to_end(std::FILE* file);
}  // namespace vornix::replay_files

// The port, answered from the trace being replayed.
namespace vornix::port {

using trace::Event;
using trace::Type;
using trace::g_replay;

namespace {
bool any(const Event&) { return true; }
}  // namespace

Handle open_box(int32_t slot, char* path) {
    if (path) path[0] = '\0';
    Event asked;
    asked.type = Type::Open;
    asked.slot = slot;
    asked.ok = path != nullptr;
    const Event* e = g_replay->answer(Type::Open, asked, [&](const Event& t) { return t.slot == slot && t.ok == asked.ok; });
    if (!e) return kInvalidHandle;
    if (e->value != kInvalidHandle) g_replay->slots_[static_cast<Handle>(e->value)] = slot;
    if (path && e->byte_count > 0 && e->byte_count < kPathRecordSize) {
        std::memcpy(path, e->bytes, e->byte_count);
        path[e->byte_count] = '\0';
    }
    return static_cast<Handle>(e->value);
}

bool control(Handle box, uint32_t code, const void* in, uint32_t in_size) {
    Event asked;
    asked.type = Type::Control;
    asked.value = box;
    asked.code = code;
    asked.bytes = static_cast<const uint8_t*>(in);
    asked.byte_count = in ? in_size : 0;
    const Event* e = g_replay->answer(Type::Control, asked, [&](const Event& t) {
        return t.value == box && t.code == code && t.byte_count == asked.byte_count &&
               (asked.byte_count == 0 || std::memcmp(t.bytes, in, asked.byte_count) == 0);
    });
    return e && e->ok;
}

bool read(Handle box, void* buffer, uint32_t size, uint32_t* got) {
    *got = 0;
    Event asked;
    asked.type = Type::Read;
    asked.value = box;
    asked.asked = size;
    const Event* e = g_replay->answer(Type::Read, asked, [&](const Event& t) { return t.value == box && t.asked == size; });
    if (!e || e->delivered > size) return false;
    const auto open = g_replay->slots_.find(box);
    std::vector<uint8_t>& last = g_replay->reports_[open == g_replay->slots_.end() ? -1 : open->second];
    if (e->delivered == 0) {
        if (e->type == Type::Read && size == kStatusReportSize) last.clear();
    } else if (e->type == Type::Read) {
        std::memcpy(buffer, e->bytes, e->delivered);
        if (size == kStatusReportSize) last.assign(e->bytes, e->bytes + e->delivered);
    } else if (e->type == Type::ReadRepeat) {
        if (!last.empty()) std::memcpy(buffer, last.data(), std::min<size_t>(last.size(), e->delivered));
    } else {
        std::memset(buffer, 0, e->delivered);  // audio kept as a checksum only
    }
    if (size == kStatusReportSize) g_replay->report_record_ = g_replay->pos_;
    *got = e->delivered;
    return e->ok;
}

void close(Handle box) {
    Event asked;
    asked.type = Type::Close;
    asked.value = box;
    g_replay->answer(Type::Close, asked, [&](const Event& t) { return t.value == box; });
    g_replay->slots_.erase(box);
}

int32_t clock_ms() {
    Event asked;
    asked.type = Type::Clock;
    const Event* e = g_replay->answer(Type::Clock, asked, any);
    return e ? static_cast<int32_t>(e->value) : 0;
}

namespace local = vornix::replay_files;

namespace {
// True when a recording's file operation succeeded at the site. A version 1 trace did
// not keep the outcome: there the replay's own operation alone decides.
bool done_at_site(trace::FileOperation operation) {
    if (g_replay->t_.header.version < 2) return true;
    Event asked;
    asked.type = Type::File;
    asked.code = static_cast<uint32_t>(operation);
    const Event* e = g_replay->answer(Type::File, asked, [&](const Event& t) { return t.code == asked.code; });
    return e && e->ok;
}
}  // namespace

bool absolute_path(const char* path, char* out) {
    if (done_at_site(trace::FileOperation::AbsolutePath)) return local::absolute_path(path, out);
    out[0] = '\0';
    return false;
}

std::FILE* open_file(const char* path, const char* mode) {
    return done_at_site(trace::file_open_operation(mode)) ? local::open_file(path, mode) : nullptr;
}

int64_t seek_to_end(std::FILE* file) { return local::seek_to_end(file); }

void catch_up() { g_replay->deliver_hotplug(); }

void opening() {}

void set_last_error(uint32_t code) {
    g_replay->last_error_ = code;
    Event asked;
    asked.type = Type::LastError;
    asked.code = code;
    g_replay->answer(Type::LastError, asked, [&](const Event& t) { return t.code == code; });
}

bool is_nt51() {
    Event asked;
    asked.type = Type::Version;
    if (g_replay->closing_) return g_replay->traced_version();
    const Event* e = g_replay->answer(Type::Version, asked, any);
    g_replay->version_known_ = true;
    return e && e->ok;
}

void* create_notify_window(HotplugHandler handler) {
    Event asked;
    asked.type = Type::WindowCreated;
    const Event* e = g_replay->answer(Type::WindowCreated, asked, any);
    if (!e || !e->ok) return nullptr;
    g_replay->handler_ = handler;
    return &g_replay->handler_;
}

void destroy_notify_window(void* window) {
    Event asked;
    asked.type = Type::WindowDestroyed;
    g_replay->answer(Type::WindowDestroyed, asked, any);
    if (window) g_replay->handler_ = nullptr;
}

}  // namespace vornix::port
