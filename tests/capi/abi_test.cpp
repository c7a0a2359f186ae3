// The C interface against the control's own surface table: order, types,
// status codes, by-reference write-back and string ownership.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dorvane/common/arrays.h"
#include "dorvane/control/surface.h"
#include "dorvane/dorvane.h"

namespace {

using dorvane::ValueType;

constexpr const char* kNonAscii = "Zürich Süd ⛽ 5€";
constexpr const char* kLongText =
    "a text well beyond any small-string buffer, so that it lives on the heap";
constexpr dorvane_datetime kMorning{2026, 3, 4, 5, 6, 7};
constexpr int32_t kMorningSeed = 3418367;  // month 3, day 4, 18367 seconds since midnight

// The header's property list, as the compiler sees it.
struct HeaderProperty {
    const char* name;
    int type;
};
#define DORVANE_HEADER_ENTRY(name, T) {#name, DORVANE_##T},
const HeaderProperty kHeaderProperties[] = {DORVANE_PROPERTIES(DORVANE_HEADER_ENTRY)};
#undef DORVANE_HEADER_ENTRY

using Entry = void (*)();

// The library's own export of that name, as a program loading it by name
// would find it.
Entry exported(const char* name) {
#ifdef _WIN32
    return reinterpret_cast<Entry>(GetProcAddress(GetModuleHandleA("dorvane.dll"), name));
#else
    return reinterpret_cast<Entry>(dlsym(RTLD_DEFAULT, name));
#endif
}

// Hands out its times in turn, the last one repeating; with none it fails
// the way unfinished behaviour does.
struct Clock {
    std::vector<dorvane_datetime> times;
    std::size_t next = 0;
    static void now(void* user, dorvane_datetime* out) {
        auto* c = static_cast<Clock*>(user);
        if (c->times.empty()) throw std::logic_error("clock: not implemented");
        *out = c->times[std::min(c->next++, c->times.size() - 1)];
    }
    static void beep(void*) {}
};

struct Capi : ::testing::Test {
    static dorvane_value integer(int16_t v) { return {DORVANE_INTEGER, {.integer = v}}; }
    static dorvane_value long_value(int32_t v) { return {DORVANE_LONG, {.long_value = v}}; }
    static dorvane_value real(double v) { return {DORVANE_DOUBLE, {.real = v}}; }
    static dorvane_value string(const char* v) { return {DORVANE_STRING, {.string = v}}; }
    static int find(int (*finder)(const char*, int*), const char* name) {
        int i = -1;
        return finder(name, &i) == DORVANE_OK ? i : -1;
    }
    static int property(const char* name) { return find(dorvane_find_property, name); }
    static int method(const char* name) { return find(dorvane_find_method, name); }
    template <typename F>
    static F* as(Entry e) {
        return reinterpret_cast<F*>(e);
    }

    Clock clock{{kMorning}};
    dorvane_platform platform{&Clock::now, &Clock::beep, &clock};
    dorvane_ctl* ctl = nullptr;
    void SetUp() override { ASSERT_EQ(dorvane_create(&platform, &ctl), DORVANE_OK); }
    void TearDown() override { dorvane_destroy(ctl); }

