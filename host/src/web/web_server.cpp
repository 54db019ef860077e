#include "web/web_server.h"
#include "platform/platform.h"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>

#include "platform/platform_thread.h"
#include "web/write_guard.h"

namespace host::web {

namespace {
namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

constexpr const char* kContentPolicy =
    "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; form-action 'self'; base-uri 'none'";

struct Shared {
    WebRoutes& routes;
    WebLimits limits;
    std::atomic<size_t> connections{0};
    std::map<std::string, size_t> per_address;  // open connections by client address (the server's thread only)

    bool room_for(const std::string& address) const {
        const auto it = per_address.find(address);
        return connections < limits.connections &&
               (it == per_address.end() || it->second < limits.connections_per_address);
    }
};

// Who a connection is from, for the bounds per client: an IPv4 address, or the network
// (the first 64 bits) of an IPv6 one, since a host on an IPv6 network can take any
// number of addresses within it.
std::string client_of(const net::ip::address& a) {
    if (a.is_v6() && a.to_v6().is_v4_mapped()) return net::ip::make_address_v4(net::ip::v4_mapped, a.to_v6()).to_string();
    if (!a.is_v6()) return a.to_string();
    auto bytes = a.to_v6().to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return net::ip::make_address_v6(bytes).to_string() + "/64";
}

template <class Body>
void common_headers(http::response<Body>& res, const WebResponse& from) {
    if (!from.type.empty()) res.set(http::field::content_type, from.type);
    res.set(http::field::cache_control, "no-store");
    res.set("X-Content-Type-Options", "nosniff");
    res.set("Referrer-Policy", "no-referrer");
    res.set("Content-Security-Policy", kContentPolicy);
    for (const auto& [name, value] : from.headers) res.set(name, value);
}

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, std::string address, Shared& shared)
        : stream_(std::move(socket)), shared_(shared), timer_(stream_.get_executor()), address_(std::move(address)) {
        ++shared_.connections;
        ++shared_.per_address[address_];
    }
    ~Session() {
        --shared_.connections;
        const auto it = shared_.per_address.find(address_);
        if (it != shared_.per_address.end() && --it->second == 0) shared_.per_address.erase(it);
    }

    void start() { read(); }

private:
    void read() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(shared_.limits.header_bytes));
        parser_->body_limit(shared_.limits.body_bytes);
        // One deadline for the whole request: a byte now and then does not extend it.
        deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(shared_.limits.request_seconds);
        stream_.expires_at(deadline_);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->on_read(ec); });
    }

    void on_read(beast::error_code ec) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == net::error::eof ||
            ec == net::error::connection_reset || ec == net::error::operation_aborted)
            return close();
        if (ec == http::error::header_limit) return refuse(431, "head-too-large", "request head too large");
        if (ec == http::error::body_limit) return refuse(413, "too-large", "request too large");
        if (ec) return refuse(400, "bad-request", "bad request");
        const auto& req = parser_->get();
        if (static_cast<size_t>(std::distance(req.begin(), req.end())) > shared_.limits.header_fields)
            return refuse(431, "too-many-fields", "too many header fields");
        WebRequest r;
        r.method = std::string(req.method_string());
        r.target = std::string(req.target());
        r.host = std::string(req[http::field::host]);
        r.cookie = std::string(req[http::field::cookie]);
        r.range = std::string(req[http::field::range]);
        r.accept_language = std::string(req[http::field::accept_language]);
        r.body = req.body();
        r.address = address_;
        r.origin = std::string(req[http::field::origin]);
        r.referer = std::string(req[http::field::referer]);
        r.content_type = std::string(req[http::field::content_type]);
        r.token = std::string(req[kTokenHeader]);
        const WebResponse answer = shared_.routes.handle(r);
        const bool head = req.method() == http::verb::head;
        if (answer.events && !head) return start_events();
        send(answer, req.keep_alive(), head);
    }

    // Refused before the routes: answered as they answer, with a code and a sentence.
    void refuse(int status, const char* code, const char* why) {
        auto res = std::make_shared<http::response<http::string_body>>();
        res->result(static_cast<unsigned>(status));
        res->set(http::field::content_type, "application/json");
        res->keep_alive(false);
        res->body() = std::string("{\"error\":\"") + code + "\",\"message\":\"" + why + "\"}";
        res->prepare_payload();
        // The answer and the drain after it share what is left of the request's time
        // (a moment at least, for the answer to go out).
        constexpr auto kAnswerAtLeast = std::chrono::seconds(1);
        deadline_ = std::max(deadline_, std::chrono::steady_clock::now() + kAnswerAtLeast);
        stream_.expires_at(deadline_);
        http::async_write(stream_, *res, [self = shared_from_this(), res](beast::error_code ec, std::size_t) {
            if (ec) return self->close();
            beast::error_code ignored;
            self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
            self->drain(0);
        });
    }

    // After a refusal, what the client still sends is read and dropped until the
    // request's deadline: closing with it unread would reset the connection and could
    // lose the answer.
    void drain(size_t drained) {
        constexpr size_t kMostDrained = 1 << 20;
        if (drained > kMostDrained) return close();
        stream_.async_read_some(net::buffer(discard_), [self = shared_from_this(), drained](beast::error_code ec,
                                                                                            std::size_t n) {
            if (ec) return self->close();
            self->drain(drained + n);
        });
    }

    void send(const WebResponse& answer, bool keep_alive, bool head) {
        if (!answer.file.empty() && !head) {
            auto res = std::make_shared<http::response<http::file_body>>();
            beast::error_code ec;
            res->body().open(answer.file.c_str(), beast::file_mode::scan, ec);
            if (!ec) {
                res->result(static_cast<unsigned>(answer.status));
                common_headers(*res, answer);
                res->keep_alive(keep_alive);
                res->prepare_payload();
                return write(res);
            }
            WebResponse missing;
            missing.status = 404;
            missing.body = "not found\n";
            return send(missing, keep_alive, head);
        }
        auto res = std::make_shared<http::response<http::string_body>>();
        res->result(static_cast<unsigned>(answer.status));
        common_headers(*res, answer);
        res->keep_alive(keep_alive);
        if (head) {
            std::error_code ec;
            const auto size = answer.file.empty() ? answer.body.size() : std::filesystem::file_size(platform::fs_path(answer.file), ec);
            res->content_length(ec ? 0 : size);
        } else {
            res->body() = answer.body;
            res->prepare_payload();
        }
        write(res);
    }

    template <class Response>
    void write(std::shared_ptr<Response> res) {
        stream_.expires_after(std::chrono::seconds(shared_.limits.idle_seconds));
        http::async_write(stream_, *res, [self = shared_from_this(), res](beast::error_code ec, std::size_t) {
            if (ec || !res->keep_alive()) return self->close();
            self->read();
        });
    }

    // The lines as Server-Sent Events: the connection stays open, an event follows
    // every change the loop publishes, and one at least every heartbeat.
    void start_events() {
        out_ = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
               "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\nretry: 1000\n\n";
        out_ += shared_.routes.lines_event(&version_);
        since_event_ms_ = 0;
        send_raw();
    }

    void send_raw() {
        stream_.expires_after(std::chrono::seconds(shared_.limits.idle_seconds));
        net::async_write(stream_, net::buffer(out_), [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) return self->close();
            self->wait_for_change();
        });
    }

    void wait_for_change() {
        timer_.expires_after(std::chrono::milliseconds(shared_.limits.lines_check_ms));
        timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (ec) return self->close();
            self->since_event_ms_ += self->shared_.limits.lines_check_ms;
            uint64_t version = 0;
            std::string event = self->shared_.routes.lines_event(&version);
            if (version == self->version_ && self->since_event_ms_ < self->shared_.limits.heartbeat_ms)
                return self->wait_for_change();
            self->version_ = version;
            self->since_event_ms_ = 0;
            self->out_ = std::move(event);
            self->send_raw();
        });
    }

    void close() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
        stream_.socket().close(ec);
    }

    beast::tcp_stream stream_;
    Shared& shared_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    net::steady_timer timer_;
    std::string out_;
    char discard_[4096];
    const std::string address_;
    std::chrono::steady_clock::time_point deadline_;
    uint64_t version_ = 0;
    int since_event_ms_ = 0;
};
}  // namespace

