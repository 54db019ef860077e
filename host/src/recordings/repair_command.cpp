#include "recordings/repair_command.h"

#include <filesystem>

#include "platform/platform.h"
#include "recordings/recording_repair.h"

namespace host {

namespace {
constexpr int kExitFailure = 1;

bool changed(const RepairResult& r) {
    return r.verdict == RepairResult::Verdict::Repaired || r.verdict == RepairResult::Verdict::Lowered;
}
}  // namespace

void repair_on_start(const std::string& folder, const CallEventSink& sink, int64_t now_ms, std::FILE* out) {
    for (const RepairResult& r : repair_folder(folder)) {
        if (changed(r)) {
            CallEvent e;
            e.kind = CallEventKind::Repaired;
            e.at_ms = now_ms;
            e.file = r.path;
            e.note = repair_note(r);
            sink(e);
        } else if (r.verdict != RepairResult::Verdict::Whole) {
            std::fprintf(out, "%s\n", repair_summary(r).c_str());
        }
    }
}

int repair_paths(const std::vector<std::string>& paths, std::FILE* out) {
    namespace fs = std::filesystem;
    int status = 0;
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::path native = platform::fs_path(path);
        const bool folder = fs::is_directory(native, ec);
        if (!folder && !fs::is_regular_file(native, ec)) {
            std::fprintf(out, "%s: not repaired: no such file or folder\n", path.c_str());
            status = kExitFailure;
            continue;
        }
        // A running host's lock on the folder means its recordings may still be written.
        std::string parent = folder ? path : platform::path_text(native.parent_path());
        if (parent.empty()) parent = ".";
        const platform::FolderLock lock(parent);
        if (lock.busy()) {
            std::fprintf(out, "%s: not repaired: a running host records into %s; repair after it has stopped\n",
                         path.c_str(), parent.c_str());
            status = kExitFailure;
            continue;
        }
        const std::vector<RepairResult> results = folder ? repair_folder(path) : std::vector<RepairResult>{repair_recording(path)};
        if (folder && results.empty()) std::fprintf(out, "%s: no recordings in this folder\n", path.c_str());
        for (const RepairResult& r : results) {
            std::fprintf(out, "%s\n", repair_summary(r).c_str());
            if (r.verdict == RepairResult::Verdict::Failed) status = kExitFailure;
        }
    }
    return status;
}

}  // namespace host