    std::string text(int (*getter)(dorvane_ctl*, char*, size_t, size_t*)) {
        char buf[256];
        size_t length = 0;
        EXPECT_EQ(getter(ctl, buf, sizeof buf, &length), DORVANE_OK);
        return std::string(buf, length);
    }
    int32_t member(const char* name, int pump = 0) {
        int32_t v = -99;
        EXPECT_EQ(dorvane_member(ctl, name, pump, 0, &v), DORVANE_OK) << name;
        return v;
    }
    int set(const char* name, dorvane_value v) {
        return dorvane_set_property(ctl, property(name), &v);
    }
    // A failing call: its status, a message, and a control that goes on.
    void fails(const char* what, int expected, int status) {
        SCOPED_TRACE(what);
        EXPECT_EQ(status, expected) << dorvane_last_error(ctl);
        EXPECT_STRNE(dorvane_last_error(ctl), "");
        dorvane_bool r = 0;
        clock.times = {kMorning};
        EXPECT_EQ(dorvane_Reset_Fuel_Controller(ctl, &r), DORVANE_OK);
        EXPECT_EQ(r, DORVANE_TRUE);
        EXPECT_STREQ(dorvane_last_error(ctl), "");
    }
};

// ---- Order and types --------------------------------------------------------

TEST(CapiTables, header_and_tables_describe_the_surface_in_its_order) {
    auto props = dorvane::surface_properties();
    ASSERT_EQ(std::size(kHeaderProperties), props.size());
    ASSERT_EQ(dorvane_property_count(), static_cast<int>(props.size()));
    for (std::size_t p = 0; p < props.size(); ++p) {
        SCOPED_TRACE(kHeaderProperties[p].name);
        const char* name = nullptr;
        int type = -1;
        ASSERT_EQ(dorvane_property_info(static_cast<int>(p), &name, &type), DORVANE_OK);
        EXPECT_EQ(props[p].name, kHeaderProperties[p].name);
        EXPECT_EQ(props[p].name, name);
        EXPECT_EQ(static_cast<int>(props[p].type), kHeaderProperties[p].type);
        EXPECT_EQ(type, kHeaderProperties[p].type);
    }
    auto methods = dorvane::surface_methods();
    ASSERT_EQ(dorvane_method_count(), static_cast<int>(methods.size()));
    for (std::size_t m = 0; m < methods.size(); ++m) {
        const char* name = nullptr;
        int count = -1, result = -1;
        ASSERT_EQ(dorvane_method_info(static_cast<int>(m), &name, &count, &result), DORVANE_OK);
        SCOPED_TRACE(name);
        EXPECT_EQ(methods[m].name, name);
        ASSERT_EQ(count, static_cast<int>(methods[m].params.size()));
        EXPECT_EQ(result, static_cast<int>(methods[m].result.value_or(ValueType::Empty)));
        for (int a = 0; a < count; ++a) {
            const char* arg = nullptr;
            int type = -1, by_ref = -1;
            ASSERT_EQ(dorvane_method_arg(static_cast<int>(m), a, &arg, &type, &by_ref), DORVANE_OK);
            EXPECT_EQ(methods[m].params[a].name, arg);
            EXPECT_EQ(type, static_cast<int>(methods[m].params[a].type));
            EXPECT_EQ(by_ref, methods[m].params[a].by_ref ? 1 : 0);
        }
    }
}

TEST(CapiTables, function_table_holds_read_write_pairs_then_methods_in_surface_order) {
    std::vector<std::string> expected;
    for (const auto& p : dorvane::surface_properties()) {
        expected.push_back("dorvane_get_" + std::string(p.name));
        expected.push_back("dorvane_set_" + std::string(p.name));
    }
    for (const auto& m : dorvane::surface_methods())
        expected.push_back("dorvane_" + std::string(m.name));
    ASSERT_EQ(sizeof(dorvane_function_table), expected.size() * sizeof(Entry));
    const Entry* e = reinterpret_cast<const Entry*>(dorvane_functions());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        Entry symbol = exported(expected[k].c_str());
        ASSERT_NE(symbol, nullptr) << expected[k];
        EXPECT_EQ(e[k], symbol) << "entry " << k << " should be " << expected[k];
    }
}

