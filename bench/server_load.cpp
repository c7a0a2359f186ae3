// dorvane-server-load: the site server's figures, each measured against a
// baseline taken in the same run between the same two threads: a raw TCP
// ping-pong of the same size, and a static reply from the same HTTP library.
// Prints one line per figure; docs/performance.md keeps the results.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "http_server.h"

namespace {

using namespace dorvane::server;
using Clock = std::chrono::steady_clock;
using json = nlohmann::json;

constexpr int kRounds = 5000;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double median_of(F&& once) {
    std::vector<double> t;
    for (int n = 0; n < kRounds / 10; ++n)
        once();  // warm-up
    for (int n = 0; n < kRounds; ++n) {
        const auto start = Clock::now();
        once();
        t.push_back(micros(Clock::now() - start));
    }
    return median(t);
}

void nodelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// A raw TCP ping-pong of `size` bytes between this thread and an echo thread.
double tcp_ping_pong(std::size_t size) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::thread echo([listener, size] {
        int fd = accept(listener, nullptr, nullptr);
        nodelay(fd);
        std::vector<char> buf(size);
        while (true) {
            std::size_t got = 0;
            while (got < size) {
                const ssize_t r = read(fd, buf.data() + got, size - got);
                if (r <= 0) return close(fd), void();
                got += static_cast<std::size_t>(r);
            }
            if (write(fd, buf.data(), size) != static_cast<ssize_t>(size)) return close(fd), void();
        }
    });
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    nodelay(fd);
    std::vector<char> buf(size, 'x');
    const double m = median_of([&] {
        if (write(fd, buf.data(), size) != static_cast<ssize_t>(size)) std::abort();
        std::size_t got = 0;
        while (got < size)
            got += static_cast<std::size_t>(read(fd, buf.data() + got, size - got));
    });
    close(fd);
    echo.join();
    close(listener);
    return m;
}

