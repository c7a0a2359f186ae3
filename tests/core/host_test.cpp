// The host surface: the property and method table, argument conversion, the
// stubs and start-up.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "dorvane/control/surface.h"
#include "test_access.h"

namespace dorvane {
namespace {

using VT = ValueType;

// The properties in interface order, with their types.
const struct {
    const char* name;
    VT type;
} kProperties[] = {{"Tender_ID", VT::Integer},
                   {"Itemization_Type", VT::Integer},
                   {"POS_Entry_ID", VT::Integer},
                   {"Pump_Number", VT::Integer},
                   {"ZRD_Sequence_Number", VT::Long},
                   {"Total_Price", VT::Long},
                   {"Fuel_PLU", VT::String},
                   {"Fuel_Grade", VT::Integer},
                   {"Gallons_Sold", VT::Long},
                   {"Price_Per_Gallon_Sold", VT::Integer},
                   {"Cash_Price_Per_Gallon", VT::Integer},
                   {"Credit_Price_Per_Gallon", VT::Integer},
                   {"Rejection_Code", VT::String},
                   {"Rejected_Card_Number", VT::String},
                   {"Rejection_Reference_Code", VT::Long},
                   {"Track1", VT::String},
                   {"Track2", VT::String},
                   {"Car_Wash_Status", VT::Integer},
                   {"Transaction_Total", VT::Integer},
                   {"Fuel_Gallons_Sold", VT::Integer},
                   {"Car_Wash_PIN", VT::Integer},
                   {"Car_Wash_Price", VT::Long},
                   {"Car_Wash_PLU", VT::String},
                   {"Fuel_Pricing_Group", VT::Integer},
                   {"Fuel_Price_Change_Date_Time", VT::String},
                   {"Fuel_Pricing_Entries", VT::Integer},
                   {"Fuel_Pricing_Entry", VT::Integer},
                   {"Fuel_Price_State", VT::String},
                   {"Fuel_Product_Id", VT::Integer},
                   {"Fuel_Product_Name", VT::String},
                   {"Fuel_Service_Level", VT::Integer},
                   {"Fuel_Price_Media", VT::Integer},
                   {"Fuel_Price", VT::Integer},
                   {"Refund_Sale_Price", VT::Long},
                   {"BeepFrequency", VT::Long},
                   {"BeepDuration", VT::Long},
                   {"TimerSwx", VT::Boolean}};

// The methods in interface order, as "Name(param:Type, ...)->Result": a
// by-reference parameter ends in &, a Variant one is written V, and - is no
// result.
const char* const kMethods[] = {
    "Car_Wash_Request()->Boolean",
    "Poll_Car_Wash_Itemization()->-",
    "Get_Fuel_Promos(Promos:V&)->Integer",
    "Apply_Fuel_Price_Changes()->Boolean",
    "Fuel_Pricing_Request()->Boolean",
    "Poll_Fuel_Pricing()->Integer",
    "Poll_Fuel_Itemization()->Boolean",
    "Fuel_Itemization_Complete(SuccessFlag:Boolean&, DisplayMessage:Integer)->-",
    "Put_Fuel_Discount(EntryID:Integer, Discount:Long, CentsOffPerGallon:Integer)->-",
    "Terminal_Opened(Cashier_Number:Integer, Terminal_Number:Integer, "
    "TCF_Day_Number:Integer)->-",
    "Terminal_Unlocked()->-",
    "Terminal_Closed()->-",
    "Terminal_Locked()->-",
    "Reset_Fuel_Controller()->Boolean",
    "Fuel_Price_Change_Pending()->Boolean",
    "Transaction_Finalized(Cash_Sale_Flag:Integer)->-",
    "Transaction_Canceled()->-",
    "Reset_Fuel_Pump(Pump:Integer&)->Boolean"};

std::string signature(const MethodInfo& m) {
    auto t = [](VT v) { return v == kVariantParam ? std::string("V") : value_type_name(v); };
    std::string s = std::string(m.name) + "(";
    for (const ParamInfo& p : m.params)
        s += (s.back() == '(' ? "" : ", ") + std::string(p.name) + ":" + t(p.type) +
             (p.by_ref ? "&" : "");
    return s + ")->" + (m.result ? t(*m.result) : "-");
}

TEST(Surface, members_in_interface_order) {
    const auto props = surface_properties();
    ASSERT_EQ(props.size(), std::size(kProperties));
    for (std::size_t p = 0; p < props.size(); ++p) {
        SCOPED_TRACE(kProperties[p].name);
        EXPECT_EQ(props[p].name, kProperties[p].name);
        EXPECT_EQ(props[p].type, kProperties[p].type);
        EXPECT_TRUE(props[p].readable && props[p].writable);
        EXPECT_EQ(find_property(props[p].name), static_cast<int>(p));
    }
    EXPECT_EQ(find_property("Pump_State"), -1);  // a pump-table member, not a property
    const auto methods = surface_methods();
    ASSERT_EQ(methods.size(), std::size(kMethods));
    for (std::size_t m = 0; m < methods.size(); ++m) {
        EXPECT_EQ(signature(methods[m]), kMethods[m]);
        EXPECT_EQ(find_method(methods[m].name), static_cast<int>(m));
    }
    EXPECT_EQ(find_method("Refresh_Pump_Status"), -1);  // a procedure, not a method
}

struct SurfaceCtl : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    PumpTable& t = DorvaneCtlTestAccess(ctl).table();
    int prop(const char* name) { return find_property(name); }
    Variant call(const char* name, std::vector<Variant>& args) {
        return invoke_method(ctl, find_method(name), args);
    }
};

// A text of its own per property: "x0", "x1", ... (appended, not "x" + ...:
// GCC 12 at -O3 warns falsely, -Wrestrict, on that temporary).
std::string text_for_property(int p) {
    std::string text = "x";
    text += std::to_string(p);
    return text;
}

TEST_F(SurfaceCtl, start_up_sets_no_property_and_every_property_stores_what_is_written) {
    const auto& props = surface_properties();
    const int count = static_cast<int>(props.size());
    for (int p = 0; p < count; ++p) {
        const VT type = props[static_cast<std::size_t>(p)].type;
        EXPECT_EQ(get_property(ctl, p).as_int(), 0) << props[static_cast<std::size_t>(p)].name;
        EXPECT_EQ(get_property(ctl, p).as_string(), "");
        const Variant v = type == VT::String    ? Variant::string(text_for_property(p))
                          : type == VT::Integer ? Variant::integer(-32768)
                          : type == VT::Long    ? Variant::long_(2147483647)
                                                : Variant::boolean(True);
        set_property(ctl, p, v);
        EXPECT_EQ(get_property(ctl, p), v) << props[static_cast<std::size_t>(p)].name;
    }
    EXPECT_EQ(ctl.BeepFrequency, 2147483647);
    EXPECT_EQ(ctl.Fuel_PLU, "x6");
    set_property(ctl, prop("Total_Price"), Variant::integer(7));  // widened to Long
    EXPECT_EQ(get_property(ctl, prop("Total_Price")), Variant::long_(7));
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant::long_(-32769)), OverflowFault);
    EXPECT_THROW(set_property(ctl, prop("TimerSwx"), Variant::long_(70000)), OverflowFault);
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant::string("5")), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant()), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Total_Price"), Variant::real(20.5)), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Fuel_PLU"), Variant::integer(5)), TypeMismatch);
    EXPECT_EQ(ctl.Pump_Number, -32768);
    EXPECT_EQ(ctl.Total_Price, 7);
    EXPECT_THROW(get_property(ctl, count), IndexFault);
    EXPECT_THROW(get_property(ctl, -1), IndexFault);
}

