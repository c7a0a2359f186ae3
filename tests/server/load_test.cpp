// The bounded load test: clients on keep-alive connections send mixed
// requests to many sites at once while a stream reader follows each site.
// Every request is answered once, every stream is gapless, and each site's
// recorded session, replayed in this process, holds at every step and ends
// in the state the server reports.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "control/surface.h"
#include "run/script.h"
#include "server_rig.h"

namespace dorvane::server::testing {
namespace {

constexpr int kClients = 8;
constexpr int kSites = 20;
constexpr int kDefaultRequestsPerClient = 2500;

int requests_per_client() {
    const char* n = std::getenv("DORVANE_LOAD_REQUESTS");
    return n ? std::atoi(n) : kDefaultRequestsPerClient;
}

struct Request {
    std::string method, path, body;
};

// One mixed request, drawn by the client's own seeded generator.
Request draw(std::mt19937& rng, int site) {
    const std::string s = "/sites/" + std::to_string(site) + "/";
    const int pump = static_cast<int>(rng() % 6);
    const std::string p = std::to_string(pump);
    switch (rng() % 14) {
        case 0:
            return {"GET", s + "properties/Total_Price", ""};
        case 1:
            return {"PUT", s + "properties/POS_Entry_ID",
                    R"({"value": )" + std::to_string(rng() % 50000) + "}"};
        case 2:
            return {"POST", s + "methods/Poll_Fuel_Itemization", "{}"};
        case 3:
            return {"POST", s + "methods/Fuel_Itemization_Complete", R"({"args": [true, 0]})"};
        case 4:
            return {"POST", s + "click", R"({"widget": "Pump", "index": )" + p + "}"};
        case 5:
            return {"POST", s + "click", R"({"widget": "SimPump", "index": )" + p + "}"};
        case 6:
            return {"POST", s + "click", R"({"widget": "Hook"})"};
        case 7:
            return {"POST", s + "click", R"({"widget": "PumpGas"})"};
        case 8:
            return {"POST", s + "click", R"({"widget": "Sale", "index": )" + p + "}"};
        case 9:
            return {"POST", s + "purchase", R"({"text": "5"})"};
        case 10:
            return {"POST", s + "tick", R"({"count": )" + std::to_string(1 + rng() % 3) + "}"};
        case 11:
            return {
                "POST", s + "batch",
                R"([{"method":"POST","path":"methods/Poll_Fuel_Itemization"},{"method":"GET","path":"properties/Pump_Number"},{"method":"GET","path":"properties/Total_Price"}])"};
        case 12:
            return {"GET", s + "widgets/Status/" + p, ""};
        default:
            return rng() % 20 == 0
                       ? Request{"POST", s + "methods/Terminal_Opened", R"({"args": [1, 2, 3]})"}
                       : Request{"POST", s + "methods/Transaction_Finalized", R"({"args": [1]})"};
    }
}

struct StreamCheck {
    long long last = 0;
    long long gaps = 0;
    bool lost = false, closed = false;
};

// Follows a site's stream from its first event until the site ends.
void follow(int port, int site, StreamCheck& check) {
    httplib::Client c("127.0.0.1", port);
    c.set_tcp_nodelay(true);
    c.set_read_timeout(60, 0);
    std::string pending;
    c.Get(("/sites/" + std::to_string(site) + "/events?from=1").c_str(),
          [&](const char* data, size_t size) {
              pending.append(data, size);
              std::size_t end;
              while ((end = pending.find("\n\n")) != std::string::npos) {
                  const std::string block = pending.substr(0, end);
                  pending.erase(0, end + 2);
                  if (block.rfind("id: ", 0) == 0) {
                      const long long id = std::stoll(block.substr(4));
                      if (id != check.last + 1) ++check.gaps;
                      check.last = id;
                  }
                  if (block.find("event: lost") != std::string::npos) check.lost = true;
                  if (block.find("event: closed") != std::string::npos) check.closed = true;
              }
              return !check.closed;
          });
}

// The state a host and a tester can see, read through the tables.
json control_state(const DorvaneCtl& ctl) {
    json j = json::object();
    for (std::size_t p = 0; p < surface_properties().size(); ++p)
        j[std::string(surface_properties()[p].name)] =
            to_json(get_property(ctl, static_cast<int>(p)));
    for (const MemberInfo& m : pump_table_members())
        for (int pump = 0; pump < (m.shape == MemberShape::Scalar ? 1 : kPumpSlots); ++pump)
            j[std::string(m.name) + "/" + std::to_string(pump)] = m.read(ctl.pump_table(), 0, pump);
    return j;
}

json served_state(httplib::Client& c, int site) {
    const std::string s = "/sites/" + std::to_string(site);
    json j = body_of(c.Get((s + "/properties").c_str()));
    const json scalars = body_of(c.Get((s + "/members").c_str()));
    for (const auto& [name, value] : scalars.items())
        j[name + "/0"] = value;
    for (const MemberInfo& m : pump_table_members()) {
        if (m.shape == MemberShape::Scalar) continue;
        const json values =
            body_of(c.Get((s + "/members/" + std::string(m.name)).c_str()))["value"];
        for (int pump = 0; pump < kPumpSlots; ++pump)
            j[std::string(m.name) + "/" + std::to_string(pump)] =
                m.shape == MemberShape::PerPump ? values[pump] : values[0][pump];
    }
    return j;
}

TEST(Load, mixed_requests_on_many_sites_are_answered_once_streamed_gapless_and_replay_in_process) {
    ServerOptions o;
    o.limits.history = {1u << 30, 1u << 30};  // nothing lost, so gaps would be the server's
    RunningServer server(o);
    httplib::Client admin = server.client();
    for (int s = 1; s <= kSites; ++s) {
        ASSERT_EQ(
            admin.Post("/sites", R"({"clock": "virtual", "ticks": "manual"})", "application/json")
                ->status,
            201);
        // Every site starts open for business, so that the mix reaches its flows.
        ASSERT_EQ(admin
                      .Post(("/sites/" + std::to_string(s) + "/methods/Terminal_Opened").c_str(),
                            R"({"args": [1, 2, 3]})", "application/json")
                      ->status,
                  200);
    }
    std::vector<StreamCheck> streams(kSites);
    std::vector<std::thread> readers;
    for (int s = 0; s < kSites; ++s)
        readers.emplace_back(
            [&, s] { follow(server.port(), s + 1, streams[static_cast<std::size_t>(s)]); });

    const int per_client = requests_per_client();
    std::vector<int> answered(kClients, 0), refused(kClients, 0), malformed(kClients, 0);
    std::vector<std::thread> clients;
    for (int k = 0; k < kClients; ++k)
        clients.emplace_back([&, k] {
            httplib::Client c = server.client();
            std::mt19937 rng(static_cast<unsigned>(1000 + k));
            for (int n = 0; n < per_client; ++n) {
                const Request r = draw(rng, 1 + static_cast<int>(rng() % kSites));
                httplib::Request req;
                req.method = r.method;
                req.path = r.path;
                req.body = r.body;
                httplib::Result res = c.send(req);
                if (!res) continue;
                ++answered[static_cast<std::size_t>(k)];
                if (res->status != 200) ++refused[static_cast<std::size_t>(k)];
                if (!json::parse(res->body, nullptr, false).is_object())
                    ++malformed[static_cast<std::size_t>(k)];
            }
        });
    for (std::thread& t : clients)
        t.join();
    for (int k = 0; k < kClients; ++k) {
        EXPECT_EQ(answered[static_cast<std::size_t>(k)], per_client) << "client " << k;
        EXPECT_EQ(refused[static_cast<std::size_t>(k)], 0) << "client " << k;
        EXPECT_EQ(malformed[static_cast<std::size_t>(k)], 0) << "client " << k;
    }

    std::vector<long long> last_events(kSites, 0);
    for (int s = 1; s <= kSites; ++s) {
        SCOPED_TRACE("site " + std::to_string(s));
        const std::string session =
            admin.Get(("/sites/" + std::to_string(s) + "/session.dvs").c_str())->body;
        const json served = served_state(admin, s);
        const long long last_event =
            body_of(admin.Get(("/sites/" + std::to_string(s)).c_str()))["last_event"];
        ASSERT_EQ(admin.Delete(("/sites/" + std::to_string(s)).c_str())->status, 200);

        script::Session replay;
        for (const script::Statement& st : script::parse_script(session)) {
            const script::Outcome out = replay.execute(st);
            ASSERT_TRUE(out.held) << "line " << st.line << ": " << out.detail;
        }
        EXPECT_EQ(control_state(replay.control()), served);
        last_events[static_cast<std::size_t>(s - 1)] = last_event;
    }
    for (std::thread& t : readers)
        t.join();
    for (int s = 0; s < kSites; ++s) {
        SCOPED_TRACE("stream of site " + std::to_string(s + 1));
        const StreamCheck& c = streams[static_cast<std::size_t>(s)];
        EXPECT_EQ(c.gaps, 0);
        EXPECT_FALSE(c.lost);
        EXPECT_TRUE(c.closed) << "the stream says when its site ends";
        EXPECT_EQ(c.last, last_events[static_cast<std::size_t>(s)])
            << "every event reached the stream";
    }
}

}  // namespace
}  // namespace dorvane::server::testing
