// A field trace: what crossed the library's port and its exports at a site, as a file
// of records. docs/trace-format.md describes the bytes; this header and
// trace_format.cpp are their one home, used by the recording layer and the tools.
// Plain C++ without allocation, so that the recording layer can use it inside the
// library on both Windows architectures.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vornix::trace {

constexpr char kMagic[8] = {'V', 'X', 'T', 'R', 'A', 'C', 'E', '\0'};
// Version 2 added the recordings' file operations (Type::File); version 1 traces,
// which lack them, still read and replay.
constexpr uint16_t kVersion = 2;
constexpr uint16_t kOldestVersion = 1;
constexpr size_t kHeaderSize = 24;        // magic, version, flags, session, start time
constexpr size_t kRecordHeaderSize = 6;   // payload length (u32), record type (u16)
constexpr uint16_t kFlagAudioSummarized = 1;  // audio blocks kept as length + checksum

// One record per event. Values are stored; never renumber.
enum class Type : uint16_t {
    Call = 1,           // u16 ordinal, u8 argc, argc x i32, u16 text length, text
    Return = 2,         // u16 ordinal, i64 result, u32 last error, u16 text length, text
    Open = 3,           // i32 slot, i64 handle, u8 path wanted, u16 path length, path
    Control = 4,        // i64 handle, u32 code, u8 ok, u16 input length, input
    Read = 5,           // i64 handle, u32 asked, u8 ok, u32 delivered, the bytes
    ReadRepeat = 6,     // i64 handle, u32 asked, u8 ok, u32 delivered: the previous bytes again
    ReadSummary = 7,    // i64 handle, u32 asked, u8 ok, u32 delivered, u32 checksum
    Close = 8,          // i64 handle
    Clock = 9,          // i32 milliseconds
    Hotplug = 10,       // u8 event (0 arrived, 1 left)
    Version = 11,       // u8 is NT 5.1
    LastError = 12,     // u32 code the library set
    WindowCreated = 13, // u8 created
    WindowDestroyed = 14,
    File = 15,          // u8 operation (FileOperation), u8 done
};

// What a recording did with its file, as Type::File records it (in Event::code).
enum class FileOperation : uint8_t {
    AbsolutePath = 0,  // the path made absolute
    Create = 1,        // the file created at the start of a recording
    Reopen = 2,        // the file opened again to go on
};

// What an open of a recording's file in `mode` is: "w+b" creates, "r+b" opens again.
inline FileOperation file_open_operation(const char* mode) {
    return mode[0] == 'w' ? FileOperation::Create : FileOperation::Reopen;
}

struct Header {
    uint16_t version = kVersion;
    uint16_t flags = 0;
    // The trace's place among the library's sessions in its process, from 1: the
    // library keeps some state from one SW_Init of a process to the next.
    uint32_t session = 1;
    int64_t start_unix_seconds = 0;
};

// One event, decoded. Which fields mean something depends on the type (see Type).
struct Event {
    Type type = Type::Call;
    uint16_t ordinal = 0;
    uint8_t argc = 0;
    int32_t args[8] = {};
    int64_t value = 0;       // a call's result, the handle, the clock reading
    uint32_t code = 0;       // control code, last error, checksum, file operation
    int32_t slot = 0;
    uint32_t asked = 0, delivered = 0;
    bool ok = false;         // control, read or file operation succeeded; path wanted; window created; NT 5.1
    uint8_t hotplug = 0;     // 0 arrived, 1 left
    const uint8_t* bytes = nullptr;  // text, path, control input, read bytes
    uint32_t byte_count = 0;
};

// Checksum of audio kept as a summary (FNV-1a, 32 bits).
uint32_t checksum(const uint8_t* data, size_t size);

// Encodes the file header into `out` (kHeaderSize bytes).
void encode_header(const Header& header, uint8_t* out);

// Encodes one event as a whole record into `out` (`capacity` bytes). Returns the
// record's size, or 0 when it does not fit.
size_t encode(const Event& event, uint8_t* out, size_t capacity);

// Reads a trace held in memory, record by record. A file cut short ends at its last
// whole record: `cut()` then says so and `end_offset()` where the whole records end.
class Reader {
public:
    Reader(const uint8_t* data, size_t size);
    bool header_ok() const { return header_ok_; }
    const Header& header() const { return header_; }
    // The next record, numbered from 1. False at the end, at a cut or at a record
    // whose payload does not decode (then bad() is true).
    bool next(Event& event);
    uint32_t records() const { return count_; }
    size_t end_offset() const { return offset_; }
    bool cut() const { return cut_; }
    bool bad() const { return bad_; }

private:
    const uint8_t* data_;
    size_t size_, offset_ = 0;
    Header header_;
    bool header_ok_ = false, cut_ = false, bad_ = false;
    uint32_t count_ = 0;
};

const char* type_name(Type type);

}  // namespace vornix::trace
