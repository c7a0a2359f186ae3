// The HTTP side of dorvane-server: security checks, the request decoder, and
// the answer of each route, over cpp-httplib.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "site.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace dorvane::server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;    // 0: any free port
    int sites = 0;      // made at start: system clock, real ticks
    std::string token;  // empty: no token asked for (loopback only)
    std::vector<std::string> allow_origins;
    std::string record_dir;  // where a deleted site's session script is kept
    int connections = 64;    // HTTP threads: keep-alive connections and event streams
    int workers = 2;         // threads that run the sites' strands
    int max_streams = 32;    // event streams open at once
    // A connection is closed when a request stalls this long while it is read
    // or written, or when it sits idle between requests this long.
    int stall_timeout_ms = 5000;
    int idle_timeout_s = 10;  // whole seconds: the HTTP library counts them so
    Sites::Limits limits;     // sites held at once, event history per site
};

// Whether an address is a loopback one (127.0.0.0/8, ::1, localhost).
bool is_loopback(const std::string& host);
// Compares two texts in a time that does not depend on where they differ.
bool same_secret(const std::string& a, const std::string& b);
// Reads a token file: its first line without surrounding blanks; throws when
// the file cannot be read or holds no token.
std::string read_token_file(const std::string& path);

class SiteServer {
  public:
    explicit SiteServer(ServerOptions options);
    ~SiteServer();

    // Binds the listening socket; returns the port. Throws std::runtime_error.
    int bind();
    // Serves until stop().
    void run();
    void stop();
    // The address clients use: http://127.0.0.1:8080.
    std::string address() const;
    Sites& sites() { return sites_; }

  private:
    void handle(const httplib::Request& req, httplib::Response& res);
    void answer(const httplib::Request& req, httplib::Response& res, const std::string& origin);
    void stream_events(const httplib::Request& req, httplib::Response& res,
                       std::shared_ptr<Site> site);
    void keep_record(Site& site);
    bool host_allowed(const std::string& host_header) const;

    ServerOptions options_;
    Sites sites_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = 0;
    std::atomic<int> streams_{0};
    std::atomic<bool> stopping_{false};
};

}  // namespace dorvane::server