long rss_kib() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int idle_sites = argc > 1 ? std::atoi(argv[1]) : 10000;
    ServerOptions o;
    o.port = 0;
    SiteServer server(o);
    const int port = server.bind();
    std::thread serving([&] { server.run(); });
    httplib::Client c("127.0.0.1", port);
    c.set_tcp_nodelay(true);
    c.set_keep_alive(true);
    c.Post("/sites", R"({"clock": "virtual", "ticks": "manual"})", "application/json");
    c.Post("/sites/1/methods/Terminal_Opened", R"({"args": [1, 2, 3]})", "application/json");

    // Baselines and the host's round trips.
    const std::string read_path = "/sites/1/properties/Total_Price";
    const std::size_t read_size = c.Get(read_path.c_str())->body.size();
    const std::string batch =
        R"([{"method":"POST","path":"methods/Poll_Fuel_Itemization"},)"
        R"({"method":"GET","path":"properties/Pump_Number"},{"method":"GET","path":"properties/Total_Price"},)"
        R"({"method":"GET","path":"properties/Gallons_Sold"},{"method":"GET","path":"properties/ZRD_Sequence_Number"},)"
        R"({"method":"GET","path":"properties/Fuel_Grade"},{"method":"GET","path":"properties/Price_Per_Gallon_Sold"},)"
        R"({"method":"POST","path":"methods/Fuel_Itemization_Complete","body":{"args":[true,0]}}])";
    const double ping = tcp_ping_pong(64);
    const double read = median_of([&] { c.Get(read_path.c_str()); });
    const double poll = median_of([&] { c.Post("/sites/1/batch", batch, "application/json"); });

    httplib::Server statics;
    const std::string reply(read_size, 'x');
    statics.Get("/static", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(reply, "application/json");
    });
    statics.set_tcp_nodelay(true);
    const int static_port = statics.bind_to_any_port("127.0.0.1");
    std::thread static_serving([&] { statics.listen_after_bind(); });
    httplib::Client sc("127.0.0.1", static_port);
    sc.set_tcp_nodelay(true);
    sc.set_keep_alive(true);
    const double static_reply = median_of([&] { sc.Get("/static"); });
    statics.stop();
    static_serving.join();

    std::printf("tcp ping-pong 64 B            median %7.1f us\n", ping);
    std::printf("property read                 median %7.1f us  %.2fx ping-pong\n", read,
                read / ping);
    std::printf("poll + record + confirm batch median %7.1f us  %.2fx ping-pong\n", poll,
                poll / ping);
    std::printf("static reply, same size       median %7.1f us  property read %.2fx of it\n",
                static_reply, read / static_reply);

    // Throughput: 8 keep-alive clients of host requests for a fixed count each.
    constexpr int kClients = 8, kEach = 5000;
    for (int s = 0; s < 8; ++s)
        c.Post("/sites", R"({"clock": "virtual", "ticks": "manual"})", "application/json");
    std::atomic<long> answered{0};
    const auto t0 = Clock::now();
    std::vector<std::thread> clients;
    for (int k = 0; k < kClients; ++k)
        clients.emplace_back([&, k] {
            httplib::Client cl("127.0.0.1", port);
            cl.set_tcp_nodelay(true);
            cl.set_keep_alive(true);
            const std::string site = "/sites/" + std::to_string(2 + k);
            for (int n = 0; n < kEach; ++n) {
                httplib::Result r =
                    n % 3 == 0   ? cl.Post((site + "/methods/Poll_Fuel_Itemization").c_str(), "{}",
                                           "application/json")
                    : n % 3 == 1 ? cl.Put((site + "/properties/POS_Entry_ID").c_str(),
                                          R"({"value": 5})", "application/json")
                                 : cl.Get((site + "/properties/Total_Price").c_str());
                if (r && r->status == 200) ++answered;
            }
        });
    for (auto& t : clients)
        t.join();
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("8 keep-alive clients          %7.0f requests/s, %ld of %d answered\n",
                answered / secs, answered.load(), kClients * kEach);

    // Event latency: from sending a change to its event on a connected stream
    // (an upper bound: the request's own trip to the server is included).
    std::atomic<long long> arrived{0};
    std::atomic<int> events{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        httplib::Client rc("127.0.0.1", port);
        rc.set_tcp_nodelay(true);
        rc.set_read_timeout(30, 0);
        rc.Get("/sites/1/events", [&](const char* data, size_t size) {
            if (std::string_view(data, size).find("event: set") != std::string_view::npos) {
                arrived = Clock::now().time_since_epoch().count();
                ++events;
            }
            return !done;
        });
    });
    while (events == 0)
        c.Put("/sites/1/properties/POS_Entry_ID", R"({"value": 1})", "application/json");
    std::vector<double> latency;
    for (int n = 0; n < 1000; ++n) {
        const int before = events;
        const auto sent = Clock::now();
        c.Put("/sites/1/properties/POS_Entry_ID", R"({"value": 2})", "application/json");
        while (events == before)
            std::this_thread::yield();
        latency.push_back(micros(Clock::duration(arrived.load()) - sent.time_since_epoch()));
    }
    done = true;
    c.Put("/sites/1/properties/POS_Entry_ID", R"({"value": 3})", "application/json");
    reader.join();
    std::printf("event on a connected stream   median %7.1f us after the change was sent\n",
                median(latency));

    // Idle sites with real ticks on the machine's clock.
    for (const auto& site : server.sites().list())
        server.sites().remove(site->id());
    std::fflush(stdout);
    const long rss_before = rss_kib();
    for (int n = 0; n < idle_sites; ++n)
        server.sites().create(SiteSettings{});
    const long rss_after = rss_kib();
    const double cpu0 = cpu_seconds();
    const auto w0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double cpu =
        (cpu_seconds() - cpu0) / std::chrono::duration<double>(Clock::now() - w0).count();
    std::printf("%d idle real-tick sites      %5.1f %% of one core, %.1f KiB per site\n",
                idle_sites, cpu * 100.0, static_cast<double>(rss_after - rss_before) / idle_sites);

    server.stop();
    serving.join();
    return 0;
}
