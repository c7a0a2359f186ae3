// The C interface against the control's own surface table: order, types,
// status codes, by-reference write-back and string ownership.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "control/surface.h"
#include "dorvane.h"

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

const Entry* entries(const dorvane_function_table* t) {
    return reinterpret_cast<const Entry*>(t);
}

Entry exported(const std::string& symbol) {
    return reinterpret_cast<Entry>(dlsym(RTLD_DEFAULT, symbol.c_str()));
}

dorvane_value integer(int16_t v) {
    dorvane_value x{};
    x.type = DORVANE_INTEGER;
    x.as.integer = v;
    return x;
}
dorvane_value long_value(int32_t v) {
    dorvane_value x{};
    x.type = DORVANE_LONG;
    x.as.long_value = v;
    return x;
}
dorvane_value real(double v) {
    dorvane_value x{};
    x.type = DORVANE_DOUBLE;
    x.as.real = v;
    return x;
}
dorvane_value string(const char* v) {
    dorvane_value x{};
    x.type = DORVANE_STRING;
    x.as.string = v;
    return x;
}

int property(const char* name) {
    int index = -1;
    EXPECT_EQ(dorvane_find_property(name, &index), DORVANE_OK) << name;
    return index;
}
int method(const char* name) {
    int index = -1;
    EXPECT_EQ(dorvane_find_method(name, &index), DORVANE_OK) << name;
    return index;
}

struct Clock {
    std::vector<dorvane_datetime> times;  // handed out in turn, the last one repeats
    std::size_t next = 0;
    int beeps = 0;
    // With no times left the clock fails the way unfinished behaviour does.
    static void now(void* user, dorvane_datetime* out) {
        auto* c = static_cast<Clock*>(user);
        if (c->times.empty()) throw std::logic_error("clock: not implemented");
        *out = c->times[std::min(c->next++, c->times.size() - 1)];
    }
    static void beep(void* user) { ++static_cast<Clock*>(user)->beeps; }
};

struct Capi : ::testing::Test {
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
    int32_t member(const char* name, int pump = 0, int item = 0) {
        int32_t v = -99;
        EXPECT_EQ(dorvane_member(ctl, name, pump, item, &v), DORVANE_OK) << name;
        return v;
    }
};

// ---- Order and types --------------------------------------------------------

TEST(CapiTables, header_property_list_is_the_surface_table) {
    auto surface = dorvane::surface_properties();
    ASSERT_EQ(std::size(kHeaderProperties), surface.size());
    ASSERT_EQ(dorvane_property_count(), static_cast<int>(surface.size()));
    for (std::size_t p = 0; p < surface.size(); ++p) {
        SCOPED_TRACE(kHeaderProperties[p].name);
        EXPECT_EQ(surface[p].name, kHeaderProperties[p].name);
        EXPECT_EQ(static_cast<int>(surface[p].type), kHeaderProperties[p].type);
        const char* name = nullptr;
        int type = -1;
        ASSERT_EQ(dorvane_property_info(static_cast<int>(p), &name, &type), DORVANE_OK);
        EXPECT_EQ(surface[p].name, name);
        EXPECT_EQ(type, kHeaderProperties[p].type);
    }
}

TEST(CapiTables, method_tables_describe_the_surface_methods) {
    auto surface = dorvane::surface_methods();
    ASSERT_EQ(dorvane_method_count(), static_cast<int>(surface.size()));
    for (std::size_t m = 0; m < surface.size(); ++m) {
        const char* name = nullptr;
        int count = -1, result = -1;
        ASSERT_EQ(dorvane_method_info(static_cast<int>(m), &name, &count, &result), DORVANE_OK);
        SCOPED_TRACE(name);
        EXPECT_EQ(surface[m].name, name);
        ASSERT_EQ(count, static_cast<int>(surface[m].params.size()));
        EXPECT_EQ(result, static_cast<int>(surface[m].result.value_or(ValueType::Empty)));
        for (int a = 0; a < count; ++a) {
            const char* arg = nullptr;
            int type = -1, by_ref = -1;
            ASSERT_EQ(dorvane_method_arg(static_cast<int>(m), a, &arg, &type, &by_ref), DORVANE_OK);
            EXPECT_EQ(surface[m].params[a].name, arg);
            EXPECT_EQ(type, static_cast<int>(surface[m].params[a].type));
            EXPECT_EQ(by_ref, surface[m].params[a].by_ref ? 1 : 0);
        }
    }
}

