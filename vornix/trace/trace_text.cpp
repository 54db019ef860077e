#include "trace_text.h"

#include <cstdio>

#include "export_list.h"

namespace vornix::trace {

namespace {

std::string hex(const uint8_t* bytes, uint32_t n, uint32_t shown) {
    std::string s;
    char b[4];
    for (uint32_t i = 0; i < n && i < shown; ++i) {
        std::snprintf(b, sizeof b, i ? " %02x" : "%02x", bytes[i]);
        s += b;
    }
    if (n > shown) s += " ...";
    return s;
}

std::string number(const char* format, long long v) {
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

std::string text(const Event& e) { return std::string(reinterpret_cast<const char*>(e.bytes), e.byte_count); }

}  // namespace

std::string export_name(uint16_t ordinal) {
#define VORNIX_EXPORT_NAME(name, ord, result, params, args) \
    if (ordinal == ord) return #name;
    VORNIX_EXPORT_LIST(VORNIX_EXPORT_NAME)
    return number("#%lld", ordinal);
}

std::string describe(const Event& e, bool with_answer) {
    std::string s;
    switch (e.type) {
    case Type::Call:
        s = export_name(e.ordinal) + "(";
        for (int i = 0; i < e.argc; ++i) s += (i ? ", " : "") + number("%lld", e.args[i]);
        s += ")";
        if (e.byte_count) s += " \"" + text(e) + "\"";
        return s;
    case Type::Return:
        s = export_name(e.ordinal) + " returned " + number("%lld", e.value);
        if (e.byte_count) s += " \"" + text(e) + "\"";
        return s + ", last error " + number("%lld", e.code);
    case Type::Open:
        s = "open slot " + number("%lld", e.slot) + (e.ok ? "" : " (no path wanted)");
        if (!with_answer) return s;
        s += e.value == -1 ? ": none" : ": box " + number("%lld", e.value);
        return e.byte_count ? s + ", " + text(e) : s;
    case Type::Control:
        s = "control " + number("0x%llx", e.code) + " to box " + number("%lld", e.value);
        if (e.byte_count) s += " [" + hex(e.bytes, e.byte_count, 16) + "]";
        return with_answer ? s + (e.ok ? ": done" : ": refused") : s;
    case Type::Read:
    case Type::ReadRepeat:
    case Type::ReadSummary:
        s = "read " + number("%lld", e.asked) + " bytes from box " + number("%lld", e.value);
        if (!with_answer) return s;
        if (!e.ok) return s + ": failed";
        s += ": " + number("%lld", e.delivered) + " bytes";
        if (e.type == Type::ReadRepeat) return s + ", the previous report again";
        if (e.type == Type::ReadSummary) return s + number(", checksum %08llx", e.code);
        return s + " [" + hex(e.bytes, e.byte_count, 8) + "]";
    case Type::Close: return "close box " + number("%lld", e.value);
    case Type::Clock: return with_answer ? "clock " + number("%lld ms", e.value) : "clock";
    case Type::Hotplug: return e.hotplug ? "a line box left" : "a line box arrived";
    case Type::Version: return with_answer ? std::string("Windows version: ") + (e.ok ? "NT 5.1" : "other") : "Windows version";
    case Type::LastError: return "last error set to " + number("%lld", e.code);
    case Type::WindowCreated:
        return with_answer ? std::string("notification window ") + (e.ok ? "created" : "not created") : "notification window";
    case Type::WindowDestroyed: return "notification window destroyed";
    case Type::File: {
        static const char* const kOperations[] = {"recording path made absolute", "recording file created",
                                                  "recording file opened again"};  // by FileOperation
        s = e.code <= static_cast<uint32_t>(FileOperation::Reopen) ? kOperations[e.code] : "file operation";
        return with_answer ? s + (e.ok ? ": done" : ": failed") : s;
    }
    }
    return "unknown record " + number("%lld", static_cast<int>(e.type));
}

}  // namespace vornix::trace