// Each typed setter, reached through its place in the function table, writes
// the property of the same number with the surface's type; the getter next to
// it and the generic read both read it back.
TEST_F(Capi, typed_entries_reach_their_property_with_its_type) {
    auto props = dorvane::surface_properties();
    const Entry* e = reinterpret_cast<const Entry*>(dorvane_functions());
    for (std::size_t p = 0; p < props.size(); ++p) {
        SCOPED_TRACE(std::string(props[p].name));
        const ValueType type = props[p].type;
        const int16_t marker = static_cast<int16_t>(1000 + p);
        std::string expected = "value " + std::to_string(p), typed, generic;
        Entry get = e[2 * p], set = e[2 * p + 1];
        auto number = [&]<typename T>(T value) {
            expected = std::to_string(value);
            ASSERT_EQ(as<int(dorvane_ctl*, T)>(set)(ctl, value), DORVANE_OK);
            T back = 0;
            ASSERT_EQ(as<int(dorvane_ctl*, T*)>(get)(ctl, &back), DORVANE_OK);
            typed = std::to_string(back);
        };
        if (type == ValueType::Long) {
            number(int32_t{marker * 1000});
        } else if (type == ValueType::Integer || type == ValueType::Boolean) {
            number(marker);
        } else {
            ASSERT_EQ(as<int(dorvane_ctl*, const char*)>(set)(ctl, expected.c_str()), DORVANE_OK);
            typed = text(as<int(dorvane_ctl*, char*, size_t, size_t*)>(get));
        }
        dorvane_value v{};
        ASSERT_EQ(dorvane_get_property(ctl, static_cast<int>(p), &v), DORVANE_OK);
        ASSERT_EQ(v.type, static_cast<int>(type));
        generic = type == ValueType::Long      ? std::to_string(v.as.long_value)
                  : type == ValueType::Integer ? std::to_string(v.as.integer)
                  : type == ValueType::Boolean ? std::to_string(v.as.boolean)
                                               : std::string(v.as.string);
        EXPECT_EQ(typed, expected);
        EXPECT_EQ(generic, expected);
    }
}

// ---- Status codes -------------------------------------------------------------

TEST_F(Capi, every_fault_kind_has_its_status_and_a_message) {
    int32_t m = 0;
    dorvane_value v{};
    dorvane_bool r = 0;
    char small[4];
    dorvane_value few[] = {integer(1)}, big[] = {long_value(70000), integer(1), integer(1)};
    ASSERT_EQ(dorvane_set_Tender_ID(ctl, 12), DORVANE_OK);
    fails("Integer property given -32769", DORVANE_E_OVERFLOW,
          set("Tender_ID", long_value(-32769)));
    fails("Integer argument given 70000", DORVANE_E_OVERFLOW,
          dorvane_invoke(ctl, method("Terminal_Opened"), big, 3, nullptr));
    int16_t kept = 0;
    dorvane_get_Tender_ID(ctl, &kept);
    EXPECT_EQ(kept, 12);  // a failed write keeps the old value; the edge still fits
    EXPECT_EQ(set("Tender_ID", long_value(-32768)), DORVANE_OK);
    fails("pump button past the last", DORVANE_E_INDEX,
          dorvane_click(ctl, "Pump", dorvane::kPumpCount));
    fails("per-pump member 32", DORVANE_E_INDEX, dorvane_member(ctl, "Pump_State", 32, 0, &m));
    fails("property number past the last", DORVANE_E_INDEX,
          dorvane_get_property(ctl, dorvane_property_count(), &v));
    fails("method number -1", DORVANE_E_INDEX, dorvane_invoke(ctl, -1, nullptr, 0, nullptr));
    fails("negative tick count", DORVANE_E_INDEX, dorvane_tick(ctl, -1));
    fails("unknown widget", DORVANE_E_UNKNOWN_NAME, dorvane_click(ctl, "pump", 0));
    fails("unknown member", DORVANE_E_UNKNOWN_NAME, dorvane_member(ctl, "Pump_Stat", 0, 0, &m));
    fails("text into an Integer", DORVANE_E_TYPE, set("POS_Entry_ID", string("7")));
    fails("number into a String", DORVANE_E_TYPE, set("Fuel_PLU", integer(7)));
    fails("Double into a Long", DORVANE_E_TYPE, set("Total_Price", real(1.5)));
    dorvane_value tag99 = integer(1);
    tag99.type = 99;
    fails("unknown type tag", DORVANE_E_TYPE, set("Tender_ID", tag99));
    fails("too few arguments", DORVANE_E_TYPE,
          dorvane_invoke(ctl, method("Terminal_Opened"), few, 1, nullptr));
    fails("NULL result", DORVANE_E_NULL, dorvane_Poll_Fuel_Itemization(ctl, nullptr));
    fails("NULL by-reference", DORVANE_E_NULL, dorvane_Reset_Fuel_Pump(ctl, nullptr, &r));
    fails("NULL text", DORVANE_E_NULL, dorvane_set_Track1(ctl, nullptr));
    fails("String value NULL", DORVANE_E_NULL, set("Track1", string(nullptr)));
    fails("arguments NULL with a count", DORVANE_E_NULL,
          dorvane_invoke(ctl, method("Reset_Fuel_Pump"), nullptr, 1, nullptr));
    fails("NULL widget name", DORVANE_E_NULL, dorvane_click(ctl, nullptr, -1));
    dorvane_set_Fuel_PLU(ctl, "1234");
    fails("no room for the NUL", DORVANE_E_BUFFER,
          dorvane_get_Fuel_PLU(ctl, small, sizeof small, nullptr));
    clock.times.clear();
    fails("a failure that is no range fault", DORVANE_E_FAILED,
          dorvane_Terminal_Opened(ctl, 1, 1, 1));
}

