// The device path list: the leading run of line box interfaces that could be opened.
#pragma once

namespace vornix {

// Rebuilds the device path list by opening slots 0, 1, 2, ... until the first open
// fails. May throw std::bad_alloc; the list is then left with what was found.
void rebuild_device_list();

// Empties the device path list and releases its storage.
void clear_device_list();

// Boxes in the device path list, as the last enumeration left it.
int device_count();

}  // namespace vornix
