// The recorder as a Windows service: installed, removed and asked after through the
// service manager, and run by it.
#pragma once
#include <functional>
#include <string>

#include "options/host_options.h"

namespace host {

constexpr const char* kServiceName = "vornix_recorder";
constexpr const char* kServiceDisplayName = "Vornix call recorder";

// --service install, remove or status. Returns the process exit code.
int service_command(const HostOptions& options);

// What the recording run tells whoever started it.
struct RecordHooks {
    std::function<void(const std::string&)> failed;  // why it could not start
    std::function<void()> started;                    // the loop is about to run
    bool to_host_log = false;                         // no console: events to host.log
};
using RecordRun = std::function<int(const RecordHooks&)>;

// --service run: hands the process to the service manager, which runs `record` with a
// stop or shutdown request as its end. Returns the process exit code.
int run_service(const RecordRun& record);

}  // namespace host
