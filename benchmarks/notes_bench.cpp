// The calls' notes: a notes file of 100,000 changes (each of a call of its own, Chinese
// text of a sentence or two, every mark) read at the console's start, and one change
// written and put on the disk, as the console does it for every note saved.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "call_log/csv.h"
#include "notes/call_notes.h"

namespace {

namespace fs = std::filesystem;
constexpr int kNotes = 100000;

host::NoteChange change(int i) {
    host::NoteChange c;
    // A call every five minutes of a year (of 28-day months), on 64 lines.
    char start[32], file[64];
    const int minutes = i * 5;
    std::snprintf(start, sizeof start, "%04d-%02d-%02dT%02d:%02d:00+08:00", 2025 + minutes / (336 * 1440),
                  1 + minutes / (28 * 1440) % 12,
                  1 + minutes / 1440 % 28, minutes / 60 % 24, minutes % 60);
    std::snprintf(file, sizeof file, "%.10s-%.2s%.2s00-000_slot%d_13800138000.wav", start, start + 11, start + 14, i % 64);
    c.call = {start, std::to_string(5001 + i % 64), file};
    c.written = "2025-03-14T10:00:00+08:00";
    c.by = "192.168.1." + std::to_string(i % 250);
    c.mark = host::kCallMarks[i % 6];
    c.note = "客户要两桶水，下午三点后送到，三楼，门口放着就行。\"急\", 电话 13800138000 #" + std::to_string(i);
    return c;
}

fs::path notes_folder() {
    const fs::path folder = fs::temp_directory_path() / "notes_bench";
    if (!fs::exists(folder / host::kNotesName)) {
        fs::create_directories(folder);
        std::string text = host::csv_record(host::note_columns());
        for (int i = 0; i < kNotes; ++i) text += host::note_record(change(i));
        std::ofstream(folder / host::kNotesName, std::ios::binary) << text;
    }
    return folder;
}

void BM_NotesLoad100k(benchmark::State& state) {
    const fs::path folder = notes_folder();
    for (auto _ : state) {
        auto notes = std::make_unique<host::CallNotes>(folder.string());
        if (!notes->load() || notes->size() != kNotes) state.SkipWithError("not every note read");
        state.PauseTiming();  // a recorder frees them only at its end
        notes.reset();
        state.ResumeTiming();
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(folder / host::kNotesName)) / 1e6;
}
BENCHMARK(BM_NotesLoad100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_NoteWriteSynced(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "notes_bench_write";
    fs::remove_all(folder);
    fs::create_directories(folder);
    host::CallNotes notes(folder.string());
    notes.load();
    int i = 0;
    for (auto _ : state)
        if (!notes.write(change(i++))) state.SkipWithError("not written");
}
BENCHMARK(BM_NoteWriteSynced)->Unit(benchmark::kMillisecond);

}  // namespace
