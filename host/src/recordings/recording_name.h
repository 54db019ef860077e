// Names of recording files: one file per call, named from the call's start time, the
// slot and the calling number, e.g. 20250314-093005-120_slot0_13800138000.wav.
#pragma once
#include <chrono>
#include <string>

namespace host {

// Only the digits of `caller` are used; without any the name says "unknown".
std::string recording_file_name(std::chrono::system_clock::time_point start, int slot,
                                const std::string& caller);

// True only for names the two functions here give: what the host may take for one of
// its own recordings (never a path, never another file).
bool is_recording_file_name(const std::string& name);

// `folder`/`name`, or, when that file exists already, the first free
// `folder`/`stem`-2.wav, -3.wav, ...
std::string unused_recording_path(const std::string& folder, const std::string& name);

// Creates the recordings folder (and its parents); false with a reason when that fails.
bool make_folder(const std::string& folder, std::string* reason);

// Local time of `t` as HH:MM:SS.mmm, as event lines show it.
std::string clock_text(std::chrono::system_clock::time_point t);

}  // namespace host
