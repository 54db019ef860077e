// Repair of recordings left unfinished by a crash or a power cut. The library writes
// the header with the sizes so far only at every 11th chunk and at the stop, so the
// chunks after the last header refresh are in the file but not counted. A repair
// rewrites the RIFF, fact and data sizes to what the file holds after its 58-byte
// header. It never moves, shortens or deletes audio, touches only files laid out
// exactly as this library writes them and not yet finished (their RIFF size falls short
// of the file), and finds nothing to do the second time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct RepairResult {
    enum class Verdict {
        Whole,      // finished: its RIFF size spans the file, or the header counts it all
        Repaired,   // the header counted fewer bytes: the rest are counted now
        Lowered,    // the header claimed bytes the file does not hold: it claims no more
        Foreign,    // not this library's layout: left alone
        Failed,     // could not be read or written
    };
    std::string path;
    Verdict verdict = Verdict::Failed;
    uint64_t counted_before = 0;  // audio bytes the header counted
    uint64_t audio_bytes = 0;     // audio bytes the file holds after its header
    std::string reason;           // why a file was left alone or failed

    // Seconds of audio a reader gets now and did not before (0 when lowered).
    double seconds_recovered() const;
};

RepairResult repair_recording(const std::string& path);

// Every *.wav file directly inside `folder`, in name order.
std::vector<RepairResult> repair_folder(const std::string& folder);

// What was done, for a person: "6.1 s recovered, 28.7 s in all", "left alone: ...".
std::string repair_note(const RepairResult& r);
// The same after the file's path: "x.wav: 6.1 s recovered, 28.7 s in all".
std::string repair_summary(const RepairResult& r);

}  // namespace host