TEST_F(Capi, a_null_pointer_is_named_by_its_parameter) {
    dorvane_bool flag = DORVANE_TRUE;
    int16_t pump = 3, count = 0;
    const struct {
        const char* name;
        std::function<int()> call;
        const char* message;
    } rows[] = {
        {"Reset_Fuel_Pump without its Pump",
         [&] { return dorvane_Reset_Fuel_Pump(ctl, nullptr, &flag); }, "Pump is NULL"},
        {"Reset_Fuel_Pump without its result",
         [&] { return dorvane_Reset_Fuel_Pump(ctl, &pump, nullptr); }, "result is NULL"},
        {"Get_Fuel_Promos without its Promos",
         [&] { return dorvane_Get_Fuel_Promos(ctl, nullptr, &count); }, "Promos is NULL"},
        {"Fuel_Itemization_Complete without its SuccessFlag",
         [&] { return dorvane_Fuel_Itemization_Complete(ctl, nullptr, 0); }, "SuccessFlag is NULL"},
        {"Car_Wash_Request without its result",
         [&] { return dorvane_Car_Wash_Request(ctl, nullptr); }, "result is NULL"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(), DORVANE_E_NULL);
        EXPECT_STREQ(dorvane_last_error(ctl), row.message);
    }
    // Nothing ran: the car wash request did not open an exchange.
    EXPECT_EQ(member("POS_Request"), 0);
}

TEST(CapiNull, calls_without_a_handle_or_output_fail_cleanly) {
    int16_t v = 0;
    int index = 0;
    EXPECT_EQ(dorvane_get_Tender_ID(nullptr, &v), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_click(nullptr, "Pump", 0), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_create(nullptr, nullptr), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_find_property(nullptr, &index), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_find_method("Terminal_Closed", nullptr), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_find_property("tender_id", &index), DORVANE_E_UNKNOWN_NAME);
    EXPECT_EQ(dorvane_method_arg(7, 2, nullptr, nullptr, nullptr), DORVANE_E_INDEX);
    dorvane_destroy(nullptr);
    EXPECT_STREQ(dorvane_version(), DORVANE_TEST_PROJECT_VERSION);
    EXPECT_EQ(dorvane_abi_version(), DORVANE_ABI_VERSION);
    EXPECT_STREQ(dorvane_status_text(DORVANE_E_OVERFLOW), "overflow");
}

// ---- By-reference arguments -----------------------------------------------------