TEST(CapiTables, function_table_holds_read_write_pairs_then_methods_in_surface_order) {
    auto props = dorvane::surface_properties();
    auto methods = dorvane::surface_methods();
    const std::size_t n = 2 * props.size() + methods.size();
    ASSERT_EQ(sizeof(dorvane_function_table), n * sizeof(Entry));
    const Entry* e = entries(dorvane_functions());
    std::vector<std::string> expected;
    for (const auto& p : props) {
        expected.push_back("dorvane_get_" + std::string(p.name));
        expected.push_back("dorvane_set_" + std::string(p.name));
    }
    for (const auto& m : methods)
        expected.push_back("dorvane_" + std::string(m.name));
    for (std::size_t k = 0; k < n; ++k) {
        ASSERT_NE(exported(expected[k]), nullptr) << expected[k];
        EXPECT_EQ(e[k], exported(expected[k])) << "entry " << k << " should be " << expected[k];
    }
}

// Each typed setter, reached through its place in the function table, writes
// the property of the same number with the surface's type, and the getter
// next to it reads it back.
TEST_F(Capi, typed_entries_reach_their_property_with_its_type) {
    auto props = dorvane::surface_properties();
    const Entry* e = entries(dorvane_functions());
    for (std::size_t p = 0; p < props.size(); ++p) {
        SCOPED_TRACE(std::string(props[p].name));
        const int marker = 1000 + static_cast<int>(p);
        const std::string text = "value " + std::to_string(p);
        Entry get = e[2 * p], set = e[2 * p + 1];
        switch (props[p].type) {
            case ValueType::Integer:
            case ValueType::Boolean: {
                ASSERT_EQ(reinterpret_cast<int (*)(dorvane_ctl*, int16_t)>(set)(
                              ctl, static_cast<int16_t>(marker)),
                          DORVANE_OK);
                int16_t back = 0;
                ASSERT_EQ(reinterpret_cast<int (*)(dorvane_ctl*, int16_t*)>(get)(ctl, &back),
                          DORVANE_OK);
                EXPECT_EQ(back, marker);
                break;
            }
            case ValueType::Long: {
                ASSERT_EQ(reinterpret_cast<int (*)(dorvane_ctl*, int32_t)>(set)(ctl, marker * 1000),
                          DORVANE_OK);
                int32_t back = 0;
                ASSERT_EQ(reinterpret_cast<int (*)(dorvane_ctl*, int32_t*)>(get)(ctl, &back),
                          DORVANE_OK);
                EXPECT_EQ(back, marker * 1000);
                break;
            }
            default: {
                ASSERT_EQ(
                    reinterpret_cast<int (*)(dorvane_ctl*, const char*)>(set)(ctl, text.c_str()),
                    DORVANE_OK);
                EXPECT_EQ(this->text(
                              reinterpret_cast<int (*)(dorvane_ctl*, char*, size_t, size_t*)>(get)),
                          text);
            }
        }
        dorvane_value v{};
        ASSERT_EQ(dorvane_get_property(ctl, static_cast<int>(p), &v), DORVANE_OK);
        ASSERT_EQ(v.type, static_cast<int>(props[p].type));
        switch (props[p].type) {
            case ValueType::Integer:
                EXPECT_EQ(v.as.integer, marker);
                break;
            case ValueType::Boolean:
                EXPECT_EQ(v.as.boolean, marker);
                break;
            case ValueType::Long:
                EXPECT_EQ(v.as.long_value, marker * 1000);
                break;
            default:
                EXPECT_STREQ(v.as.string, text.c_str());
        }
    }
}

TEST(CapiLibrary, reports_its_version_and_interface_revision) {
    EXPECT_STREQ(dorvane_version(), DORVANE_TEST_PROJECT_VERSION);
    EXPECT_EQ(dorvane_abi_version(), DORVANE_ABI_VERSION);
    EXPECT_STREQ(dorvane_status_text(DORVANE_E_OVERFLOW), "overflow");
    EXPECT_STREQ(dorvane_status_text(12345), "unknown status");
}

// ---- Status codes -------------------------------------------------------------

struct StatusCase {
    const char* what;
    int expected;
    std::function<int(dorvane_ctl*)> call;
};

