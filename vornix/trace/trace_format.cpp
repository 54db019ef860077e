// Encoding and decoding of trace records, little-endian on every host.
#include "trace_format.h"

#include <cstring>

namespace vornix::trace {

namespace {

class Out {
public:
    Out(uint8_t* p, size_t cap) : p_(p), cap_(cap) {}
    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v) { le(v, 2); }
    void u32(uint32_t v) { le(v, 4); }
    void i32(int32_t v) { le(static_cast<uint32_t>(v), 4); }
    void i64(int64_t v) { le(static_cast<uint64_t>(v), 8); }
    void raw(const uint8_t* data, size_t n) { put(data, n); }
    size_t size() const { return fits_ ? n_ : 0; }
    void patch_u32(size_t at, uint32_t v) {
        for (int i = 0; i < 4 && fits_; ++i) p_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    void le(uint64_t v, int bytes) {
        uint8_t b[8];
        for (int i = 0; i < bytes; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
        put(b, bytes);
    }
    void put(const uint8_t* data, size_t n) {
        if (!fits_ || n > cap_ - n_) { fits_ = false; return; }
        if (n) std::memcpy(p_ + n_, data, n);
        n_ += n;
    }
    uint8_t* p_;
    size_t cap_, n_ = 0;
    bool fits_ = true;
};

class In {
public:
    In(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    uint8_t u8() { return static_cast<uint8_t>(le(1)); }
    uint16_t u16() { return static_cast<uint16_t>(le(2)); }
    uint32_t u32() { return static_cast<uint32_t>(le(4)); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    int64_t i64() { return static_cast<int64_t>(le(8)); }
    const uint8_t* raw(size_t n) {
        if (n > n_ - at_) { ok_ = false; return nullptr; }
        const uint8_t* r = p_ + at_;
        at_ += n;
        return r;
    }
    // A payload decodes only when every field was there and nothing is left over.
    bool whole() const { return ok_ && at_ == n_; }

private:
    uint64_t le(int bytes) {
        const uint8_t* b = raw(bytes);
        uint64_t v = 0;
        for (int i = 0; b && i < bytes; ++i) v |= static_cast<uint64_t>(b[i]) << (8 * i);
        return v;
    }
    const uint8_t* p_;
    size_t n_, at_ = 0;
    bool ok_ = true;
};

// The byte-string fields that carry a u16 length (text, path, control input).
bool short_bytes(Type t) { return t == Type::Call || t == Type::Return || t == Type::Open || t == Type::Control; }

}  // namespace

uint32_t checksum(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

void encode_header(const Header& header, uint8_t* out) {
    Out o(out, kHeaderSize);
    o.raw(reinterpret_cast<const uint8_t*>(kMagic), sizeof kMagic);
    o.u16(header.version);
    o.u16(header.flags);
    o.u32(header.session);
    o.i64(header.start_unix_seconds);
}

size_t encode(const Event& e, uint8_t* out, size_t capacity) {
    if (short_bytes(e.type) && e.byte_count > 0xFFFF) return 0;
    if (e.argc > sizeof e.args / sizeof e.args[0]) return 0;
    Out o(out, capacity);
    o.u32(0);  // payload length, set below
    o.u16(static_cast<uint16_t>(e.type));
    switch (e.type) {
    case Type::Call:
        o.u16(e.ordinal);
        o.u8(e.argc);
        for (int i = 0; i < e.argc; ++i) o.i32(e.args[i]);
        break;
    case Type::Return: o.u16(e.ordinal); o.i64(e.value); o.u32(e.code); break;
    case Type::Open: o.i32(e.slot); o.i64(e.value); o.u8(e.ok); break;
    case Type::Control: o.i64(e.value); o.u32(e.code); o.u8(e.ok); break;
    case Type::Read:
    case Type::ReadRepeat:
    case Type::ReadSummary:
        o.i64(e.value); o.u32(e.asked); o.u8(e.ok); o.u32(e.delivered);
        if (e.type == Type::ReadSummary) o.u32(e.code);
        break;
    case Type::Close: o.i64(e.value); break;
    case Type::Clock: o.i32(static_cast<int32_t>(e.value)); break;
    case Type::Hotplug: o.u8(e.hotplug); break;
    case Type::Version:
    case Type::WindowCreated: o.u8(e.ok); break;
    case Type::LastError: o.u32(e.code); break;
    case Type::WindowDestroyed: break;
    case Type::File: o.u8(static_cast<uint8_t>(e.code)); o.u8(e.ok); break;
    }
    if (short_bytes(e.type)) o.u16(static_cast<uint16_t>(e.byte_count));
    if (short_bytes(e.type) || e.type == Type::Read) o.raw(e.bytes, e.byte_count);
    const size_t n = o.size();
    if (n == 0) return 0;
    o.patch_u32(0, static_cast<uint32_t>(n - kRecordHeaderSize));
    return n;
}

Reader::Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {
    if (size < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) return;
    In in(data + sizeof kMagic, kHeaderSize - sizeof kMagic);
    header_.version = in.u16();
    header_.flags = in.u16();
    header_.session = in.u32();
    header_.start_unix_seconds = in.i64();
    header_ok_ = header_.version >= kOldestVersion && header_.version <= kVersion;
    offset_ = kHeaderSize;
}

bool Reader::next(Event& e) {
    if (!header_ok_ || cut_ || bad_ || offset_ == size_) return false;
    if (size_ - offset_ < kRecordHeaderSize) { cut_ = true; return false; }
    In head(data_ + offset_, kRecordHeaderSize);
    const uint32_t length = head.u32();
    const uint16_t type = head.u16();
    if (length > size_ - offset_ - kRecordHeaderSize) { cut_ = true; return false; }
    In in(data_ + offset_ + kRecordHeaderSize, length);
    e = Event{};
    e.type = static_cast<Type>(type);
    switch (e.type) {
    case Type::Call:
        e.ordinal = in.u16();
        e.argc = in.u8();
        if (e.argc > sizeof e.args / sizeof e.args[0]) { bad_ = true; return false; }
        for (int i = 0; i < e.argc; ++i) e.args[i] = in.i32();
        break;
    case Type::Return: e.ordinal = in.u16(); e.value = in.i64(); e.code = in.u32(); break;
    case Type::Open: e.slot = in.i32(); e.value = in.i64(); e.ok = in.u8() != 0; break;
    case Type::Control: e.value = in.i64(); e.code = in.u32(); e.ok = in.u8() != 0; break;
    case Type::Read:
    case Type::ReadRepeat:
    case Type::ReadSummary:
        e.value = in.i64(); e.asked = in.u32(); e.ok = in.u8() != 0; e.delivered = in.u32();
        if (e.type == Type::ReadSummary) e.code = in.u32();
        break;
    case Type::Close: e.value = in.i64(); break;
    case Type::Clock: e.value = in.i32(); break;
    case Type::Hotplug: e.hotplug = in.u8(); break;
    case Type::Version:
    case Type::WindowCreated: e.ok = in.u8() != 0; break;
    case Type::LastError: e.code = in.u32(); break;
    case Type::WindowDestroyed: break;
    case Type::File: e.code = in.u8(); e.ok = in.u8() != 0; break;
    default: bad_ = true; return false;
    }
    if (short_bytes(e.type)) e.byte_count = in.u16();
    if (e.type == Type::Read) e.byte_count = e.delivered;
    if (short_bytes(e.type) || e.type == Type::Read) e.bytes = in.raw(e.byte_count);
    if (!in.whole() || (e.type == Type::Hotplug && e.hotplug > 1) ||
        (e.type == Type::File && e.code > static_cast<uint8_t>(FileOperation::Reopen))) { bad_ = true; return false; }
    offset_ += kRecordHeaderSize + length;
    ++count_;
    return true;
}

const char* type_name(Type type) {
    switch (type) {
    case Type::Call: return "call";
    case Type::Return: return "return";
    case Type::Open: return "open";
    case Type::Control: return "control";
    case Type::Read: return "read";
    case Type::ReadRepeat: return "read (repeat)";
    case Type::ReadSummary: return "read (audio summary)";
    case Type::Close: return "close";
    case Type::Clock: return "clock";
    case Type::Hotplug: return "hot-plug";
    case Type::Version: return "version";
    case Type::LastError: return "last error";
    case Type::WindowCreated: return "window created";
    case Type::WindowDestroyed: return "window destroyed";
    case Type::File: return "file";
    }
    return "unknown";
}

}  // namespace vornix::trace
