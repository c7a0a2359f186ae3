// The site machinery without HTTP: the tick scheduler on an injected time,
// strands, and the bounded event history.
#include "executor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "site.h"

namespace dorvane::server {
namespace {

using namespace std::chrono_literals;
using Clock = TickScheduler::Clock;

struct Counter : Ticking {
    int ticks = 0;
    void due() override { ++ticks; }
};

TEST(TickScheduler, ticks_keep_their_phase_and_skip_what_was_missed) {
    TickScheduler timer(TickScheduler::Thread::None);
    const Clock::time_point t0{};
    auto site = std::make_shared<Counter>();
    auto fast = std::make_shared<Counter>();
    timer.add(site, t0, 1000ms);
    timer.add(fast, t0, 250ms);
    struct Step {
        const char* name;
        Clock::duration at;
        int site_total, fast_total;
    };
    const Step steps[] = {
        {"nothing before the first interval", 249ms, 0, 0},
        {"a speed-4 site ticks at a quarter second", 250ms, 0, 1},
        {"not twice for the same due time", 250ms, 0, 1},
        {"one second: each site once, the fast one's missed ticks skipped", 1000ms, 1, 2},
        {"a late wake-up delivers one tick, not a burst", 3500ms, 2, 3},
        {"the phase is kept: the fast site next at 3.75 s", 3999ms, 2, 4},
        {"and the normal one at four seconds", 4000ms, 3, 5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        timer.run_due(t0 + s.at);
        EXPECT_EQ(site->ticks, s.site_total);
        EXPECT_EQ(fast->ticks, s.fast_total);
    }
}

TEST(TickScheduler, an_ended_site_leaves_the_schedule) {
    TickScheduler timer(TickScheduler::Thread::None);
    auto site = std::make_shared<Counter>();
    timer.add(site, Clock::time_point{}, 1000ms);
    EXPECT_EQ(timer.size(), 1u);
    site.reset();
    EXPECT_EQ(timer.run_due(Clock::time_point{} + 1000ms), 0);
    EXPECT_EQ(timer.size(), 0u);
}

TEST(Strand, runs_one_job_at_a_time_in_the_order_given) {
    WorkerPool pool(2);
    auto strand = std::make_shared<Strand>(pool);
    constexpr int kThreads = 4, kJobs = 2000;
    std::atomic<int> inside{0};
    int overlaps = 0, total = 0;  // touched only on the strand
    std::vector<int> order;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int n = 0; n < kJobs; ++n) {
                auto job = [&, t, n] {
                    if (inside.fetch_add(1) != 0) ++overlaps;
                    ++total;
                    if (t == 0) order.push_back(n);
                    inside.fetch_sub(1);
                };
                if (n % 2 == 0)
                    strand->run(job);
                else
                    strand->post(job);
            }
        });
    for (std::thread& t : threads)
        t.join();
    strand->run([] {});  // after every post of every thread
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(total, kThreads * kJobs);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kJobs));
    for (int n = 0; n < kJobs; ++n)
        ASSERT_EQ(order[static_cast<std::size_t>(n)], n) << "one thread's jobs ran out of order";
}

