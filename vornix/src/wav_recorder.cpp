// Recording a line into a WAV file: a provisional header at the start, one
// 16,384-byte chunk per audio block the box reports ready, the final header at the
// stop. The record budget only shapes the results.
#include "wav_recorder.h"

#include <cstdio>

#include "audio_capture.h"
#include "command_channel.h"
#include "library_state.h"
#include "linebox_protocol.h"
#include "refusals.h"
#include "status_poll.h"
#include "system_port.h"
#include "wav_header.h"

namespace vornix {

namespace {
constexpr int32_t kChunkBytes = VORNIX_CHUNK_BYTES;
constexpr int kChunksPerReopen = 10;  // every 11th chunk closes and reopens the file

void write_header(std::FILE* f, uint32_t riff_size, uint32_t data_size) {
    auto& header = lib().wav_header;
    fill_wav_header(header, riff_size, data_size);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(header.data(), 1, header.size(), f);
}

// Writes the header for everything in the file so far, leaving the position at the end.
void write_final_header(std::FILE* f) {
    const WavSizes sizes = finished_wav_sizes(port::seek_to_end(f));
    write_header(f, sizes.riff, sizes.data);
    port::seek_to_end(f);
}

void finish_file(int slot) {
    std::FILE*& f = lib().slots.recording_file[slot];
    write_final_header(f);
    std::fclose(f);
    f = nullptr;
}
}  // namespace

int start_recording(int slot, const char* path, int budget) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot) || refuse_bad_argument(!path || !path[0])) return -1;
    if (!line_command(slot, IOCTL_LINEBOX_RECONNECT)) return -1;
    try {
        Library& l = lib();
        // A start on a slot that still records finishes the earlier file first.
        if (l.slots.recording_file[slot]) finish_file(slot);
        l.record_budget = budget;
        // Kept absolute: the host may change its current folder during the call, and
        // every reopen must find this file, not another of the same name.
        char* kept = l.slots.recording_path[slot].data();
        if (!port::absolute_path(path, kept)) {
            l.slots.recording_file[slot] = nullptr;
            return -1;
        }
        std::FILE* f = port::open_file(kept, "w+b");
        l.slots.recording_file[slot] = f;
        if (!f) return -1;
        write_header(f, kWavStartRiffSize, kWavStartDataSize);
        return 0;
    } catch (...) {
        return -1;
    }
}

int poll_recording(int slot) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot)) return -1;
    Library& l = lib();
    if (!l.slots.recording_file[slot]) return -1;
    unsigned char flag = 0;
    if (!read_flag(slot, &flag, kRecordEndFlag)) return -1;
    if (flag != kFlagSet) return l.record_budget;
    l.slots.status[slot][kRecordEndFlag] = kFlagClear;

    uint8_t* block = l.scratch.read_buffer.data();
    Delivery delivered = Delivery::Nothing;
    if (!record_audio(slot, 0, block, static_cast<int>(kReadBufferSize), &delivered)) return -1;
    // Only a block read for this call goes into the recording.
    if (delivered != Delivery::Full) return l.record_budget;

    std::FILE*& f = l.slots.recording_file[slot];
    port::seek_to_end(f);
    std::fwrite(block + payload_offset(block, kAudioBlockSize), 1, kChunkBytes, f);
    if (++l.slots.chunk_counter[slot] > kChunksPerReopen) {
        l.slots.chunk_counter[slot] = 0;
        // The file on disk stays a playable WAV of everything handed over so far.
        write_final_header(f);
        std::fclose(f);
        f = port::open_file(l.slots.recording_path[slot].data(), "r+b");
        if (!f) return -1;
    }
    if (l.record_budget < kChunkBytes) {
        l.record_budget = 0;
        return 0;
    }
    l.record_budget -= kChunkBytes;
    return l.record_budget;
}

int stop_recording(int slot) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot)) return -1;
    if (!lib().slots.recording_file[slot]) return -1;
    finish_file(slot);
    return line_command(slot, IOCTL_LINEBOX_DISCONNECT) ? 0 : -1;
}

}  // namespace vornix
