#include "http_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <fstream>
#include <sstream>

#include "dorvane/control/surface.h"
#include "static_files.h"

namespace dorvane::server {

extern const char* const kOpenApiText;  // openapi.json, built in

namespace {

// With the charset named, Debian's cpp-httplib leaves JSON replies
// uncompressed: it compresses exactly "application/json", with Brotli at its
// slowest setting for every browser, which made the 51 KB widget list take
// some 260 ms to its first byte instead of about 10 ms.
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr auto kStreamWait = std::chrono::milliseconds(250);
constexpr int kHeartbeatWaits = 60;  // a comment line every 15 s keeps proxies from closing

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void send_json(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(json_text(body), kJson);
}

void send_refusal(httplib::Response& res, int status, const std::string& message) {
    send_json(res, status, {{"error", message}, {"status", status}});
}

const char* type_name(ValueType t) {
    return t == kVariantParam ? "Variant" : value_type_name(t);
}

const char* shape_name(MemberShape s) {
    return s == MemberShape::Scalar    ? "scalar"
           : s == MemberShape::PerPump ? "per_pump"
                                       : "per_item";
}

// The host surface and the tester's names, from the control's own tables.
json api_json() {
    json props = json::array(), methods = json::array(), widgets = json::array(),
         members = json::array();
    for (const PropertyInfo& p : surface_properties())
        props.push_back({{"name", p.name},
                         {"type", type_name(p.type)},
                         {"readable", p.readable},
                         {"writable", p.writable}});
    for (const MethodInfo& m : surface_methods()) {
        json params = json::array();
        for (const ParamInfo& a : m.params)
            params.push_back({{"name", a.name}, {"type", type_name(a.type)}, {"by_ref", a.by_ref}});
        methods.push_back({{"name", m.name},
                           {"params", std::move(params)},
                           {"result", m.result ? json(type_name(*m.result)) : json(nullptr)}});
    }
    const Panel panel;
    for (int n = 0; n < kWidgetNames; ++n) {
        const W w = static_cast<W>(n);
        widgets.push_back(
            {{"name", Panel::name_of(w)},
             {"size", Panel::array_size(w)},
             {"kind", widget_json(panel, panel.id(w, Panel::array_size(w) > 0 ? 0 : -1))["kind"]}});
    }
    for (const MemberInfo& m : pump_table_members())
        members.push_back(
            {{"name", m.name}, {"shape", shape_name(m.shape)}, {"type", type_name(m.type)}});
    return {{"properties", std::move(props)},
            {"methods", std::move(methods)},
            {"widgets", std::move(widgets)},
            {"members", std::move(members)},
            {"true", True},
            {"false", False}};
}

std::string host_part(const std::string& host_header) {
    if (!host_header.empty() && host_header[0] == '[') {
        const std::size_t close = host_header.find(']');
        return close == std::string::npos ? host_header : host_header.substr(1, close - 1);
    }
    return host_header.substr(0, host_header.find(':'));
}

bool is_wildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::" || host.empty();
}

std::string sse_block(const std::string& id, const std::string& type, const std::string& data) {
    std::string out;
    if (!id.empty()) out += "id: " + id + "\n";
    return out + "event: " + type + "\ndata: " + data + "\n\n";
}

// Debian's cpp-httplib 0.11 listens with a backlog of 5, built into the
// library: a burst of clients connecting at once (a POS fleet at start-up)
// can then lose requests. Listening again on the same socket raises it.
void widen_backlog([[maybe_unused]] int port) {
#ifndef _WIN32
    for (int fd = 0; fd < 4096; ++fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening)
            continue;
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) continue;
        const int bound =
            addr.ss_family == AF_INET    ? ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port)
            : addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port)
                                         : -1;
        if (bound == port) ::listen(fd, SOMAXCONN);
    }
#endif
    // Windows sockets are handles, not small numbers to scan; its own accept
    // queue grows with demand, so the library's backlog is left there.
}

}  // namespace

bool is_loopback(const std::string& host) {
    const std::string h = lower(host);
    return h == "localhost" || h == "::1" || h.rfind("127.", 0) == 0;
}

bool same_secret(const std::string& a, const std::string& b) {
    const std::size_t n = std::max(a.size(), b.size());
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        diff = static_cast<unsigned char>(diff | (x ^ y));
    }
    return diff == 0;
}

std::string read_token_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the token file " + path);
    std::string line;
    std::getline(in, line);
    const auto blank = " \t\r\n";
    const std::size_t first = line.find_first_not_of(blank);
    if (first == std::string::npos)
        throw std::runtime_error("the token file " + path + " holds no token");
    line = line.substr(first, line.find_last_not_of(blank) - first + 1);
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
            throw std::runtime_error("the token in " + path +
                                     " must be printable ASCII without blanks");
    return line;
}