TEST(Strand, run_returns_the_result_and_rethrows_what_the_job_threw) {
    WorkerPool pool(1);
    auto strand = std::make_shared<Strand>(pool);
    EXPECT_EQ(strand->run([] { return 42; }), 42);
    EXPECT_THROW(strand->run([]() -> int { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(strand->run([] { return 7; }), 7) << "the strand is free again after a throw";
}

TEST(EventLog, a_reader_behind_the_history_is_told_what_was_lost) {
    EventLog log(HistoryLimits{3, 1 << 20});
    for (int n = 0; n < 5; ++n)
        log.append("beep", {{"beeps", n}});
    struct Row {
        const char* name;
        long long after;
        long long lost_first, lost_last;
        std::vector<long long> seqs;
    };
    const Row rows[] = {
        {"from the start: 1 and 2 are gone", 0, 1, 2, {3, 4, 5}},
        {"after 1: 2 is gone", 1, 2, 2, {3, 4, 5}},
        {"after 2: nothing lost", 2, 0, 0, {3, 4, 5}},
        {"after 4: only 5", 4, 0, 0, {5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EventLog::Read r = log.read_after(row.after, 0ms);
        EXPECT_EQ(r.lost_first, row.lost_first);
        EXPECT_EQ(r.lost_last, row.lost_last);
        std::vector<long long> seqs;
        for (const Event& e : r.events)
            seqs.push_back(e.seq);
        EXPECT_EQ(seqs, row.seqs);
    }
    EXPECT_EQ(log.read_after(5, 0ms).events.size(), 0u);
    log.close();
    EXPECT_TRUE(log.read_after(5, 1h).closed) << "a closed log does not keep its reader waiting";
}

TEST(EventLog, the_byte_bound_holds_too) {
    EventLog log(HistoryLimits{1000, 200});
    for (int n = 0; n < 50; ++n)
        log.append("widget", {{"value", std::string(40, 'x')}});
    EventLog::Read r = log.read_after(0, 0ms);
    EXPECT_LT(r.events.size(), 5u);
    EXPECT_EQ(r.events.back().seq, 50);
    EXPECT_EQ(r.lost_last, r.events.front().seq - 1);
}

// Widget changes are kept in the log as they happened and made into JSON only
// when read: applied in order to the model as it was, they give the model as
// it is, whatever changed later.
TEST(EventLog, widget_events_replayed_on_the_first_model_give_the_last) {
    WorkerPool pool(1);
    SiteSettings settings;
    settings.virtual_clock = true;
    settings.manual_ticks = true;
    Site site(1, settings, pool, HistoryLimits{100000, 1u << 26});
    const auto run = [&](const char* method, const char* path, const char* body) {
        return site.perform(decode_request(method, std::string("/sites/1/") + path, body));
    };
    const json first = run("GET", "widgets", "")["widgets"];
    // A prepay rung up, fuelled and hung up: captions, colours, enabled and
    // visible states and option buttons all change, most of them twice.
    run("POST", "methods/Terminal_Opened", R"({"args": [1, 2, 3]})");
    run("POST", "click", R"({"widget": "Pump", "index": 0})");
    run("POST", "click", R"({"widget": "Value", "index": 2})");
    run("POST", "click", R"({"widget": "Pump", "index": 0})");
    run("POST", "methods/Poll_Fuel_Itemization", "{}");
    run("POST", "methods/Fuel_Itemization_Complete", R"({"args": [-1, 0]})");
    run("POST", "click", R"({"widget": "Message1"})");
    run("POST", "click", R"({"widget": "SimPump", "index": 0})");
    run("POST", "click", R"({"widget": "PumpGas"})");
    run("POST", "click", R"({"widget": "Status", "index": 0})");
    run("POST", "tick", R"({"count": 3})");
    run("POST", "click", R"({"widget": "Hook"})");
    const json last = run("GET", "widgets", "")["widgets"];

    json replayed = first;
    int changes = 0;
    for (const Event& e : site.events().read_after(0, 0ms).events) {
        if (e.type != "widget") continue;
        const json change = json::parse(e.data);
        ASSERT_EQ(change["seq"], e.seq);
        json* w = nullptr;
        for (json& candidate : replayed)
            if (candidate["name"] == change["widget"] && candidate["index"] == change["index"])
                w = &candidate;
        ASSERT_NE(w, nullptr) << e.data;
        const std::string property = change["property"];
        (*w)[property == "caption" && w->contains("text") ? "text" : property] = change["value"];
        ++changes;
    }
    EXPECT_GT(changes, 50);
    for (std::size_t id = 0; id < last.size(); ++id)
        EXPECT_EQ(replayed[id], last[id])
            << "widget " << last[id]["name"] << " " << last[id]["index"];
}

}  // namespace
}  // namespace dorvane::server
