// A dorvane-server run in the test's own process on a free loopback port,
// and a keep-alive client of it.
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>

#include "http_server.h"

namespace dorvane::server::testing {

using json = nlohmann::json;

class RunningServer {
  public:
    explicit RunningServer(ServerOptions options = {}) : server_(with_free_port(options)) {
        port_ = server_.bind();
        thread_ = std::thread([this] { server_.run(); });
        // A request answered means the accept loop runs, so stop() reaches it.
        if (!client().Get("/api")) throw std::runtime_error("the test server did not answer");
    }
    ~RunningServer() {
        server_.stop();
        thread_.join();
    }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port_);
        c.set_tcp_nodelay(true);
        c.set_keep_alive(true);
        c.set_read_timeout(30, 0);
        return c;
    }
    int port() const { return port_; }
    SiteServer& server() { return server_; }

  private:
    static ServerOptions with_free_port(ServerOptions o) {
        o.host = o.host.empty() ? "127.0.0.1" : o.host;
        o.port = 0;
        return o;
    }
    SiteServer server_;
    int port_ = 0;
    std::thread thread_;
};

// The body of an answer as JSON; fails the test on a missing answer.
inline json body_of(const httplib::Result& r) {
    if (!r) throw std::runtime_error("no answer: " + httplib::to_string(r.error()));
    return json::parse(r->body, nullptr, false);
}

}  // namespace dorvane::server::testing
