#include "device_list.h"

#include "device_port.h"
#include "library_state.h"

namespace vornix {

void clear_device_list() {
    auto& paths = lib().device_paths;
    paths.clear();
    paths.shrink_to_fit();
}

int device_count() { return static_cast<int>(lib().device_paths.size()); }

void rebuild_device_list() {
    clear_device_list();
    auto& paths = lib().device_paths;
    for (int slot = 0;; ++slot) {
        if (paths.size() == paths.capacity()) paths.reserve(paths.capacity() + kPathBlock);
        PathRecord& record = paths.emplace_back();
        const port::Handle h = port::open_box(slot, record.data());
        if (h == port::kInvalidHandle) {
            paths.pop_back();
            return;
        }
        port::close(h);
    }
}

}  // namespace vornix