TEST_F(Capi, by_reference_arguments_are_written_back_only_when_changed) {
    // Pump given as a Long comes back as the Integer the method holds.
    dorvane_value pump[] = {long_value(7)}, result{};
    ASSERT_EQ(dorvane_invoke(ctl, method("Reset_Fuel_Pump"), pump, 1, &result), DORVANE_OK);
    EXPECT_EQ(pump[0].type, DORVANE_INTEGER);
    EXPECT_EQ(pump[0].as.integer, 7);
    EXPECT_EQ(result.type, DORVANE_BOOLEAN);
    EXPECT_EQ(result.as.boolean, DORVANE_FALSE);
    // Promos keeps its value and type, and the caller's own string.
    const std::string mine = kNonAscii;
    dorvane_value promos[] = {string(mine.c_str())};
    ASSERT_EQ(dorvane_invoke(ctl, method("Get_Fuel_Promos"), promos, 1, &result), DORVANE_OK);
    EXPECT_EQ(promos[0].as.string, mine.c_str());
    EXPECT_EQ(result.type, DORVANE_INTEGER);
    int16_t count = -5;
    ASSERT_EQ(dorvane_Get_Fuel_Promos(ctl, &promos[0], &count), DORVANE_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(promos[0].as.string, mine.c_str());
    // A method without result hands back an empty value.
    ASSERT_EQ(dorvane_invoke(ctl, method("Terminal_Closed"), nullptr, 0, &result), DORVANE_OK);
    EXPECT_EQ(result.type, DORVANE_EMPTY);
}

// ---- Text and its ownership -------------------------------------------------------

// Under the address sanitizer this also catches a handed-out string that is
// freed too early or never.
TEST_F(Capi, text_round_trips_and_handed_out_strings_live_until_the_next_call) {
    ASSERT_EQ(dorvane_set_Fuel_Product_Name(ctl, kNonAscii), DORVANE_OK);
    EXPECT_EQ(text(dorvane_get_Fuel_Product_Name), kNonAscii);
    dorvane_value v{};
    for (const char* name : {"Fuel_Price_State", "Track1", "Track2"}) {
        const std::string mine = std::string(kLongText) + name;
        ASSERT_EQ(set(name, string(mine.c_str())), DORVANE_OK);
        ASSERT_EQ(dorvane_get_property(ctl, property(name), &v), DORVANE_OK);
        EXPECT_EQ(std::string(v.as.string), mine);
    }
    // A string the handle handed out may be passed straight back in.
    ASSERT_EQ(dorvane_set_property(ctl, property("Track1"), &v), DORVANE_OK);
    EXPECT_EQ(text(dorvane_get_Track1), std::string(kLongText) + "Track2");
    dorvane_click(ctl, "nowhere", -1);  // destroyed with an error message held
    EXPECT_NE(std::string(dorvane_last_error(ctl)).find("nowhere"), std::string::npos);

    const size_t needed = std::strlen(kNonAscii);
    size_t length = 0;
    EXPECT_EQ(dorvane_get_Fuel_Product_Name(ctl, nullptr, 0, &length), DORVANE_OK);
    EXPECT_EQ(length, needed);
    std::vector<char> buf(needed, 'x');
    EXPECT_EQ(dorvane_get_Fuel_Product_Name(ctl, buf.data(), needed, &length), DORVANE_E_BUFFER);
    EXPECT_EQ(std::string(buf.begin(), buf.end()), std::string(needed, 'x'));
    EXPECT_EQ(dorvane_get_Fuel_Product_Name(ctl, nullptr, 4, &length), DORVANE_E_NULL);
}

// ---- Platform and tester's side ------------------------------------------------------

TEST_F(Capi, the_clock_comes_from_the_callback_and_tester_actions_reach_the_panel) {
    clock.times = {kMorning, dorvane_datetime{2026, 13, 40, 25, 61, 61}};
    dorvane_widget_state s{};
    ASSERT_EQ(dorvane_widget_state_of(ctl, "Pump", 0, &s), DORVANE_OK);
    EXPECT_EQ(s.enabled, 0);  // the terminal starts closed
    ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    EXPECT_EQ(member("ZRD_Seq_Counter"), kMorningSeed);
    ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);  // a bad time is ignored
    EXPECT_EQ(member("ZRD_Seq_Counter"), kMorningSeed);
    ASSERT_EQ(dorvane_click(ctl, "Pump", 0), DORVANE_OK);
    EXPECT_EQ(member("Pump_State", 0), 1);
    ASSERT_EQ(dorvane_tick(ctl, 3), DORVANE_OK);
    EXPECT_EQ(member("Tick_Count"), 3);
    ASSERT_EQ(dorvane_click(ctl, "Message1", -1), DORVANE_OK);
    ASSERT_EQ(dorvane_widget_state_of(ctl, "SimPump", 0, &s), DORVANE_OK);
    EXPECT_EQ(s.visible, 1);
    ASSERT_EQ(dorvane_enter_purchase(ctl, "12.5"), DORVANE_OK);
    char caption[64];
    ASSERT_EQ(dorvane_widget_caption(ctl, "Purchase", -1, caption, sizeof caption, nullptr),
              DORVANE_OK);
    EXPECT_STRNE(caption, "");
}

}  // namespace
