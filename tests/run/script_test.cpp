// The scenario language: parsing, values, and statements run against a control.
#include "run/script.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using namespace dorvane::script;

Statement parse(std::string_view line) {
    std::optional<Statement> s = parse_statement(line, 7);
    if (!s) throw std::logic_error("no statement in: " + std::string(line));
    return *s;
}

// The message of the ScriptError a line raises, or "" when it parses.
std::string parse_error(std::string_view line) {
    try {
        parse_statement(line, 7);
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line(), 7);
        return e.what();
    }
    return "";
}

// Runs lines against one session; returns the outcome of the last one.
Outcome run(Session& session, std::initializer_list<std::string_view> lines) {
    Outcome last;
    for (std::string_view l : lines)
        last = session.execute(parse(l));
    return last;
}

TEST(script_parse, texts_keep_blanks_and_escapes) {
    EXPECT_EQ(parse(R"(set Fuel_PLU "a \"b\"  \\ c")").values[0].text, "a \"b\"  \\ c");
    EXPECT_EQ(parse(R"(set Fuel_PLU "")").values[0].text, "");
    EXPECT_EQ(parse(R"(set Fuel_PLU " ")").values[0].text, " ");
    EXPECT_EQ(parse(R"(set Fuel_PLU "#1" # a comment)").values[0].text, "#1");
    EXPECT_EQ(parse("set Fuel_PLU \"caf\xC3\xA9\"").values[0].text, "caf\xC3\xA9");
}

TEST(script_parse, comments_and_blank_lines) {
    EXPECT_FALSE(parse_statement("", 1));
    EXPECT_FALSE(parse_statement("   \t ", 1));
    EXPECT_FALSE(parse_statement("# expect nothing = 1", 1));
    EXPECT_FALSE(parse_statement("   # indented", 1));
    Statement s = parse("  tick 3   # three seconds");
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.text, "tick 3");
    // In the value of an expect, '#' directly followed by a character is a colour.
    Statement c = parse("expect Pump(0).color = #c0c0c0 # grey");
    EXPECT_EQ(c.values[0].colour.rgb, 0xC0C0C0u);
    EXPECT_EQ(c.text, "expect Pump(0).color = #c0c0c0");
    EXPECT_EQ(parse_error("expect Pump(0).color = # grey"), "a value is missing");
    EXPECT_EQ(parse_script("\xEF\xBB\xBF# bom\r\n\r\ntick\r\nexpect beeps = 0").size(), 2u);
    EXPECT_EQ(parse_script("tick\n\n\nprint beeps\n")[1].line, 4);
}

struct BadLine {
    const char* line;
    const char* message;  // a part of the message that must be there
};

void PrintTo(const BadLine& b, std::ostream* os) {
    *os << b.line;
}

class script_errors : public testing::TestWithParam<BadLine> {};

TEST_P(script_errors, name_the_problem) {
    EXPECT_NE(parse_error(GetParam().line).find(GetParam().message), std::string::npos)
        << GetParam().line << " gave: " << parse_error(GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    lines, script_errors,
    testing::Values(
        BadLine{"expect Pump_Stat(3) = 1", "unknown name 'Pump_Stat' (did you mean Pump_State?)"},
        BadLine{"expect Pump_State(32) = 1", "Pump_State(32): index out of range"},
        BadLine{"expect Item_Request(3, 0) = 1", "index out of range"},
        BadLine{"expect Item_Request(1) = 1", "takes two indexes"},
        BadLine{"expect Pump(24).caption = \"\"", "Pump(24): index out of range 0 to 23"},
        BadLine{"expect Pump.caption = \"\"", "Pump is a control array"},
        BadLine{"expect Message1(0).caption = \"\"", "single widget"},
        BadLine{"expect Purchase.caption = \"\"", "a text box has text"},
        BadLine{"expect Hook.colour = face", "unknown widget attribute 'colour'"},
        BadLine{"expect Hook.color = #FFF", "malformed colour"},
        BadLine{"expect Hook.color = yellow", "unknown value 'yellow'"},
        BadLine{"expect Total_Price = \"500\"", "Total_Price is a number"},
        BadLine{"expect error = 0", "error is none, overflow or index"},
        BadLine{"expect Fuel_PLU = \"a\\nb\"", "unknown escape"},
        BadLine{"expect Fuel_PLU = \"open", "text not closed"},
        BadLine{"expect beeps = 1 2", "unexpected '2'"},
        BadLine{"expect beeps = 99999999999999999999", "too large"},
        BadLine{"call Terminal_Opened 1 2", "takes 3 arguments"},
        BadLine{"call Terminal_Opened \"44\" 81 129", "is a number, and \"44\" is a text"},
        BadLine{"call Terminal_Open 1 2 3", "unknown method"},
        BadLine{"set Tick_Count 5", "the host cannot write it"},
        BadLine{"clock 2026-02-29 12:00:00", "no such date and time"},
        BadLine{"clock 2026-12-05 6:10:00", "YYYY-MM-DD HH:MM:SS"}, BadLine{"tick -1", "0 or more"},
        BadLine{"click Timer1", "use tick"}, BadLine{"enter Hook \"5\"", "not a text box"},
        BadLine{"Expect beeps = 0", "unknown statement 'Expect'"}));

TEST(script_values, true_is_minus_one) {
    Session session;
    EXPECT_TRUE(run(session, {"set TimerSwx True", "expect TimerSwx = -1"}).held);
    EXPECT_TRUE(run(session, {"set Tender_ID True", "expect Tender_ID = True"}).held);
    EXPECT_TRUE(run(session, {"expect Message1.enabled = -1"}).held);
    EXPECT_FALSE(run(session, {"expect Message1.enabled = 1"}).held);
    EXPECT_EQ(run(session, {"print Message2.enabled"}).detail, "Message2.enabled = False");
}

TEST(script_values, empty_text_is_not_a_blank) {
    Session session;
    EXPECT_TRUE(run(session, {"expect Message1.caption = \" \""}).held);
    Outcome o = run(session, {"expect Message1.caption = \"\""});
    EXPECT_FALSE(o.held);
    EXPECT_EQ(o.detail, R"(expect Message1.caption: expected "", got " ")");
}

TEST(script_values, colours_in_either_case_and_face) {
    Session session;
    EXPECT_TRUE(run(session, {"expect Pump(0).color = #c0c0c0"}).held);
    EXPECT_TRUE(run(session, {"expect Pump(0).color = #C0c0C0"}).held);
    EXPECT_FALSE(run(session, {"expect Pump(0).color = #C0C0C1"}).held);
    EXPECT_FALSE(run(session, {"expect Pump(0).color = face"}).held);
    EXPECT_TRUE(run(session, {"expect ItemizeFuelKey.color = face"}).held);  // a standard button
    EXPECT_TRUE(run(session, {"expect FuelKey.color = face"}).held);         // the button face
    EXPECT_FALSE(run(session, {"expect FuelKey.color = #C0C0C0"}).held);
    EXPECT_EQ(run(session, {"print Hook.color"}).detail, "Hook.color = #FFFF80");
    EXPECT_EQ(run(session, {"print CarWashKey.color"}).detail, "CarWashKey.color = face");
}

TEST(script_values, format_gives_back_script_text) {
    // Each value read back into a script reads the same: what recorded sessions rely on.
    const std::pair<const char*, const char*> cases[] = {{"Tender_ID", "-1"},
                                                         {"Tender_ID", "32767"},
                                                         {"TimerSwx", "True"},
                                                         {"TimerSwx", "False"},
                                                         {"Fuel_PLU", R"("")"},
                                                         {"Fuel_PLU", R"(" ")"},
                                                         {"Fuel_PLU", R"("say \"hi\" \\ bye")"},
                                                         {"Hook.color", "#00FF80"},
                                                         {"Hook.color", "face"},
                                                         {"error", "none"},
                                                         {"error", "overflow"},
                                                         {"error", "index"}};
    for (auto [target, value] : cases)
        EXPECT_EQ(format_value(parse(std::string("expect ") + target + " = " + value).values[0]),
                  value);
    EXPECT_EQ(format_value(parse("expect Hook.color = #00ff80").values[0]), "#00FF80");
    EXPECT_EQ(format_target(parse("print Item_Request(2, 0)").target), "Item_Request(2, 0)");
    EXPECT_EQ(format_target(parse("print SimPump(3).selected").target), "SimPump(3).selected");
}

struct Written {
    const char* name;
    const char* line;     // as a script may write it
    const char* written;  // as format_statement writes it back
};

void PrintTo(const Written& w, std::ostream* os) {
    *os << w.name;
}

class script_statements : public testing::TestWithParam<Written> {};

// A statement written back reads as the same statement: what findings,
// dumped walks and recorded sessions rely on.
TEST_P(script_statements, format_reads_back_the_same) {
    const std::string written = format_statement(parse(GetParam().line));
    EXPECT_EQ(written, GetParam().written);
    EXPECT_EQ(format_statement(parse(written)), written);
}

INSTANTIATE_TEST_SUITE_P(
    lines, script_statements,
    testing::Values(
        Written{"one_tick_is_a_bare_tick", "tick 1", "tick"},
        Written{"tick_run_keeps_its_count", "tick   12  # twelve", "tick 12"},
        Written{"no_tick_at_all", "tick 0", "tick 0"},
        Written{"clock_keeps_its_leading_zeros", "clock 2026-02-03 04:05:06",
                "clock 2026-02-03 04:05:06"},
        Written{"single_widget_click", "click Hook", "click Hook"},
        Written{"array_widget_click_keeps_its_index", "click Pump(23)", "click Pump(23)"},
        Written{"entry_text_keeps_quotes_and_backslashes", R"(enter Purchase "a \"2\" \\")",
                R"(enter Purchase "a \"2\" \\")"},
        Written{"call_without_arguments", "call Car_Wash_Request", "call Car_Wash_Request"},
        Written{"call_keeps_flags_and_negative_numbers", "call Put_Fuel_Discount -3 150 10",
                "call Put_Fuel_Discount -3 150 10"},
        Written{"call_flag_stays_a_flag", "call Fuel_Itemization_Complete True 0",
                "call Fuel_Itemization_Complete True 0"},
        Written{"set_of_a_text_with_a_hash", R"(set Fuel_PLU "#1")", R"(set Fuel_PLU "#1")"},
        Written{"set_of_a_number_wider_than_a_long", "set Total_Price 2147483648",
                "set Total_Price 2147483648"},
        Written{"expect_member_with_two_indexes", "expect Item_Request(2,0) = 1",
                "expect Item_Request(2, 0) = 1"},
        Written{"expect_colour_in_capitals", "expect Hook.color = #ffff80",
                "expect Hook.color = #FFFF80"},
        Written{"expect_fault_word", "expect error = overflow", "expect error = overflow"},
        Written{"print_argument", "print arg 2", "print arg 2"}));

TEST(script_session, outcome_names_the_fault_of_its_own_statement) {
    Session session;
    EXPECT_EQ(run(session, {"set Tender_ID 32768"}).fault, Fault::Overflow);
    // expect, print and clock meet no fault of their own, whatever error holds.
    EXPECT_EQ(run(session, {"expect error = overflow"}).fault, Fault::None);
    EXPECT_EQ(run(session, {"print beeps"}).fault, Fault::None);
    EXPECT_EQ(run(session, {"clock 2026-12-05 06:10:00"}).fault, Fault::None);
    EXPECT_EQ(run(session, {"call Reset_Fuel_Pump 70000"}).fault, Fault::Overflow);
    EXPECT_EQ(run(session, {"set Tender_ID 1"}).fault, Fault::None);
}

TEST(script_session, fault_is_recorded_and_the_script_goes_on) {
    Session session;
    Outcome o = run(session, {"set Tender_ID 5", "set Tender_ID 32768"});
    EXPECT_TRUE(o.held);
    EXPECT_EQ(o.detail, "fault: overflow: Tender_ID = 32768 does not fit Integer");
    EXPECT_TRUE(run(session, {"expect error = overflow", "expect Tender_ID = 5"}).held);
    // A call refused before it runs changes nothing; the next call clears the error.
    EXPECT_TRUE(run(session, {"call Terminal_Opened 44 81 40000", "expect error = overflow",
                              "expect Terminal_State = 0"})
                    .held);
    EXPECT_TRUE(run(session, {"call Terminal_Opened 44 81 129", "expect error = none",
                              "expect Terminal_State = 1", "expect Pump(0).enabled = True"})
                    .held);
    // print and expect leave the error as it was.
    run(session, {"set Total_Price 2147483648"});
    EXPECT_TRUE(run(session, {"print beeps", "expect error = overflow"}).held);
}

TEST(script_session, by_reference_arguments) {
    Session session;
    Outcome o = run(session, {"call Reset_Fuel_Pump 7"});
    EXPECT_EQ(o.detail, "result False, arg 1 = 7");
    EXPECT_TRUE(run(session, {"expect arg 1 = 7", "expect result = False"}).held);
    EXPECT_THROW(run(session, {"expect arg 2 = 0"}), ScriptError);
    // A Variant argument keeps its value and type, and is compared by kind.
    EXPECT_TRUE(run(session, {"call Get_Fuel_Promos \"x y\"", "expect arg 1 = \"x y\""}).held);
    EXPECT_FALSE(run(session, {"expect arg 1 = 0"}).held);
    // A refused call leaves the caller's variables as they were passed.
    EXPECT_TRUE(run(session, {"call Reset_Fuel_Pump 70000", "expect error = overflow",
                              "expect arg 1 = 70000"})
                    .held);
}

TEST(script_session, result_and_arg_need_a_call_that_answered) {
    Session session;
    try {
        run(session, {"expect result = 0"});
        FAIL() << "no call yet";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line(), 7);
        EXPECT_STREQ(e.what(), "result: no method has been called yet");
    }
    run(session, {"call Terminal_Closed"});
    EXPECT_THROW(run(session, {"expect result = 0"}), ScriptError);  // returns nothing
    EXPECT_THROW(run(session, {"expect arg 1 = 0"}), ScriptError);   // had no argument
    run(session, {"call Reset_Fuel_Pump 99999"});
    EXPECT_THROW(run(session, {"print result"}), ScriptError);  // faulted
}

TEST(script_session, clicks_and_entries_on_dead_widgets_do_nothing) {
    Session session;
    EXPECT_EQ(run(session, {"click Pump(0)"}).detail, "ignored: Pump(0) is disabled");
    EXPECT_EQ(run(session, {"click Hook"}).detail, "ignored: Hook is hidden");
    EXPECT_EQ(run(session, {"enter Purchase \"5.00\""}).detail, "ignored: Purchase is hidden");
    EXPECT_TRUE(run(session, {"expect Purchase.text = \"0.00\"", "expect error = none"}).held);
}

TEST(script_session, message_lines_are_noted_when_they_change) {
    Session session;
    EXPECT_TRUE(run(session, {"set Tender_ID 1"}).notes.empty());
    Outcome o = run(session, {"call Terminal_Opened 44 81 129"});
    ASSERT_EQ(o.notes.size(), 1u);
    EXPECT_EQ(o.notes[0], R"(Message2.caption = " ")");
    EXPECT_EQ(
        run(session, {"call Reset_Fuel_Controller"}).notes,
        std::vector<std::string>{R"(Message1.caption = "Reset Fuel Controller Message Sent")"});
}

TEST(script_session, clock_starts_at_new_year_and_is_set_by_clock) {
    Session session;
    EXPECT_EQ(format_clock(session.platform().clock()), "2026-01-01 00:00:00");
    EXPECT_TRUE(
        run(session, {"call Terminal_Opened 1 2 3", "expect ZRD_Seq_Counter = 1100000"}).held);
    EXPECT_TRUE(run(session, {"clock 2028-02-29 23:59:59", "call Terminal_Opened 1 2 3",
                              "expect ZRD_Seq_Counter = 22986399"})
                    .held);
}

TEST(script_session, each_tick_moves_the_clock_one_second) {
    Session session;
    Outcome o = run(session, {"clock 2026-12-31 23:59:58", "tick 3"});
    EXPECT_EQ(o.detail, "clock 2027-01-01 00:00:01");
    EXPECT_TRUE(run(session, {"expect Tick_Count = 3", "tick 0", "expect Tick_Count = 3",
                              "call Terminal_Opened 1 2 3", "expect ZRD_Seq_Counter = 1100001"})
                    .held);
}

TEST(script_session, fault_in_a_click_is_recorded_and_the_control_stays_usable) {
    Session session;
    // A sale of pump 1 handed to the POS, whose record the host then spoils.
    run(session, {"call Terminal_Opened 44 81 129", "click Pump(0)", "click Pump(0)",
                  "click Message1", "click PumpGas", "click Status(0)", "tick 3", "click Hook",
                  "click Sale(0)", "call Poll_Fuel_Itemization", "set Pump_Number 40"});
    Outcome o = run(session, {"click ItemizeFuelKey"});
    EXPECT_EQ(o.detail.rfind("fault: index out of range", 0), 0u) << o.detail;
    EXPECT_EQ(o.fault, Fault::Index);
    EXPECT_EQ(o.notes,
              std::vector<std::string>{R"(Message1.caption = "Error: index out of range")"});
    EXPECT_TRUE(run(session, {"expect error = index", "set Pump_Number 1", "click ItemizeFuelKey",
                              "expect error = none",
                              "expect Message2.caption = \"Register Rings Up Sale of 1.11\""})
                    .held);
}

}  // namespace
