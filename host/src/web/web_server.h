// The console's HTTP server: one thread of its own with every connection on it, each
// request handed to the routes. Bounded: the size of a request's head and body, its
// header count, the connections at once and from one address, and the time a request
// (and the rest of a refused one, read and dropped) may take to arrive.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "web/web_routes.h"

namespace host::web {

struct WebLimits {
    size_t connections = 256;
    // Well below the whole: one client, however slow its requests, leaves room for others.
    size_t connections_per_address = 16;
    size_t header_bytes = 8 * 1024;
    size_t body_bytes = 4 * 1024;
    size_t header_fields = 64;
    int idle_seconds = 30;      // for an answer to be taken
    int request_seconds = 10;   // from waiting for a request to its last byte, and a refused one's rest
    int heartbeat_ms = 5000;   // the lines' stream sends the lines at least this often
    int lines_check_ms = 200;  // and looks for a change this often
};

class WebServer {
public:
    WebServer(WebRoutes& routes, WebLimits limits = {});
    ~WebServer();  // stops the thread; open connections are dropped
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on `address`:`port` (0: any free port) and starts the thread. False with
    // a reason when the address cannot be had.
    bool start(const std::string& address, uint16_t port, std::string* error);
    uint16_t port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace host::web
