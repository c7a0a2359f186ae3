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
#include <functional>
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
double micros_of(F&& once) {
    const auto start = Clock::now();
    once();
    return micros(Clock::now() - start);
}

void nodelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// A raw TCP ping-pong of `size` bytes between the caller's thread and an echo
// thread, over loopback.
class PingPong {
  public:
    explicit PingPong(std::size_t size) : size_(size), buf_(size, 'x') {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        echo_ = std::thread([this] { echo(); });
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::abort();
        nodelay(fd_);
    }
    ~PingPong() {
        close(fd_);
        echo_.join();
        close(listener_);
    }
    PingPong(const PingPong&) = delete;
    PingPong& operator=(const PingPong&) = delete;

    void once() {
        if (write(fd_, buf_.data(), size_) != static_cast<ssize_t>(size_)) std::abort();
        read_all(fd_, buf_);
    }

  private:
    static bool read_all(int fd, std::vector<char>& buf) {
        std::size_t got = 0;
        while (got < buf.size()) {
            const ssize_t r = read(fd, buf.data() + got, buf.size() - got);
            if (r <= 0) return false;
            got += static_cast<std::size_t>(r);
        }
        return true;
    }
    void echo() {
        const int fd = accept(listener_, nullptr, nullptr);
        nodelay(fd);
        std::vector<char> buf(size_);
        while (read_all(fd, buf) && write(fd, buf.data(), size_) == static_cast<ssize_t>(size_)) {
        }
        close(fd);
    }

    std::size_t size_;
    std::vector<char> buf_;
    int listener_ = -1, fd_ = -1;
    std::thread echo_;
};

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
        R"({"method":"POST","path":"methods/Fuel_Itemization_Complete","body":{"args":[-1,0]}}])";
    // Before each batch the tester makes an item wait on pump 1: a prepay of
    // 20.00, then its void once it is rung up, and so on; the batch finds it,
    // reads it and confirms it as a POS does.
    const std::string prepay =
        R"([{"method":"POST","path":"click","body":{"widget":"Value","index":2}},)"
        R"({"method":"POST","path":"click","body":{"widget":"Pump","index":0}}])";
    const std::string prepay_void = R"({"widget":"Pump","index":0})";
    c.Post("/sites/1/click", prepay_void, "application/json");  // opens the pump
    bool voiding = false;
    std::string last;  // the body of the previous batch
    const auto make_item_wait = [&] {
        // The previous batch, checked here, untimed: it found its item.
        if (!last.empty() && (json::parse(last)["results"][0]["result"] != -1 ||
                              last.find("fault") != std::string::npos)) {
            std::fprintf(stderr, "the batch did not ring up an item: %s\n", last.c_str());
            std::exit(1);
        }
        c.Post(voiding ? "/sites/1/click" : "/sites/1/batch", voiding ? prepay_void : prepay,
               "application/json");
        voiding = !voiding;
    };
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
    PingPong ping_pong(64);

    // Each exchange is timed twice: one kind at a time in a loop of its own,
    // and all kinds taking turns round by round. A ping-pong alone lets both
    // CPUs fall idle between packets and pays for waking them; taking turns
    // with the HTTP requests it mostly does not, so its figure differs most.
    struct Exchange {
        const char* name;
        std::function<void()> once, before;
        std::vector<double> alone, turns;
    };
    const auto nothing = [] {};
    std::vector<Exchange> exchanges = {
        {"tcp ping-pong 64 B", [&] { ping_pong.once(); }, nothing, {}, {}},
        {"static reply, same size", [&] { sc.Get("/static"); }, nothing, {}, {}},
        {"property read", [&] { c.Get(read_path.c_str()); }, nothing, {}, {}},
        {"poll + record + confirm batch",
         [&] { last = c.Post("/sites/1/batch", batch, "application/json")->body; },
         make_item_wait,
         {},
         {}},
    };
    for (Exchange& e : exchanges)
        for (int n = -kRounds / 10; n < kRounds; ++n) {
            e.before();
            const double t = micros_of(e.once);
            if (n >= 0) e.alone.push_back(t);  // the first tenth warms up
        }
    for (int n = -kRounds / 10; n < kRounds; ++n)
        for (Exchange& e : exchanges) {
            e.before();
            const double t = micros_of(e.once);
            if (n >= 0) e.turns.push_back(t);
        }
    statics.stop();
    static_serving.join();

    std::printf("median of %d, in us                one at a time   taking turns\n", kRounds);
    for (const Exchange& e : exchanges)
        std::printf("%-30s %14.1f %14.1f\n", e.name, median(e.alone), median(e.turns));
    const auto ratio = [&](std::size_t of, std::size_t to) {
        std::printf("  %s / %s: %.2fx one at a time, %.2fx taking turns\n", exchanges[of].name,
                    exchanges[to].name, median(exchanges[of].alone) / median(exchanges[to].alone),
                    median(exchanges[of].turns) / median(exchanges[to].turns));
    };
    ratio(2, 0);
    ratio(3, 0);
    ratio(2, 1);

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
