// The field trace reader on any bytes: it stops at a cut or a damaged record and never
// reads outside the input; every decoded event can be put in words.
#include <cstddef>
#include <cstdint>

#include "trace_file.h"
#include "trace_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vornix::trace::TraceFile t;
    t.bytes.assign(data, data + size);
    vornix::trace::decode(t);
    for (const vornix::trace::Event& e : t.events) (void)vornix::trace::describe(e);
    (void)vornix::trace::ending(t);
    if (t.end_offset > size) __builtin_trap();
    return 0;
}
