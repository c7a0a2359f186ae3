// The runner: transcript, quiet mode, closing line and exit statuses, in
// process and through the dorvane-run program itself.
#include "run/runner.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace dorvane::script;

struct Ran {
    Verdict verdict;
    std::string out;
};

Ran run(std::string_view text, bool quiet) {
    std::ostringstream out;
    Verdict v = run_script(text, "t.dvs", RunOptions{quiet}, out);
    return {v, out.str()};
}

struct Case {
    const char* name;
    const char* script;
    Verdict verdict;
    const char* quiet_output;  // everything --quiet prints for the script
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class runner_verdicts : public testing::TestWithParam<Case> {};

TEST_P(runner_verdicts, quiet_output_and_status) {
    Ran r = run(GetParam().script, true);
    EXPECT_EQ(r.verdict, GetParam().verdict);
    EXPECT_EQ(r.out, GetParam().quiet_output);
}

INSTANTIATE_TEST_SUITE_P(
    scripts, runner_verdicts,
    testing::Values(Case{"holds", "expect Terminal_State = 0\n", Verdict::Held, ""},
                    Case{"print_shows_under_quiet", "# x\nprint Message2.caption\n", Verdict::Held,
                         "t.dvs:2: Message2.caption = \"Terminal Closed\"\n"},
                    Case{"failed_expect_stops_the_script",
                         "call Terminal_Opened 44 81 129\nexpect Status(4).caption = "
                         "\"CALL\"\nexpect result = 1\n",
                         Verdict::Failed,
                         "t.dvs:2: expect Status(4).caption: expected \"CALL\", got \"CLOSED\"\n"},
                    Case{"unknown_name_is_an_error_not_a_pass",
                         "expect Terminal_State = 0\nexpect Nonsense = 0\n", Verdict::Broken,
                         "t.dvs:2: unknown name 'Nonsense'\n"},
                    Case{"script_is_checked_before_it_runs",
                         "print beeps\nexpect Pump_State(40) = 0\n", Verdict::Broken,
                         "t.dvs:2: Pump_State(40): index out of range (i 0 to 31)\n"},
                    Case{"error_found_while_running", "call Terminal_Closed\nexpect result = 0\n",
                         Verdict::Broken,
                         "t.dvs:2: result: Terminal_Closed returns nothing (the call of "
                         "Terminal_Closed on line 1)\n"},
                    Case{"fault_does_not_stop_the_script",
                         "set Pump_Number 99999\nexpect error = overflow\nexpect Pump_Number = 0\n",
                         Verdict::Held, ""}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(runner_transcript, echoes_statements_results_and_message_lines) {
    Ran r =
        run("clock 2026-12-05 06:10:00\ncall Terminal_Opened 44 81 129   # sign on\n"
            "call Reset_Fuel_Pump 3\nset Tender_ID 40000\nexpect Terminal_State = 1\n",
            false);
    EXPECT_EQ(r.verdict, Verdict::Held);
    EXPECT_EQ(
        r.out,
        "== t.dvs\n"
        "        Message1.caption = \" \"\n"
        "        Message2.caption = \"Terminal Closed\"\n"
        "    1  clock 2026-12-05 06:10:00\n"
        "    2  call Terminal_Opened 44 81 129\n"
        "        Message2.caption = \" \"\n"
        "    3  call Reset_Fuel_Pump 3  -> result False, arg 1 = 3\n"
        "    4  set Tender_ID 40000  -> fault: overflow: Tender_ID = 40000 does not fit Integer\n"
        "    5  expect Terminal_State = 1  -> ok\n"
        "== t.dvs: held\n");
}

TEST(runner_transcript, failure_is_named_after_its_statement) {
    Ran r = run("expect beeps = 2\n", false);
    EXPECT_NE(
        r.out.find("    1  expect beeps = 2  -> FAILED\nt.dvs:1: expect beeps: expected 2, got 0\n"
                   "== t.dvs: FAILED\n"),
        std::string::npos)
        << r.out;
}

TEST(runner_main, worst_status_wins_and_every_script_runs) {
    const std::string dir = DORVANE_RUN_FIXTURES;
    std::ostringstream out, err;
    int status = run_main(
        {"--quiet", dir + "/fails.dvs", dir + "/holds.dvs", dir + "/unknown_name.dvs"}, out, err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.str().find("1 passed, 2 failed\n"), std::string::npos) << out.str();
    EXPECT_NE(
        out.str().find(
            "/unknown_name.dvs:3: unknown name 'Terminal_Stat' (did you mean Terminal_State?)"),
        std::string::npos);
    EXPECT_EQ(run_main({"--quiet", dir + "/holds.dvs", dir + "/fails.dvs"}, out, err), 1);
}

TEST(runner_main, unreadable_scripts_and_bad_command_lines) {
    std::ostringstream out, err;
    EXPECT_EQ(run_main({"--quiet", "/nonexistent/x.dvs"}, out, err), 2);
    EXPECT_NE(out.str().find(
                  "/nonexistent/x.dvs: cannot read the script: no such file\n0 passed, 1 failed\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(run_main({}, out, err), 2);
    EXPECT_EQ(run_main({"--loud", "x.dvs"}, out, err), 2);
    EXPECT_NE(err.str().find("unknown option --loud"), std::string::npos);
}

// The program itself: its exit status is what CI and POS teams see.
int program(const std::string& args, std::string& output) {
    const std::string file =
        testing::TempDir() + "dorvane_run_output." + std::to_string(getpid()) + ".txt";
    const std::string command =
        std::string(DORVANE_RUN_PROGRAM) + " " + args + " > " + file + " 2>&1";
    int raw = std::system(command.c_str());
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    output = text.str();
    std::remove(file.c_str());
#ifdef _WIN32
    return raw;  // the program's exit code itself
#else
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

TEST(runner_program, exit_statuses) {
    const std::string dir = DORVANE_RUN_FIXTURES;
    std::string out;
    EXPECT_EQ(program("--quiet " + dir + "/holds.dvs", out), 0);
    EXPECT_EQ(out,
              dir + "/holds.dvs:3: Message2.caption = \"Terminal Closed\"\n1 passed, 0 failed\n");
    EXPECT_EQ(program(dir + "/fails.dvs", out), 1);
    EXPECT_NE(out.find("fails.dvs:3: expect Message2.caption: expected \"Terminal Open\", got "
                       "\"Terminal Closed\""),
              std::string::npos)
        << out;
    EXPECT_EQ(program("--quiet " + dir + "/unknown_name.dvs", out), 2);
    EXPECT_EQ(program("", out), 2);
    EXPECT_EQ(program("--help", out), 0);
}

}  // namespace
