// The soak's own machinery: bytes round-trip through the encoder, walks are
// reproducible, and each check fires on the state it guards.
#include "soak.h"

#include <gtest/gtest.h>

#include "dorvane/control/surface.h"
#include "test_access.h"

namespace dorvane::soak {
namespace {

std::string script_of(const std::vector<Action>& actions) {
    return to_script(actions, {}, std::nullopt);
}

TEST(SoakDecoder, SameSeedSameWalk) {
    SeededBytes a(42), b(42);
    const WalkResult x = run_walk(a, Mode{}, 500);
    const WalkResult y = run_walk(b, Mode{}, 500);
    EXPECT_EQ(script_of(x.actions), script_of(y.actions));
    EXPECT_EQ(x.steps, y.steps);
}

TEST(SoakDecoder, EncodedWalkDecodesToTheSameStatements) {
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

TEST(SoakScript, StatementsParseBack) {
    SeededBytes bytes(7);
    const WalkResult w = run_walk(bytes, Mode{}, 600);
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    for (const Action& a : w.actions) {
        const std::string line = format_action(a, ctl);
        const auto parsed = parse_action(line, ctl);
        ASSERT_TRUE(parsed) << line;
        EXPECT_EQ(format_action(*parsed, ctl), line);
    }
}

TEST(SoakScript, QuotesEscapeQuotesAndBackslashes) {
    EXPECT_EQ(quote("a \"b\" \\c"), "\"a \\\"b\\\" \\\\c\"");
}

// The checks: a state that breaks an invariant is reported by name.
struct Checked : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess access{ctl};
    Action tick;
    std::optional<Violation> after(Checker& c) { return c.after(ctl, tick, false, ""); }
};

TEST_F(Checked, FlagOutsideTrueAndFalse) {
    Checker c(Mode{});
    c.before(ctl);
    access.table().Calling(3) = 1;
    const auto v = after(c);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "flag");
    EXPECT_EQ(v->expect, "expect Calling(3) = 0");
}

TEST_F(Checked, SalesWaitingAndModesInRange) {
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

TEST_F(Checked, SpareEntriesOnlyInTesterWalks) {
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

TEST_F(Checked, UnexpectedExceptionIsAFinding) {
    Checker c(Mode{});
    c.before(ctl);
    const auto v = c.after(ctl, tick, false, "std::logic_error: boom");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->check, "exception");
}

TEST_F(Checked, IgnoredClickMustChangeNothing) {
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

TEST_F(Checked, MoneyThatVanishesIsCaught) {
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
