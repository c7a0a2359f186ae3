#include "recorder.h"

#include <utility>

namespace dorvane::demo {

namespace {

constexpr const char* kHeader =
    "# A session recorded by dorvane-demo: host calls, property writes, the\n"
    "# tester's clicks and entries, and the ticks between them.\n";

}  // namespace

Recorder::Recorder(const LocalDateTime& start) : session_(std::make_unique<script::Session>()) {
    execute("clock " + script::format_clock(start));
}

Recorder::Recorder(std::vector<script::Statement> script)
    : session_(std::make_unique<script::Session>()), pending_(script.begin(), script.end()) {}

void Recorder::clicked(int id) {
    write("click " + control().panel().display_name(id));
}

void Recorder::entered(const std::string& text) {
    write("enter Purchase " + script::format_value(script::Value::of_text(text)));
}

void Recorder::about_to_tick() {
    session_->platform().advance_seconds(1);
    ++unwritten_ticks_;
}

script::Outcome Recorder::execute(const std::string& line) {
    const auto statement = script::parse_statement(line, next_line_);
    if (!statement) return {};
    return run(*statement);
}

script::Outcome Recorder::step() {
    const script::Statement s = pending_.front();
    pending_.pop_front();
    return run(s);
}

script::Outcome Recorder::run(const script::Statement& s) {
    // Written down first: a statement that meets a fault still happened.
    write(s.text);
    return session_->execute(s);
}

void Recorder::write(const std::string& line) {
    flush_ticks();
    lines_.push_back(line);
    ++next_line_;
}

void Recorder::flush_ticks() {
    if (unwritten_ticks_ == 0) return;
    const long long n = unwritten_ticks_;
    unwritten_ticks_ = 0;
    lines_.push_back(n == 1 ? std::string("tick") : "tick " + std::to_string(n));
    ++next_line_;
}

std::string Recorder::script_text() const {
    std::string text = kHeader;
    for (const auto& line : lines_)
        text += line + '\n';
    if (unwritten_ticks_ == 1) text += "tick\n";
    if (unwritten_ticks_ > 1) text += "tick " + std::to_string(unwritten_ticks_) + '\n';
    return text;
}

}  // namespace dorvane::demo
