#include "executor.h"

namespace dorvane::server {

namespace {

// A strand gives its pool thread back after this many jobs, so that one busy
// site does not hold a worker while other sites wait.
constexpr int kJobsPerTurn = 16;

}  // namespace

WorkerPool::WorkerPool(int threads) {
    for (int n = 0; n < threads; ++n)
        threads_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkerPool::work() {
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            // Jobs still queued at shutdown run: each may be a strand's turn
            // that a waiting caller depends on.
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void Strand::post(std::function<void()> job) {
    bool start = false;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (!busy_) busy_ = start = true;
    }
    if (start) pool_.submit([self = shared_from_this()] { self->drain(); });
}

bool Strand::try_enter() {
    std::lock_guard lock(mutex_);
    if (busy_ || !jobs_.empty()) return false;
    busy_ = true;
    return true;
}

void Strand::leave() {
    bool more = false;
    {
        std::lock_guard lock(mutex_);
        more = !jobs_.empty();
        if (!more) busy_ = false;
    }
    if (more) pool_.submit([self = shared_from_this()] { self->drain(); });
}

void Strand::drain() {
    for (int n = 0; n < kJobsPerTurn; ++n) {
        std::function<void()> job;
        {
            std::lock_guard lock(mutex_);
            if (jobs_.empty()) {
                busy_ = false;
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
    leave();
}

TickScheduler::TickScheduler(Thread thread) {
    if (thread == Thread::Own) thread_ = std::thread([this] { loop(); });
}

TickScheduler::~TickScheduler() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TickScheduler::add(std::weak_ptr<Ticking> what, Clock::time_point start,
                        Clock::duration interval) {
    bool earliest = false;
    {
        std::lock_guard lock(mutex_);
        earliest = entries_.empty() || start + interval < entries_.top().at;
        entries_.push({start + interval, interval, std::move(what)});
    }
    if (earliest) wake_.notify_all();
}

std::size_t TickScheduler::size() {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

int TickScheduler::run_due(Clock::time_point now) {
    std::vector<std::shared_ptr<Ticking>> due;
    {
        std::lock_guard lock(mutex_);
        while (!entries_.empty() && entries_.top().at <= now) {
            Entry e = entries_.top();
            entries_.pop();
            std::shared_ptr<Ticking> live = e.what.lock();
            if (!live) continue;  // the site has ended
            due.push_back(std::move(live));
            const auto behind = (now - e.at) / e.interval;
            e.at += e.interval * (behind + 1);
            entries_.push(std::move(e));
        }
    }
    for (const auto& t : due)
        t->due();
    return static_cast<int>(due.size());
}

void TickScheduler::loop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (entries_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const Clock::time_point next = entries_.top().at;
        if (Clock::now() < next) {
            wake_.wait_until(lock, next);
            continue;
        }
        lock.unlock();
        run_due(Clock::now());
        lock.lock();
    }
}

}  // namespace dorvane::server
