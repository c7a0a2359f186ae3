// Records what happens to a control as a scenario script that `dorvane-run`
// replays and checks: a POS session that misbehaved becomes a file that
// reproduces it, and a regression test of the next version.
//
// Whatever way the host acts, it is caught: calls and clicks through the
// control's listener, property writes through the surface table as they
// happen, and plain member writes (`ctl.Tender_ID = 5`) by comparing the
// properties with what the recorder last saw before every event.
//
// Time: the script sets the clock at the first event; ticks one second apart
// are written as `tick N` runs, and wherever the control's clock moved
// otherwise a `clock` line puts the replay's clock where the control's was.
//
// Expectations (unless left out): after each call its result, the
// by-reference arguments and a range fault; after each event the properties,
// widget captions, colours, enabled, visible and selected states it changed,
// and the beep count when it beeped.
//
// Each event is written and flushed as it finishes, so a host that dies
// leaves a script that replays to its last complete event; only a run of
// ticks that changed nothing waits for the next event. A sink that fails is
// reported once (error(), the error handler) and recording stops; the
// control goes on working either way.
//
// A script replays from a freshly created control: start recording right
// after creating it. Property values written before the start are written
// at the first event.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform.h"
#include "control/dorvane_ctl.h"
#include "control/listener.h"

namespace dorvane::script {

enum class Expectations : std::uint8_t { Written, LeftOut };

class Recorder : private ControlListener {
  public:
    // Takes each piece of script text as it is written (whole lines, ending
    // in '\n'); returns false when it could not keep it.
    using Sink = std::function<bool(std::string_view text)>;
    using ErrorHandler = std::function<void(const std::string& message)>;

    // Records into a new file at `path` (replacing one that is there). A
    // file that cannot be created is an error() at once.
    Recorder(DorvaneCtl& ctl, const std::string& path,
             Expectations expectations = Expectations::Written);
    // Records into a stream the caller owns and keeps alive while recording;
    // it is flushed after every event.
    Recorder(DorvaneCtl& ctl, std::ostream& out, Expectations expectations = Expectations::Written);
    // Records into a sink (a server keeps each site's session in memory).
    Recorder(DorvaneCtl& ctl, Sink sink, Expectations expectations = Expectations::Written);
    // Stops. The control must outlive the recorder.
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The constructors start recording. stop() writes what is still pending
    // (a run of ticks, property writes since the last event) and lets go of
    // the control; start() takes it up again, continuing the same script.
    void start();
    void stop();
    bool recording() const { return recording_; }
    // Writes what is still pending now, recording on: for a reader that
    // wants the session so far (a saved copy, a server's GET).
    void flush();

    // The first failure to write, with what was being written to; empty
    // while everything has been written. Once failed, the recorder stays
    // stopped.
    const std::string& error() const { return error_; }
    bool failed() const { return !error_.empty(); }
    // Called once, with the message, when writing first fails.
    void set_error_handler(ErrorHandler handler) { on_error_ = std::move(handler); }

    // Events recorded so far (a run of ticks counts each tick).
    long long events() const { return events_; }

  private:
    struct WidgetState {
        std::string caption;
        Colour back{};
        bool enabled = false, visible = false, selected = false;
    };

    Recorder(DorvaneCtl& ctl, Sink sink, std::string target, Expectations expectations);

    void event_starting(const ControlEvent& e) noexcept override;
    void event_finished(const ControlEvent& e, const Variant* result,
                        const std::exception* fault) noexcept override;
    void beeped() noexcept override { ++beeps_; }

    void starting(const ControlEvent& e);
    void finished(const ControlEvent& e, const Variant* result, const std::exception* fault);
    // Lines for host writes made since the last look, as `set` statements.
    void note_property_writes();
    // A `clock` line when the control's clock is not where the replay's will be.
    void note_clock(const ControlEvent& e);
    // The statement of an event, or a comment for one the language cannot say.
    std::string statement_of(const ControlEvent& e, const std::exception* fault) const;
    void expect_call(const ControlEvent& e, const Variant* result);
    // `expect` lines for what the event changed; whether there were any.
    bool expect_changes();
    // The same changes, taken in without lines, when expectations are left out.
    void absorb_changes();
    void flush_ticks();
    void line(std::string text);
    void write_out();
    void fail(const std::string& message) noexcept;
    void take_snapshot();

    DorvaneCtl& ctl_;
    Sink sink_;
    std::string target_;  // what the sink writes to, for messages
    Expectations expectations_;
    ErrorHandler on_error_;
    std::string error_;
    bool recording_ = false;
    bool header_written_ = false;

    std::string pending_;  // lines of the event in progress
    std::string statement_;
    long long run_ticks_ = 0;  // ticks that changed nothing, not yet written
    long long events_ = 0;

    std::vector<Variant> properties_;  // as the replay will have them
    std::vector<WidgetState> widgets_;
    long beeps_ = 0, beeps_expected_ = 0;
    bool clock_known_ = false;
    LocalDateTime clock_{};  // the replay's clock after the last event
};

// Where DORVANE_RECORD asks controls to record: a new file in that folder
// named by date, time, process and a counter (dorvane-20261206-223015-4242-1.dvs),
// or empty when the variable is unset or empty.
std::string environment_record_path();

}  // namespace dorvane::script