SiteServer::SiteServer(ServerOptions options)
    : options_(std::move(options)),
      sites_(options_.workers, options_.limits),
      http_(std::make_unique<httplib::Server>()) {
    if (!is_loopback(options_.host) && options_.token.empty())
        throw std::runtime_error("listening on " + options_.host +
                                 ", which is not loopback, needs --token-file");
    for (int n = 0; n < options_.sites; ++n)
        sites_.create(SiteSettings{});

    const int connections = options_.connections;
    http_->new_task_queue = [connections] {
        return new httplib::ThreadPool(static_cast<size_t>(connections));
    };
    http_->set_tcp_nodelay(true);
    http_->set_payload_max_length(kMaxBodyBytes);
    const time_t stall_s = options_.stall_timeout_ms / 1000;
    const time_t stall_us = (options_.stall_timeout_ms % 1000) * 1000;
    http_->set_read_timeout(stall_s, stall_us);
    http_->set_write_timeout(stall_s, stall_us);
    http_->set_keep_alive_timeout(options_.idle_timeout_s);
    http_->set_keep_alive_max_count(1000000);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        handle(req, res);
    };
    for (const char* pattern : {".*"}) {
        http_->Get(pattern, handler);
        http_->Post(pattern, handler);
        http_->Put(pattern, handler);
        http_->Delete(pattern, handler);
        http_->Options(pattern, handler);
        http_->Patch(pattern, handler);
    }
    // What the library answers itself (a body too large, a malformed request
    // line) gets a JSON body too.
    http_->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            const std::string message =
                res.status == 413 ? "a body is at most " + std::to_string(kMaxBodyBytes) + " bytes"
                                  : "request refused with status " + std::to_string(res.status);
            send_refusal(res, res.status, message);
            return httplib::Server::HandlerResponse::Handled;
        }));
}

SiteServer::~SiteServer() {
    stop();
    if (!options_.record_dir.empty())
        for (auto& site : sites_.list())
            keep_record(*site);
}

int SiteServer::bind() {
    if (options_.port == 0)
        port_ = http_->bind_to_any_port(options_.host);
    else if (http_->bind_to_port(options_.host, options_.port))
        port_ = options_.port;
    else
        port_ = -1;
    if (port_ <= 0)
        throw std::runtime_error("cannot listen on " + options_.host + ":" +
                                 std::to_string(options_.port));
    widen_backlog(port_);
    return port_;
}

void SiteServer::run() {
    http_->listen_after_bind();
}

void SiteServer::stop() {
    stopping_ = true;
    if (http_->is_running()) http_->stop();
}

std::string SiteServer::address() const {
    const bool v6 = options_.host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + options_.host + "]" : options_.host) + ":" +
           std::to_string(port_);
}

bool SiteServer::host_allowed(const std::string& host_header) const {
    // On a wildcard address every request carries the token, which a
    // rebinding page cannot know; the name it used is then no concern.
    if (is_wildcard(options_.host)) return true;
    const std::string host = lower(host_part(host_header));
    return is_loopback(host) || host == lower(options_.host);
}

void SiteServer::keep_record(Site& site) {
    const std::string path = options_.record_dir + "/site-" + std::to_string(site.id()) + ".dvs";
    std::ofstream out(path, std::ios::binary);
    out << site.strand().run([&] { return site.session_script(); });
}

void SiteServer::handle(const httplib::Request& req, httplib::Response& res) {
    res.set_header("Cache-Control", "no-store");
    const std::string host = req.get_header_value("Host");
    if (host.empty() || !host_allowed(host))
        return send_refusal(res, 403, "Host '" + host + "' names neither loopback nor this server");
    if (!options_.token.empty()) {
        const std::string given = req.get_header_value("Authorization");
        if (!same_secret(given, "Bearer " + options_.token)) {
            res.set_header("WWW-Authenticate", "Bearer");
            return send_refusal(res, 401, "this server wants Authorization: Bearer <token>");
        }
    }
    // A page of another origin, open in the tester's browser, must not drive
    // the forecourt: only the server's own origin and those allowed by
    // --allow-origin may change state, and only those get CORS answers.
    const std::string origin = req.get_header_value("Origin");
    bool allowed_origin = false;
    if (!origin.empty()) {
        allowed_origin = std::find(options_.allow_origins.begin(), options_.allow_origins.end(),
                                   origin) != options_.allow_origins.end();
        const bool own = origin == "http://" + host;
        if (allowed_origin) {
            res.set_header("Access-Control-Allow-Origin", origin);
            res.set_header("Vary", "Origin");
        }
        if (!own && !allowed_origin && (changes_state(req.method) || req.method == "OPTIONS"))
            return send_refusal(
                res, 403,
                "origin " + origin + " may not change this server's state (see --allow-origin)");
    }
    if (req.method == "OPTIONS") {
        res.status = 204;
        res.set_header("Access-Control-Allow-Methods", "GET, POST, PUT, DELETE");
        res.set_header("Access-Control-Allow-Headers",
                       "Authorization, Content-Type, Last-Event-ID");
        res.set_header("Access-Control-Max-Age", "600");
        return;
    }
    try {
        answer(req, res, origin);
    } catch (const Refusal& r) {
        send_refusal(res, r.status(), r.what());
    } catch (const std::exception& e) {
        send_refusal(res, 500, std::string("the server failed: ") + e.what());
    }
}

