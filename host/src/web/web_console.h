// The web console beside the recording loop: started before the loop, given the lines
// every round, stopped when the loop ends. Without --web it does nothing.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "callers/caller_directory.h"
#include "lines/line_watcher.h"
#include "options/host_options.h"
#include "platform/host_clock.h"
#include "web/line_board.h"

namespace host::web {

class WebRoutes;
class WebServer;

class WebConsole {
public:
    explicit WebConsole(const HostOptions& options);
    ~WebConsole();

    // Reads the password file and listens; false with a reason when either fails.
    bool start(std::string* error);
    // The address to open in a browser.
    std::string url() const;
    // Before start(): the sources of caller names, which the console asks with a
    // directory of its own (either may be null).
    void use_callers(const callers::Phonebook* phonebook, callers::CustomerDb* database, callers::NumberPlan plan);
    // The loop, every round: cheap, and never waits for the console.
    void publish(const std::vector<LineState>& lines, const std::vector<callers::CallerCard>& cards,
                 const HostClock& clock);

private:
    const HostOptions& options_;
    LineBoard board_;
    const callers::Phonebook* phonebook_ = nullptr;
    callers::CustomerDb* database_ = nullptr;
    callers::NumberPlan plan_;
    std::unique_ptr<WebRoutes> routes_;
    std::unique_ptr<WebServer> server_;
};

}  // namespace host::web