TEST_F(Capi, every_fault_kind_has_its_status_and_a_message) {
    static char small[4];
    const StatusCase cases[] = {
        {"Integer property given 40000", DORVANE_E_OVERFLOW,
         [](dorvane_ctl* c) {
             dorvane_value v = long_value(40000);
             return dorvane_set_property(c, property("Tender_ID"), &v);
         }},
        {"Integer argument given 70000", DORVANE_E_OVERFLOW,
         [](dorvane_ctl* c) {
             dorvane_value args[] = {long_value(70000), integer(1), integer(1)};
             return dorvane_invoke(c, method("Terminal_Opened"), args, 3, nullptr);
         }},
        {"pump button 24", DORVANE_E_INDEX,
         [](dorvane_ctl* c) { return dorvane_click(c, "Pump", 24); }},
        {"index on a single widget", DORVANE_E_INDEX,
         [](dorvane_ctl* c) { return dorvane_click(c, "Hook", 0); }},
        {"per-pump member 32", DORVANE_E_INDEX,
         [](dorvane_ctl* c) {
             int32_t v;
             return dorvane_member(c, "Pump_State", 32, 0, &v);
         }},
        {"per-item member item 3", DORVANE_E_INDEX,
         [](dorvane_ctl* c) {
             int32_t v;
             return dorvane_member(c, "Item_Request", 0, 3, &v);
         }},
        {"property number 37", DORVANE_E_INDEX,
         [](dorvane_ctl* c) {
             dorvane_value v;
             return dorvane_get_property(c, 37, &v);
         }},
        {"method number -1", DORVANE_E_INDEX,
         [](dorvane_ctl* c) { return dorvane_invoke(c, -1, nullptr, 0, nullptr); }},
        {"negative tick count", DORVANE_E_INDEX,
         [](dorvane_ctl* c) { return dorvane_tick(c, -1); }},
        {"unknown widget", DORVANE_E_UNKNOWN_NAME,
         [](dorvane_ctl* c) { return dorvane_click(c, "pump", 0); }},
        {"unknown member", DORVANE_E_UNKNOWN_NAME,
         [](dorvane_ctl* c) {
             int32_t v;
             return dorvane_member(c, "Pump_Stat", 0, 0, &v);
         }},
        {"text into an Integer property", DORVANE_E_TYPE,
         [](dorvane_ctl* c) {
             dorvane_value v = string("7");
             return dorvane_set_property(c, property("POS_Entry_ID"), &v);
         }},
        {"number into a String property", DORVANE_E_TYPE,
         [](dorvane_ctl* c) {
             dorvane_value v = integer(7);
             return dorvane_set_property(c, property("Fuel_PLU"), &v);
         }},
        {"Double into a Long property", DORVANE_E_TYPE,
         [](dorvane_ctl* c) {
             dorvane_value v = real(1.5);
             return dorvane_set_property(c, property("Total_Price"), &v);
         }},
        {"unknown type tag", DORVANE_E_TYPE,
         [](dorvane_ctl* c) {
             dorvane_value v = integer(1);
             v.type = 99;
             return dorvane_set_property(c, property("Tender_ID"), &v);
         }},
        {"too few arguments", DORVANE_E_TYPE,
         [](dorvane_ctl* c) {
             dorvane_value args[] = {integer(1)};
             return dorvane_invoke(c, method("Terminal_Opened"), args, 1, nullptr);
         }},
        {"NULL result pointer", DORVANE_E_NULL,
         [](dorvane_ctl* c) { return dorvane_Poll_Fuel_Itemization(c, nullptr); }},
        {"NULL by-reference argument", DORVANE_E_NULL,
         [](dorvane_ctl* c) {
             dorvane_bool r;
             return dorvane_Reset_Fuel_Pump(c, nullptr, &r);
         }},
        {"NULL text for a String property", DORVANE_E_NULL,
         [](dorvane_ctl* c) { return dorvane_set_Track1(c, nullptr); }},
        {"String value with a NULL pointer", DORVANE_E_NULL,
         [](dorvane_ctl* c) {
             dorvane_value v = string(nullptr);
             return dorvane_set_property(c, property("Track1"), &v);
         }},
        {"arguments NULL with a count", DORVANE_E_NULL,
         [](dorvane_ctl* c) {
             return dorvane_invoke(c, method("Reset_Fuel_Pump"), nullptr, 1, nullptr);
         }},
        {"NULL widget name", DORVANE_E_NULL,
         [](dorvane_ctl* c) { return dorvane_click(c, nullptr, -1); }},
        {"buffer without room for the NUL", DORVANE_E_BUFFER,
         [](dorvane_ctl* c) {
             dorvane_set_Fuel_PLU(c, "1234");
             return dorvane_get_Fuel_PLU(c, small, sizeof small, nullptr);
         }},
        {"a failure that is no range fault", DORVANE_E_FAILED,
         [](dorvane_ctl* c) { return dorvane_Terminal_Opened(c, 1, 1, 1); }},
    };
    for (const StatusCase& k : cases) {
        SCOPED_TRACE(k.what);
        clock.times = {kMorning};
        clock.next = 0;
        if (k.expected == DORVANE_E_FAILED) clock.times.clear();
        ASSERT_EQ(k.call(ctl), k.expected) << dorvane_last_error(ctl);
        EXPECT_STRNE(dorvane_last_error(ctl), "");
        // The control stays usable, and a good call clears the message.
        dorvane_bool r = 0;
        clock.times = {kMorning};
        EXPECT_EQ(dorvane_Reset_Fuel_Controller(ctl, &r), DORVANE_OK);
        EXPECT_EQ(r, DORVANE_TRUE);
        EXPECT_STREQ(dorvane_last_error(ctl), "");
    }
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
}

