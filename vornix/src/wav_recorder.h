// Recording a line into a WAV file against the library-wide record budget.
#pragma once

namespace vornix {

// SW_StartFileRecord: reconnects the box, opens `path` with the provisional header;
// 0 or -1. A slot that still records finishes its earlier file first.
int start_recording(int slot, const char* path, int budget);

// SW_CheckFileRecordEnd: appends one chunk when the box reports a block ready; the
// budget left, or -1.
int poll_recording(int slot);

// SW_StopFileRecord: final header, close, disconnect; 0 or -1.
int stop_recording(int slot);

}  // namespace vornix