struct WebServer::Impl {
    Impl(WebRoutes& routes, WebLimits limits) : shared{routes, limits, {}, {}}, acceptor(io) {}

    void accept() {
        acceptor.async_accept(net::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
            if (!acceptor.is_open()) return;
            if (!ec) {
                // Beyond a bound a new connection is closed at once; those open go on.
                beast::error_code peer_ec;
                std::string address = client_of(socket.remote_endpoint(peer_ec).address());
                if (!peer_ec && shared.room_for(address))
                    std::make_shared<Session>(std::move(socket), std::move(address), shared)->start();
            }
            accept();
        });
    }

    // In this order: the connections still queued in `io` count themselves out of
    // `shared` when `io` goes.
    Shared shared;
    net::io_context io{1};
    tcp::acceptor acceptor;
    std::unique_ptr<platform::Thread> thread;
};

WebServer::WebServer(WebRoutes& routes, WebLimits limits) : impl_(std::make_unique<Impl>(routes, limits)) {}

WebServer::~WebServer() {
    impl_->io.stop();
    impl_->thread.reset();
}

bool WebServer::start(const std::string& address, uint16_t port, std::string* error) {
    beast::error_code ec;
    const auto ip = net::ip::make_address(address == "localhost" ? "127.0.0.1" : address, ec);
    if (ec) {
        *error = "not an address: " + address;
        return false;
    }
    const tcp::endpoint at(ip, port);
    auto& a = impl_->acceptor;
    if (a.open(at.protocol(), ec), ec) {
        *error = ec.message();
        return false;
    }
#if !defined(_WIN32)
    // A restart need not wait for the old connections to time out. (On Windows the same
    // option would let another program take the port over.)
    a.set_option(net::socket_base::reuse_address(true), ec);
#endif
    if (a.bind(at, ec), ec) {
        *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + ec.message();
        return false;
    }
    if (a.listen(net::socket_base::max_listen_connections, ec), ec) {
        *error = ec.message();
        return false;
    }
    impl_->accept();
    // The call log is read before the first request asks for it.
    net::post(impl_->io, [this] { impl_->shared.routes.read_log(); });
    // Below the recording loop: a busy console slows itself, not the recordings.
    impl_->thread = std::make_unique<platform::Thread>([this] { impl_->io.run(); }, platform::Thread::Priority::Below);
    return true;
}

uint16_t WebServer::port() const {
    beast::error_code ec;
    return impl_->acceptor.local_endpoint(ec).port();
}

}  // namespace host::web