TEST_F(Capi, a_failed_property_write_keeps_the_old_value) {
    ASSERT_EQ(dorvane_set_Tender_ID(ctl, 12), DORVANE_OK);
    dorvane_value v = long_value(-32769);
    EXPECT_EQ(dorvane_set_property(ctl, property("Tender_ID"), &v), DORVANE_E_OVERFLOW);
    int16_t back = 0;
    dorvane_get_Tender_ID(ctl, &back);
    EXPECT_EQ(back, 12);
    v = long_value(-32768);  // the edge still fits
    EXPECT_EQ(dorvane_set_property(ctl, property("Tender_ID"), &v), DORVANE_OK);
    dorvane_get_Tender_ID(ctl, &back);
    EXPECT_EQ(back, -32768);
}

// ---- By-reference arguments -----------------------------------------------------

TEST_F(Capi, by_reference_arguments_are_written_back_only_when_changed) {
    // Pump given as a Long comes back as the Integer the method holds.
    dorvane_value pump[] = {long_value(7)};
    dorvane_value result{};
    ASSERT_EQ(dorvane_invoke(ctl, method("Reset_Fuel_Pump"), pump, 1, &result), DORVANE_OK);
    EXPECT_EQ(pump[0].type, DORVANE_INTEGER);
    EXPECT_EQ(pump[0].as.integer, 7);
    EXPECT_EQ(result.type, DORVANE_BOOLEAN);
    EXPECT_EQ(result.as.boolean, DORVANE_FALSE);

    // Promos keeps its value and type, and the caller's own string.
    const std::string mine = kNonAscii;
    dorvane_value promos[] = {string(mine.c_str())};
    ASSERT_EQ(dorvane_invoke(ctl, method("Get_Fuel_Promos"), promos, 1, &result), DORVANE_OK);
    EXPECT_EQ(promos[0].type, DORVANE_STRING);
    EXPECT_EQ(promos[0].as.string, mine.c_str());
    EXPECT_EQ(result.type, DORVANE_INTEGER);
    EXPECT_EQ(result.as.integer, 0);

    // The typed entry writes through the pointer it is given.
    int16_t p = 7;
    dorvane_bool r = DORVANE_TRUE;
    ASSERT_EQ(dorvane_Reset_Fuel_Pump(ctl, &p, &r), DORVANE_OK);
    EXPECT_EQ(p, 7);
    EXPECT_EQ(r, DORVANE_FALSE);
    dorvane_value typed = string(mine.c_str());
    int16_t count = -5;
    ASSERT_EQ(dorvane_Get_Fuel_Promos(ctl, &typed, &count), DORVANE_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(typed.type, DORVANE_STRING);
    EXPECT_EQ(typed.as.string, mine.c_str());
}

TEST_F(Capi, a_method_without_result_hands_back_an_empty_value) {
    dorvane_value result = integer(5);
    ASSERT_EQ(dorvane_invoke(ctl, method("Terminal_Closed"), nullptr, 0, &result), DORVANE_OK);
    EXPECT_EQ(result.type, DORVANE_EMPTY);
}

// ---- Text and its ownership -------------------------------------------------------

TEST_F(Capi, text_round_trips_through_every_path_byte_for_byte) {
    ASSERT_EQ(dorvane_set_Fuel_Product_Name(ctl, kNonAscii), DORVANE_OK);
    EXPECT_EQ(text(dorvane_get_Fuel_Product_Name), kNonAscii);

    dorvane_value v = string(kLongText);
    ASSERT_EQ(dorvane_set_property(ctl, property("Track2"), &v), DORVANE_OK);
    ASSERT_EQ(dorvane_get_property(ctl, property("Track2"), &v), DORVANE_OK);
    EXPECT_STREQ(v.as.string, kLongText);

    // A string the handle handed out may be passed straight back in.
    ASSERT_EQ(dorvane_set_property(ctl, property("Track1"), &v), DORVANE_OK);
    EXPECT_EQ(text(dorvane_get_Track1), kLongText);
}

TEST_F(Capi, buffers_report_the_needed_length_and_are_left_alone_when_short) {
    ASSERT_EQ(dorvane_set_Fuel_PLU(ctl, kNonAscii), DORVANE_OK);
    const size_t needed = std::strlen(kNonAscii);
    size_t length = 0;
    EXPECT_EQ(dorvane_get_Fuel_PLU(ctl, nullptr, 0, &length), DORVANE_OK);
    EXPECT_EQ(length, needed);
    std::vector<char> buf(needed, 'x');
    EXPECT_EQ(dorvane_get_Fuel_PLU(ctl, buf.data(), buf.size(), &length), DORVANE_E_BUFFER);
    EXPECT_EQ(std::string(buf.begin(), buf.end()), std::string(needed, 'x'));
    buf.resize(needed + 1);
    EXPECT_EQ(dorvane_get_Fuel_PLU(ctl, buf.data(), buf.size(), &length), DORVANE_OK);
    EXPECT_STREQ(buf.data(), kNonAscii);
    EXPECT_EQ(dorvane_get_Fuel_PLU(ctl, nullptr, 4, &length), DORVANE_E_NULL);
}

// Under the address sanitizer this catches a handed-out string that is freed
// too early or never.
TEST(CapiOwnership, handed_out_strings_live_until_the_next_call_and_are_freed) {
    for (int round = 0; round < 3; ++round) {
        dorvane_ctl* ctl = nullptr;
        ASSERT_EQ(dorvane_create(nullptr, &ctl), DORVANE_OK);
        for (const char* name : {"Track1", "Track2", "Fuel_Price_State"}) {
            const int index = property(name);
            const std::string text = std::string(kLongText) + name;
            dorvane_value v = string(text.c_str());
            ASSERT_EQ(dorvane_set_property(ctl, index, &v), DORVANE_OK);
            ASSERT_EQ(dorvane_get_property(ctl, index, &v), DORVANE_OK);
            EXPECT_EQ(std::string(v.as.string), text);
        }
        dorvane_click(ctl, "nowhere", -1);
        EXPECT_NE(std::string(dorvane_last_error(ctl)).find("nowhere"), std::string::npos);
        dorvane_destroy(ctl);  // with an error message and strings still held
    }
}

// ---- Platform and tester's side ------------------------------------------------------

TEST_F(Capi, the_clock_comes_from_the_callback_and_a_bad_time_is_ignored) {
    clock.times = {kMorning, dorvane_datetime{2026, 13, 40, 25, 61, 61}};
    ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    EXPECT_EQ(member("ZRD_Seq_Counter"), kMorningSeed);
    ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    EXPECT_EQ(member("ZRD_Seq_Counter"), kMorningSeed);
}

TEST_F(Capi, tester_actions_and_widget_state_reach_the_panel) {
    dorvane_widget_state s{};
    ASSERT_EQ(dorvane_widget_state_of(ctl, "Pump", 0, &s), DORVANE_OK);
    EXPECT_EQ(s.enabled, 0);  // the terminal starts closed
    ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    ASSERT_EQ(dorvane_widget_state_of(ctl, "Pump", 0, &s), DORVANE_OK);
    EXPECT_EQ(s.enabled, 1);
    ASSERT_EQ(dorvane_click(ctl, "Pump", 0), DORVANE_OK);
    EXPECT_EQ(member("Pump_State", 0), 1);
    EXPECT_EQ(member("Pump_State", 1), 0);
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
