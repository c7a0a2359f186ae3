// The soak's own machinery: bytes round-trip through the encoder, walks are
// reproducible, scripts are read and checked by the scenario language, and
// each check fires on the state it guards.
#include "soak.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "dorvane/control/surface.h"
#include "run/runner.h"
#include "test_access.h"

namespace dorvane::soak {
namespace {

std::string script_of(const std::vector<Action>& actions) {
    return to_script(actions, {}, std::nullopt);
}

TEST(soak_decoder, same_seed_same_walk) {
    SeededBytes a(42), b(42);
    const WalkResult x = run_walk(a, Mode{}, 500);
    const WalkResult y = run_walk(b, Mode{}, 500);
    EXPECT_EQ(script_of(x.actions), script_of(y.actions));
    EXPECT_EQ(x.steps, y.steps);
}

TEST(soak_decoder, encoded_walk_decodes_to_the_same_statements) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        SeededBytes bytes(seed);
        const Mode mode{seed != 3};
        const WalkResult w = run_walk(bytes, mode, 800);
        ASSERT_FALSE(w.violation) << w.violation->detail;

        VirtualPlatform platform;
        DorvaneCtl ctl(platform);
        std::vector<std::uint8_t> encoded;
        encode_mode(mode, encoded);
        for (const Action& a : w.actions)
            encode_action(a, ctl, encoded);
        BufferBytes in(encoded.data(), encoded.size());
        const Mode decoded_mode = decode_mode(in);
        EXPECT_EQ(decoded_mode.host, mode.host);
        const WalkResult again = run_walk(in, decoded_mode, 100000);
        EXPECT_EQ(script_of(again.actions), script_of(w.actions));
    }
}

TEST(soak_script, walk_statements_read_back_as_the_same_actions) {
    SeededBytes bytes(7);
    const WalkResult w = run_walk(bytes, Mode{}, 600);
    const std::string text = script_of(w.actions);
    const Script read = read_script(text);
    ASSERT_EQ(read.actions.size(), w.actions.size());
    EXPECT_EQ(script_of(read.actions), text);
}

TEST(soak_script, texts_keep_quotes_backslashes_and_hashes) {
    Action set;
    set.kind = Kind::Set;
    set.property = find_property("Fuel_Product_Name");
    set.args = {Arg{true, 0, "a \"b\" \\c # d"}};
    const std::string line = format_action(set, widget_layout());
    EXPECT_EQ(line, R"(set Fuel_Product_Name "a \"b\" \\c # d")");
    const Script read = read_script(line);
    ASSERT_EQ(read.actions.size(), 1u);
    EXPECT_EQ(read.actions[0].args.at(0).text, "a \"b\" \\c # d");
}

TEST(soak_script, expect_and_print_lines_are_no_actions) {
    const Script read =
        read_script("tick 2\nexpect Terminal_State = 0\nprint beeps\nclick Pump(3)\n");
    EXPECT_EQ(read.statements.size(), 4u);
    ASSERT_EQ(read.actions.size(), 2u);
    EXPECT_EQ(read.actions[0].count, 2);
    EXPECT_EQ(read.actions[1].widget, widget_layout().id(W::Pump, 3));
}

// A script written to a file and given to the dorvane-soak program after
// `option` (--cases, --make-corpus DIR), as a person would.
struct SoakRun {
    int status = -1;
    std::string output;
};

SoakRun run_soak(const std::string& option, const std::string& name, const std::string& text) {
    const std::string dir = testing::TempDir() + "soak_case." + std::to_string(getpid()) + "/";
    const std::string script = dir + name + ".dvs", output = dir + name + ".txt";
    std::system(("mkdir -p " + dir).c_str());
    std::ofstream(script) << text;
    const int raw = std::system(
        (std::string(DORVANE_SOAK_PROGRAM) + " " + option + " " + script + " > " + output + " 2>&1")
            .c_str());
    std::stringstream out;
    out << std::ifstream(output).rdbuf();
    std::system(("rm -rf " + dir).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out.str()};
}

struct CaseFile {
    const char* name;
    const char* text;
    int status;
    const char* says;  // a part of the output, after "NAME.dvs"
};

void PrintTo(const CaseFile& c, std::ostream* os) {
    *os << c.name;
}

class soak_case_files : public testing::TestWithParam<CaseFile> {};

TEST_P(soak_case_files, report_and_status) {
    const SoakRun r = run_soak("--cases", GetParam().name, GetParam().text);
    EXPECT_EQ(r.status, GetParam().status) << r.output;
    EXPECT_NE(r.output.find(std::string(GetParam().name) + ".dvs" + GetParam().says),
              std::string::npos)
        << r.output;
}