void SiteServer::answer(const httplib::Request& req, httplib::Response& res, const std::string&) {
    if (serve_web_request(req, res)) return;
    const Operation op = decode_request(req.method, req.path, req.body);
    switch (op.route) {
        case Route::Api:
            return send_json(res, 200, api_json());
        case Route::OpenApi:
            res.set_content(kOpenApiText, kJson);
            return;
        case Route::ListSites: {
            json list = json::array();
            for (auto& site : sites_.list())
                list.push_back(site->strand().run([&] { return site->info(); }));
            return send_json(res, 200, {{"sites", std::move(list)}});
        }
        case Route::CreateSite: {
            auto site = sites_.create(op.settings);
            res.set_header("Location", "/sites/" + std::to_string(site->id()));
            return send_json(res, 201, site->strand().run([&] { return site->info(); }));
        }
        case Route::DeleteSite: {
            auto site = sites_.find(op.site);
            if (!options_.record_dir.empty()) keep_record(*site);
            sites_.remove(op.site);
            return send_json(res, 200, {{"deleted", op.site}});
        }
        default:
            break;
    }
    auto site = sites_.find(op.site);
    site->check(op);
    if (op.route == Route::Events) return stream_events(req, res, site);
    if (op.route == Route::SessionScript) {
        res.set_content(site->strand().run([&] { return site->session_script(); }),
                        "text/plain; charset=utf-8");
        return;
    }
    send_json(res, 200, site->strand().run([&] { return site->perform(op); }));
}

void SiteServer::stream_events(const httplib::Request& req, httplib::Response& res,
                               std::shared_ptr<Site> site) {
    long long after = site->events().last_seq();
    std::string from = req.get_header_value("Last-Event-ID");
    if (from.empty() && req.has_param("from")) {
        // ?from=N starts after event N-1: from=1 is the whole kept history.
        from = req.get_param_value("from");
        try {
            if (from.find_first_not_of("0123456789") != std::string::npos)
                throw std::invalid_argument(from);
            from = std::to_string(std::max(0LL, std::stoll(from) - 1));
        } catch (const std::exception&) {
            throw Refusal(400, "from is an event number");
        }
    }
    if (!from.empty()) {
        if (from.size() > 18 || from.find_first_not_of("0123456789") != std::string::npos)
            throw Refusal(400, "Last-Event-ID is an event number, not '" + from + "'");
        after = std::stoll(from);
    }
    if (++streams_ > options_.max_streams) {
        --streams_;
        throw Refusal(503,
                      "too many event streams open (" + std::to_string(options_.max_streams) + ")");
    }
    res.set_header("X-Accel-Buffering", "no");
    int quiet_waits = 0;
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, site, after, quiet_waits](size_t, httplib::DataSink& sink) mutable {
            EventLog::Read r = site->events().read_after(after, kStreamWait);
            std::string out;
            if (r.lost_first > 0)
                out += sse_block("", "lost",
                                 json_text({{"first", r.lost_first},
                                            {"last", r.lost_last},
                                            {"message", "events " + std::to_string(r.lost_first) +
                                                            " to " + std::to_string(r.lost_last) +
                                                            " are no longer kept"}}));
            for (const Event& e : r.events) {
                out += sse_block(std::to_string(e.seq), e.type, e.data);
                after = e.seq;
            }
            if (out.empty() && ++quiet_waits >= kHeartbeatWaits) out = ": keep-alive\n\n";
            if (!out.empty()) {
                quiet_waits = 0;
                if (!sink.write(out.data(), out.size())) return false;
            }
            if ((r.closed && r.events.empty()) || stopping_) {
                const std::string end = sse_block("", "closed", json_text({{"site", site->id()}}));
                sink.write(end.data(), end.size());
                sink.done();
            }
            return true;
        },
        [this](bool) { --streams_; });
}

}  // namespace dorvane::server
