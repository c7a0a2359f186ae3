// A site: one control with its own platform, its strand, its event history
// and the record of its session. Everything that touches the control runs on
// the strand, one job at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dorvane/control/dorvane_ctl.h"
#include "executor.h"
#include "request.h"
#include "run/recorder.h"

namespace dorvane::server {

// The site's clock (the machine's, or a virtual one that moves one second
// before each tick) and its beep counter.
class SitePlatform : public Platform {
  public:
    explicit SitePlatform(const SiteSettings& settings);
    LocalDateTime now() override { return virtual_clock_ ? clock_.now() : system_.now(); }
    void beep() override;

    bool is_virtual() const { return virtual_clock_; }
    VirtualPlatform& virtual_clock() { return clock_; }
    long beeps() const { return beeps_; }
    void on_beep(std::function<void(long)> f) { on_beep_ = std::move(f); }

  private:
    bool virtual_clock_;
    VirtualPlatform clock_;
    SystemPlatform system_;
    long beeps_ = 0;
    std::function<void(long)> on_beep_;
};

struct Event {
    long long seq = 0;
    std::string type;  // widget, beep, call, set, click, purchase, tick, clock, fault, ...
    std::string data;  // a JSON object
};

// One widget property as it changed. A click can change a hundred of them,
// and most sites have nobody watching their stream, so the log keeps changes
// in this form and makes their JSON only when a reader first asks.
struct WidgetChange {
    W name{};
    int index = -1;
    WidgetProperty what{};
    std::string caption;  // a caption or a text box's text
    Colour back;
    bool on = false;  // enabled, visible or selected
};

// How much event history each site keeps.
struct HistoryLimits {
    std::size_t events = 512;
    std::size_t bytes = 24 * 1024;
};

// The site's recent events, numbered from 1, bounded in count and bytes.
class EventLog {
  public:
    explicit EventLog(HistoryLimits limits = {}) : limits_(limits) {}

    void append(std::string type, json data);
    void append(WidgetChange change);
    struct Read {
        std::vector<Event> events;
        long long lost_first = 0, lost_last = 0;  // events no longer kept, if any
        bool closed = false;
    };
    // The events after `after`, waiting up to `wait` while there are none.
    Read read_after(long long after, std::chrono::milliseconds wait);
    long long last_seq();
    void close();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const HistoryLimits limits_;
    struct Kept {
        Event event;  // a widget change's data stays empty until first read
        std::optional<WidgetChange> change;
        std::size_t bytes = 0;  // counted against the byte bound
    };
    void keep(Kept k);

    std::deque<Kept> events_;
    std::size_t bytes_ = 0;
    long long next_seq_ = 1;
    bool closed_ = false;
};

// A session is kept up to this size; the recorder stops there and says so.
inline constexpr std::size_t kMaxSessionBytes = 8 * 1024 * 1024;

class Site : public Ticking, public WidgetObserver, public std::enable_shared_from_this<Site> {
  public:
    Site(long long id, const SiteSettings& settings, WorkerPool& pool, HistoryLimits history = {});
    ~Site() override;

    long long id() const { return id_; }
    const SiteSettings& settings() const { return settings_; }
    Strand& strand() { return *strand_; }
    EventLog& events() { return events_; }

    // Refuses (409) an operation this kind of site does not allow; nothing runs.
    void check(const Operation& op) const;
    // Runs one site operation on the calling strand and answers it. Throws
    // Refusal only for what check() refuses.
    json perform(const Operation& op);
    // The session so far, as a scenario script that dorvane-run replays.
    std::string session_script();
    json info();

    // The real tick, from the timer.
    void due() override;
    void widget_changed(int id, WidgetProperty what) override;

  private:
    json run_tick(long long count);
    json call(const Operation& op);
    json fault_answer(const RangeFault& f);

    const long long id_;
    const SiteSettings settings_;
    SitePlatform platform_;  // before the control, which keeps a reference
    DorvaneCtl ctl_;
    EventLog events_;
    std::string session_;  // before the recorder, which writes into it
    script::Recorder recorder_;
    std::shared_ptr<Strand> strand_;
    std::atomic<bool> tick_queued_{false};
};

// How many sites a server holds, and the event history of each.
struct SiteLimits {
    long long sites = kMaxSites;
    HistoryLimits history;
};

// Every site of the server.
class Sites {
  public:
    using Limits = SiteLimits;
    explicit Sites(int workers, Limits limits = {},
                   TickScheduler::Thread timer = TickScheduler::Thread::Own);
    ~Sites();
    std::shared_ptr<Site> create(const SiteSettings& settings);
    std::shared_ptr<Site> find(long long id);  // Refusal 404 when there is none
    bool remove(long long id);
    std::vector<std::shared_ptr<Site>> list();
    std::size_t size();
    TickScheduler& scheduler() { return scheduler_; }

  private:
    const Limits limits_;
    WorkerPool pool_;  // declared before the sites: it outlives their strands
    TickScheduler scheduler_;
    std::mutex mutex_;
    std::map<long long, std::shared_ptr<Site>> sites_;
    long long next_id_ = 1;
};

// The widget model as JSON.
json widget_json(const Panel& panel, int id);
const char* widget_property_name(WidgetProperty p);

}  // namespace dorvane::server