// Every line of a case is read by the scenario language: a line it does not
// know is an error with its line number, never a line skipped, and every
// expect is checked as dorvane-run checks it.
INSTANTIATE_TEST_SUITE_P(
    cases, soak_case_files,
    testing::Values(
        CaseFile{"misspelt_method_is_an_error_on_its_line",
                 "# Ledger: none.\ntick\ncall Terminal_Openned 44 81 129\ntick\n", 1,
                 ":3: unknown method 'Terminal_Openned' (did you mean Terminal_Opened?)"},
        CaseFile{"unclosed_text_is_an_error_on_its_line",
                 "# Ledger: none.\n\n# an entry\nenter Purchase \"25\n", 1, ":4: text not closed"},
        CaseFile{"tick_with_a_word_is_an_error_not_a_single_tick", "# Ledger: none.\ntick ten\n", 1,
                 ":2: expected a number of ticks, got 'ten'"},
        CaseFile{"failed_widget_expect_is_counted",
                 "# Ledger: none.\nexpect Message2.caption = \"Terminal Open\"\n", 1,
                 ":2: expect Message2.caption: expected \"Terminal Open\", got \"Terminal "
                 "Closed\""},
        CaseFile{"result_before_any_call_is_an_error", "# Ledger: none.\nexpect result = 0\n", 1,
                 ":2: result: no method has been called yet"},
        CaseFile{"result_error_and_widgets_checked_and_held",
                 "# Ledger: none.\ncall Terminal_Opened 44 81 129\ncall Car_Wash_Request\n"
                 "expect result = True\nexpect error = none\nexpect Message1.caption = \" \"\n",
                 0, ": 3 expects checked, 0 failed, every check held"}));

// A corpus is made of every walk statement; a script the language cannot read
// makes none, and a number the bytes cannot hold is left out aloud.
TEST(soak_script, corpus_reports_what_it_cannot_take) {
    const std::string corpus = testing::TempDir() + "soak_corpus." + std::to_string(getpid());
    SoakRun r = run_soak("--make-corpus " + corpus, "misspelt", "tick\ncall Terminal_Openned\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("misspelt.dvs:2: unknown method 'Terminal_Openned'"), std::string::npos)
        << r.output;
    r = run_soak("--make-corpus " + corpus, "wide", "set Total_Price 2147483648\ntick\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("wide.dvs:1: set Total_Price 2147483648: a number wider than 32 bits "
                            "has no bytes; not in the corpus"),
              std::string::npos)
        << r.output;
    std::ifstream bytes(corpus + "/wide.bin", std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(bytes), std::istreambuf_iterator<char>()};
    // The mode byte (a host's script), then the tick alone.
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    std::vector<std::uint8_t> want;
    encode_mode(Mode{true}, want);
    encode_action(Action{}, ctl, want);
    EXPECT_EQ(got, std::string(want.begin(), want.end()));
    std::system(("rm -rf " + corpus).c_str());
}

// The soak's replay and the scenario runner agree on every expect of a script.
TEST(soak_script, replay_checks_expects_as_the_runner_does) {
    const std::string text =
        "call Terminal_Opened 44 81 129\n"
        "call Car_Wash_Request\n"
        "expect result = True\n"
        "tick 3\n"
        "expect POS_Request = 2\n"
        "expect Status(0).caption = \"CLOSED\"\n"
        "call Reset_Fuel_Pump 7\n"
        "expect arg 1 = 8\n";
    const ScriptReplay r = replay_script(read_script(text), Mode{true});
    std::ostringstream runner;
    const script::Verdict v = script::run_script(text, "t.dvs", {true}, runner);
    EXPECT_EQ(r.expects, 4);
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(v, script::Verdict::Failed);
    EXPECT_EQ(r.failed[0].line, 8);
    EXPECT_EQ(r.failed[0].detail, "expect arg 1: expected 8, got 7");
    EXPECT_EQ(runner.str(), "t.dvs:8: " + r.failed[0].detail + "\n");
}

// The checks: a state that breaks an invariant is reported by name.
struct soak_checks : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess access{ctl};
    Action tick;
    std::optional<Violation> after(Checker& c) { return c.after(ctl, tick, false, ""); }
};

TEST_F(soak_checks, flag_outside_true_and_false) {
    Checker c(Mode{});
    c.before(ctl);
    access.table().Calling(3) = 1;
    const auto v = after(c);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "flag");
    EXPECT_EQ(v->expect, "expect Calling(3) = 0");
}

TEST_F(soak_checks, sales_waiting_and_modes_in_range) {
    Checker c(Mode{});
    c.before(ctl);
    access.table().Sales_Waiting(5) = 3;
    auto v = after(c);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "range");
    access.table().Sales_Waiting(5) = 0;
    access.table().POS_Request = 4;
    v = after(c);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->expect, "expect POS_Request = 3");
}

TEST_F(soak_checks, spare_entries_only_in_tester_walks) {
    access.table().Item_Entry_ID(1, 30) = 9;
    Checker host(Mode{true});
    host.before(ctl);
    EXPECT_FALSE(after(host));
    Checker tester(Mode{false});
    tester.before(ctl);
    const auto v = after(tester);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "spare");
    EXPECT_EQ(v->expect, "expect Item_Entry_ID(1, 30) = 0");
}

TEST_F(soak_checks, unexpected_exception_is_a_finding) {
    Checker c(Mode{});
    c.before(ctl);
    const auto v = c.after(ctl, tick, false, "std::logic_error: boom");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "exception");
}

TEST_F(soak_checks, ignored_click_must_change_nothing) {
    Checker c(Mode{});
    Action click;
    click.kind = Kind::Click;
    click.widget = ctl.panel().id(W::Hook);  // hidden at start-up
    c.before(ctl);
    c.set_live(false);
    access.table().Keypad_Value = 5;
    const auto v = c.after(ctl, click, false, "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "ignored-click");
}

TEST_F(soak_checks, money_that_vanishes_is_caught) {
    Checker c(Mode{});
    access.table().Dispensed(2) = 0;
    c.before(ctl);
    access.table().Sales_Waiting(2) = 1;
    access.table().Sale_Amount(2) = 500;  // a sale nobody dispensed
    const auto v = after(c);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "ledger");
}

}  // namespace
}  // namespace dorvane::soak
