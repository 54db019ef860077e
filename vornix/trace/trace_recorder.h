// The recording layer's file: one trace per SW_Init..SW_Free, written record by record
// from fixed buffers, each record flushed as it is written so that a crash loses at
// most the record being written.
#pragma once
#include <cstddef>
#include <cstdint>

#include "trace_format.h"

namespace vornix::trace {

// An export call begins: opens a trace file when none is open, then writes the call.
// Pointer arguments are written as 1 (given) or 0 (null); `text` is a path argument.
void call_begins(uint16_t ordinal, const int32_t* args, int argc, const char* text);

// The export returns: writes its result (a text result as its characters) and the
// last error the library has set; after SW_Free the file is closed.
void call_returns(uint16_t ordinal, int64_t result, const char* text);

// Writes one event while a file is open; otherwise nothing.
void record(const Event& event);

// The last error the library set through the port (what a host reads after a call).
void note_last_error(uint32_t code);

// The Windows version answer, which the library asks once per process: each later
// trace of the process starts with it.
void note_version(bool nt51);

// A number that changes with every trace file opened (0 before the first): what the
// port remembers for repeats belongs to one file.
unsigned trace_number();

// True when audio blocks are kept as length and checksum (VORNIX_TRACE_AUDIO=0).
bool audio_summarized();

// The calling thread's last-error value (errno natively): the recorder's own file work
// must leave the value the library set, or the host's, as it found it.
uint32_t thread_error();
void restore_thread_error(uint32_t code);

// Where the trace files go and their names: VORNIX_TRACE_DIR, else the library's own
// folder. Writes the path of session `sequence` of this process into `out` (`again`
// above 0 when that name was taken); false when it does not fit.
bool trace_file_path(char* out, size_t capacity, unsigned sequence, unsigned again, int64_t start_unix_seconds);

}  // namespace vornix::trace
