// dorvane-server: simulated forecourt sites over HTTP and JSON.
#ifdef _WIN32
#include <atomic>
#else
#include <csignal>
#endif
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "http_server.h"

#ifdef _WIN32
// Last: it defines macros (ERROR among them) that the control's names share.
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: dorvane-server [--listen HOST:PORT] [--sites N] [--token-file F]\n"
    "                      [--allow-origin URL ...] [--record-dir D]\n"
    "Serves simulated forecourt sites over HTTP with JSON.\n"
    "  --listen HOST:PORT  where to listen (127.0.0.1:8080); port 0 picks a free one;\n"
    "                      the first line printed is the address listened on\n"
    "  --sites N           make sites 1..N at start (system clock, real ticks)\n"
    "  --token-file F      every request carries Authorization: Bearer <token in F>;\n"
    "                      needed to listen on an address other than loopback\n"
    "  --allow-origin URL  a web origin that may drive sites (repeatable)\n"
    "  --record-dir D      keep each site's session script in D when it ends\n"
    "  --connections N     connections served at once (64)\n"
    "  --workers N         threads that run the sites (2)\n";

#ifdef _WIN32
std::atomic<dorvane::server::SiteServer*> console_stop_target{nullptr};

BOOL WINAPI on_console_event(DWORD) {
    if (auto* server = console_stop_target.load()) server->stop();
    return TRUE;
}
#endif

int usage_error(const std::string& message) {
    std::cerr << "dorvane-server: " << message << "\n" << kUsage;
    return 2;
}

bool number(const std::string& s, long long lo, long long hi, int& out) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long v = std::stoll(s);
    if (v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace dorvane::server;
    ServerOptions options;
    std::string token_file;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t a = 0; a < args.size(); ++a) {
        const std::string& opt = args[a];
        if (opt == "--help" || opt == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (a + 1 >= args.size()) return usage_error(opt + " wants a value");
        const std::string& value = args[++a];
        if (opt == "--listen") {
            const std::size_t colon = value.rfind(':');
            if (colon == std::string::npos ||
                !number(value.substr(colon + 1), 0, 65535, options.port))
                return usage_error("--listen wants HOST:PORT, not " + value);
            options.host = value.substr(0, colon);
            if (options.host.size() > 2 && options.host.front() == '[' &&
                options.host.back() == ']')
                options.host = options.host.substr(1, options.host.size() - 2);
        } else if (opt == "--sites") {
            if (!number(value, 0, kMaxSites, options.sites))
                return usage_error("--sites runs 0 to " + std::to_string(kMaxSites));
        } else if (opt == "--token-file") {
            token_file = value;
        } else if (opt == "--allow-origin") {
            if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0)
                return usage_error("--allow-origin wants an origin such as http://localhost:3000");
            options.allow_origins.push_back(value);
        } else if (opt == "--record-dir") {
            options.record_dir = value;
        } else if (opt == "--connections") {
            if (!number(value, 4, 4096, options.connections))
                return usage_error("--connections runs 4 to 4096");
        } else if (opt == "--workers") {
            if (!number(value, 1, 256, options.workers))
                return usage_error("--workers runs 1 to 256");
        } else {
            return usage_error("unknown option " + opt);
        }
    }

#ifdef _WIN32
    // Ctrl+C, Ctrl+Break and closing the console window arrive on a thread
    // of their own, which stops the server; run() then returns here.
    try {
        if (!token_file.empty()) options.token = read_token_file(token_file);
        SiteServer server(options);
        server.bind();
        std::cout << server.address() << std::endl;
        console_stop_target.store(&server);
        SetConsoleCtrlHandler(on_console_event, TRUE);
        server.run();
        console_stop_target.store(nullptr);
    } catch (const std::exception& e) {
        std::cerr << "dorvane-server: " << e.what() << "\n";
        return 2;
    }
    return 0;
#else
    // Signals end the server through the waiting thread below, not in a handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        if (!token_file.empty()) options.token = read_token_file(token_file);
        SiteServer server(options);
        server.bind();
        std::cout << server.address() << std::endl;
        std::thread waiter([&] {
            int sig = 0;
            sigwait(&signals, &sig);
            server.stop();
        });
        server.run();
        // Wake the waiter if the server ended on its own.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
    } catch (const std::exception& e) {
        std::cerr << "dorvane-server: " << e.what() << "\n";
        return 2;
    }
    return 0;
#endif
}
