#include "trace_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "linebox_protocol.h"

namespace vornix::trace {

namespace {

// The largest record: a whole audio block with its fields.
constexpr size_t kRecordCapacity = kAudioBlockSize + 256;
constexpr size_t kPathCapacity = 1024;
constexpr uint16_t kFreeOrdinal = 2;  // SW_Free closes the library and the trace

uint8_t g_record[kRecordCapacity];
std::FILE* g_file = nullptr;
unsigned g_sequence = 0;
uint32_t g_last_error = 0;
bool g_summarized = false;  // read once per trace, not per audio block
int g_version = -1;          // the version answer of this process, -1 before it

// Keeps the thread's last error across the recorder's own file work.
class KeepThreadError {
public:
    KeepThreadError() : code_(thread_error()) {}
    ~KeepThreadError() { restore_thread_error(code_); }
    KeepThreadError(const KeepThreadError&) = delete;
    KeepThreadError& operator=(const KeepThreadError&) = delete;

private:
    uint32_t code_;
};

void write(const uint8_t* bytes, size_t n) {
    if (!g_file || n == 0) return;
    if (std::fwrite(bytes, 1, n, g_file) != n || std::fflush(g_file) != 0) {
        std::fclose(g_file);  // a full disk ends the trace, never the host's work
        g_file = nullptr;
    }
}

void open_file() {
    Header header;
    header.start_unix_seconds = static_cast<int64_t>(std::time(nullptr));
    const char* audio = std::getenv("VORNIX_TRACE_AUDIO");
    g_summarized = audio && std::strcmp(audio, "0") == 0;
    header.flags = g_summarized ? kFlagAudioSummarized : 0;
    header.session = g_sequence + 1;
    char path[kPathCapacity];
    ++g_sequence;
    // A library unloaded and loaded again counts its sessions from 1 again: a name
    // already taken gets a number more rather than overwriting that trace.
    for (unsigned again = 0;; ++again) {
        if (again == 1000 || !trace_file_path(path, sizeof path, g_sequence, again, header.start_unix_seconds)) return;
        std::FILE* taken = std::fopen(path, "rb");
        if (!taken) break;
        std::fclose(taken);
    }
    g_file = std::fopen(path, "wb");
    if (!g_file) return;
    std::setvbuf(g_file, nullptr, _IONBF, 0);  // each record goes to the file as it is written
    g_last_error = 0;
    uint8_t head[kHeaderSize];
    encode_header(header, head);
    write(head, sizeof head);
    if (g_version >= 0) {
        Event version;
        version.type = Type::Version;
        version.ok = g_version == 1;
        record(version);
    }
}

void put_text(Event& e, const char* text) {
    if (!text) return;
    e.bytes = reinterpret_cast<const uint8_t*>(text);
    e.byte_count = static_cast<uint32_t>(strnlen(text, 0xFFFF));
}

}  // namespace

bool audio_summarized() { return g_summarized; }

unsigned trace_number() { return g_sequence; }

void record(const Event& event) {
    if (!g_file) return;
    KeepThreadError keep;
    write(g_record, encode(event, g_record, sizeof g_record));
}

void note_last_error(uint32_t code) { g_last_error = code; }

void note_version(bool nt51) { g_version = nt51 ? 1 : 0; }

void call_begins(uint16_t ordinal, const int32_t* args, int argc, const char* text) {
    KeepThreadError keep;
    if (!g_file) open_file();
    Event e;
    e.type = Type::Call;
    e.ordinal = ordinal;
    e.argc = static_cast<uint8_t>(argc);
    for (int i = 0; i < argc; ++i) e.args[i] = args[i];
    put_text(e, text);
    record(e);
}

void call_returns(uint16_t ordinal, int64_t result, const char* text) {
    Event e;
    e.type = Type::Return;
    e.ordinal = ordinal;
    e.value = result;
    e.code = g_last_error;
    put_text(e, text);
    record(e);
    KeepThreadError keep;
    if (ordinal == kFreeOrdinal && g_file) {
        std::fclose(g_file);
        g_file = nullptr;
    }
}

}  // namespace vornix::trace
