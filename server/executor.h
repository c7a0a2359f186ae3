// Where sites run: a small pool of worker threads, one strand per site that
// runs the site's jobs one at a time and each to its end, and one timer
// thread that hands every real-tick site its tick when it falls due. Ten
// thousand sites cost ten thousand strands and heap entries, not threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace dorvane::server {

class WorkerPool {
  public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> job);

  private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// Runs its jobs one at a time, in the order given, each to its end. A job is
// run by a pool thread, or straight away by the caller of run() when the
// strand has nothing else to do, which saves two thread hand-offs on a quiet
// site.
class Strand : public std::enable_shared_from_this<Strand> {
  public:
    explicit Strand(WorkerPool& pool) : pool_(pool) {}

    // Queues a job and returns at once.
    void post(std::function<void()> job);

    // Runs a job on the strand and returns its result (or rethrows what it threw).
    template <typename F>
    auto run(F&& f) -> decltype(f()) {
        using R = decltype(f());
        if (try_enter()) {
            struct Leave {
                Strand* s;
                ~Leave() { s->leave(); }
            } leave{this};
            return f();
        }
        auto task = std::make_shared<std::packaged_task<R()>>(std::forward<F>(f));
        std::future<R> done = task->get_future();
        post([task] { (*task)(); });
        return done.get();
    }

  private:
    bool try_enter();
    void leave();
    void drain();

    WorkerPool& pool_;
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
};

// Something that ticks on a schedule: due() is called on the timer thread and
// must only hand the tick over (to its strand), never run it there.
class Ticking {
  public:
    virtual ~Ticking() = default;
    virtual void due() = 0;
};

// One timer for every real-tick site. Entries keep their phase: a site made
// at t ticks at t + n * interval, and a tick missed while the machine was
// busy is skipped rather than delivered in a burst.
class TickScheduler {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Thread { Own, None };  // None: the caller calls run_due (tests)

    explicit TickScheduler(Thread thread = Thread::Own);
    ~TickScheduler();
    TickScheduler(const TickScheduler&) = delete;
    TickScheduler& operator=(const TickScheduler&) = delete;

    // First tick at start + interval. The entry ends when `what` expires.
    void add(std::weak_ptr<Ticking> what, Clock::time_point start, Clock::duration interval);
    // Calls due() on every entry due at `now`; returns how many.
    int run_due(Clock::time_point now);
    std::size_t size();

  private:
    struct Entry {
        Clock::time_point at;
        Clock::duration interval;
        std::weak_ptr<Ticking> what;
        bool operator>(const Entry& o) const { return at > o.at; }
    };
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> entries_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace dorvane::server
