// What the native library and the Windows simulator DLL share of the port: the boxes on
// the simulated bus, and the bus's clock, which the scenario moves on as exports begin
// (each side's catch_up()).
#include <cstring>
#include <string>

#include "../../src/device_port.h"
#include "sim_bus.h"

namespace vornix::port {

Handle open_box(int32_t slot, char* path) {
    auto& bus = sim::bus();
    std::string found;
    if (path) path[0] = '\0';
    const Handle h = bus.open(slot, &found);
    if (found.size() + 1 > kPathRecordSize) {  // does not fit a path record
        if (h != kInvalidHandle) bus.close(h);
        return kInvalidHandle;
    }
    if (path && !found.empty()) std::memcpy(path, found.c_str(), found.size() + 1);
    return h;
}

bool control(Handle box, uint32_t code, const void* in, uint32_t in_size) {
    return sim::bus().control(box, code, in, in_size);
}

bool read(Handle box, void* buffer, uint32_t size, uint32_t* got) {
    return sim::bus().read(box, buffer, size, got);
}

void close(Handle box) { sim::bus().close(box); }

int32_t clock_ms() { return sim::bus().now(); }

}  // namespace vornix::port
