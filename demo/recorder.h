// A demo session: one control on a virtual clock (a scenario session), what
// has been done to it written down as scenario script, and a script being
// replayed into it step by step.
//
// The clock starts at the local time the session began and moves on one
// second before every tick, exactly as `dorvane-run` moves it, so that the
// recorded script replays to the same state.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "run/script.h"

namespace dorvane::demo {

class Recorder {
  public:
    // A fresh control whose clock is set to `start`, recorded as the
    // script's first statement.
    explicit Recorder(const LocalDateTime& start);
    // A fresh control at the scenario language's default clock, about to
    // replay `script` (which sets its own clock if it wants one).
    explicit Recorder(std::vector<script::Statement> script);

    DorvaneCtl& control() { return session_->control(); }
    script::Session& session() { return *session_; }

    // ---- What the tester did on the panel (the control has it already or is
    // about to get it); only written down, except the tick's second.
    void clicked(int id);
    void entered(const std::string& text);
    // Before each tick of the panel's timer: moves the clock on one second.
    void about_to_tick();

    // ---- Host calls, property writes, checks: one statement in script text,
    // run against the control and written down when the language knows it.
    // Throws script::ScriptError for a statement it does not know.
    script::Outcome execute(const std::string& line);

    // ---- Replay.
    bool replaying() const { return !pending_.empty(); }
    std::size_t pending() const { return pending_.size(); }
    const script::Statement& next() const { return pending_.front(); }
    // Runs the next statement of the script being replayed.
    script::Outcome step();

    // The session so far, as a script that `dorvane-run` replays.
    std::string script_text() const;
    long beeps() { return session_->platform().beeps(); }

  private:
    script::Outcome run(const script::Statement& s);
    void write(const std::string& line);
    void flush_ticks();

    std::unique_ptr<script::Session> session_;
    std::vector<std::string> lines_;
    long long unwritten_ticks_ = 0;
    std::deque<script::Statement> pending_;
    int next_line_ = 1;
};

}  // namespace dorvane::demo
