// The web console beside the recording loop: started before the loop, given the lines
// every round, stopped when the loop ends. Without --web it does nothing.
#pragma once
#include <memory>
#include <string>
#include <vector>

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
    // The loop, every round: cheap, and never waits for the console.
    void publish(const std::vector<LineState>& lines, const HostClock& clock);

private:
    const HostOptions& options_;
    LineBoard board_;
    std::unique_ptr<WebRoutes> routes_;
    std::unique_ptr<WebServer> server_;
};

}  // namespace host::web