TEST_F(SurfaceCtl, invoke_converts_arguments_before_the_call_and_writes_back_by_ref) {
    std::vector<Variant> flag{Variant::boolean(1), Variant::integer(0)};
    ctl.Pump_Number = 0;
    EXPECT_THROW(call("Fuel_Itemization_Complete", flag), IndexFault);
    ctl.Pump_Number = 5;
    EXPECT_EQ(call("Fuel_Itemization_Complete", flag), Variant());  // no result
    EXPECT_EQ(flag[0], Variant::boolean(1));                        // not normalised to True

    std::vector<Variant> opened{Variant::integer(1), Variant::long_(40000), Variant::integer(3)};
    EXPECT_THROW(call("Terminal_Opened", opened), OverflowFault);
    opened[1] = Variant::string("81");
    EXPECT_THROW(call("Terminal_Opened", opened), TypeMismatch);
    std::vector<Variant> too_few{Variant::integer(1)};
    EXPECT_THROW(call("Terminal_Opened", too_few), TypeMismatch);
    EXPECT_EQ(t.Terminal_State, TERMINAL_CLOSED);
    opened[1] = Variant::long_(81);  // a Long that fits an Integer is accepted
    call("Terminal_Opened", opened);
    EXPECT_EQ(t.Terminal_Number, 81);
}

TEST_F(SurfaceCtl, by_reference_arguments_come_back_in_their_parameter_type) {
    // An Integer parameter by reference is written back as an Integer, even
    // when the host passed a Long.
    std::vector<Variant> pump{Variant::long_(3)};
    EXPECT_EQ(call("Reset_Fuel_Pump", pump), Variant::boolean(False));
    EXPECT_EQ(pump[0], Variant::integer(3));
    // A Variant parameter takes any value and the stub leaves it as it was.
    std::vector<Variant> promos{Variant::string("none")};
    EXPECT_EQ(call("Get_Fuel_Promos", promos), Variant::integer(0));
    EXPECT_EQ(promos[0], Variant::string("none"));
    // A method without arguments refuses one, naming how many it takes.
    std::vector<Variant> extra{Variant::integer(1)};
    EXPECT_THROW(call("Terminal_Closed", extra), TypeMismatch);
    EXPECT_THROW(invoke_method(ctl, static_cast<int>(surface_methods().size()), extra), IndexFault);
}

TEST_F(SurfaceCtl, reset_and_end_demo_touch_nothing_but_message1) {
    ctl.Terminal_Opened(1, 2, 3);
    ctl.click(W::Message1);
    ASSERT_EQ(ctl.Car_Wash_Request(), True);
    RecordingObserver seen;
    ctl.panel_for_view().set_observer(&seen);
    ctl.click(W::ExitKey);
    ctl.Put_Fuel_Discount(3, 150, 10);
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(ctl.Reset_Fuel_Controller(), True);
    ASSERT_EQ(seen.changes.size(), 1u);
    EXPECT_EQ(seen.changes[0].first, ctl.panel().id(W::Message1));
    EXPECT_EQ(seen.changes[0].second, WidgetProperty::Caption);
    EXPECT_EQ(t.POS_Request, REQ_CAR_WASH);
}

}  // namespace
}  // namespace dorvane
