// Device-change broadcasts as Windows delivers them (WM_DEVICECHANGE), turned into the
// port's neutral hot-plug events.
#pragma once
#include <windows.h>
#include <dbt.h>

#include <string>
#include <vector>

#include "../../src/system_port.h"

namespace vornix::win32 {

// The filter that registers a window for the line box interface class: a 32-byte
// interface broadcast with an empty name.
DEV_BROADCAST_DEVICEINTERFACE_A line_box_filter();

// The broadcast the system sends for a line box interface at `path`: an interface
// broadcast of the line box class, sized to carry the path as its name.
std::vector<BYTE> line_box_broadcast(const std::string& path);

// True, with `*out` set, for the completed arrival or removal of a line box
// interface. Everything else is no event of ours: other device types, other interface
// classes, DBT_DEVNODES_CHANGED (no data), other events, and broadcasts too short to
// carry an interface class. `data` is read only within the size it states.
bool decode_device_change(WPARAM event, LPARAM data, port::HotplugEvent* out);

}  // namespace vornix::win32
