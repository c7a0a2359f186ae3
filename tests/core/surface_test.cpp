// The host surface table and the abstract widget model.
#include "control/surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/dorvane_ctl.h"
#include "test_access.h"

namespace dorvane {
namespace {

using VT = ValueType;

// Name:type in interface order; I Integer, L Long, S String, B Boolean.
constexpr const char* kProperties =
    "Tender_ID:I Itemization_Type:I POS_Entry_ID:I Pump_Number:I ZRD_Sequence_Number:L "
    "Total_Price:L Fuel_PLU:S Fuel_Grade:I Gallons_Sold:L Price_Per_Gallon_Sold:I "
    "Cash_Price_Per_Gallon:I Credit_Price_Per_Gallon:I Rejection_Code:S Rejected_Card_Number:S "
    "Rejection_Reference_Code:L Track1:S Track2:S Car_Wash_Status:I Transaction_Total:I "
    "Fuel_Gallons_Sold:I Car_Wash_PIN:I Car_Wash_Price:L Car_Wash_PLU:S Fuel_Pricing_Group:I "
    "Fuel_Price_Change_Date_Time:S Fuel_Pricing_Entries:I Fuel_Pricing_Entry:I "
    "Fuel_Price_State:S Fuel_Product_Id:I Fuel_Product_Name:S Fuel_Service_Level:I "
    "Fuel_Price_Media:I Fuel_Price:I Refund_Sale_Price:L BeepFrequency:L BeepDuration:L "
    "TimerSwx:B";

// "Name(param:T&, ...)->R" with & for by reference, V for Variant, - for no result.
std::string signature(const MethodInfo& m) {
    auto t = [](VT v) { return v == kVariantParam ? std::string("V") : value_type_name(v); };
    std::string s = std::string(m.name) + "(";
    for (const ParamInfo& p : m.params)
        s += (s.back() == '(' ? "" : ", ") + std::string(p.name) + ":" + t(p.type) +
             (p.by_ref ? "&" : "");
    return s + ")->" + (m.result ? t(*m.result) : "-");
}

TEST(Surface, properties_in_interface_order) {
    std::string listed;
    int index = 0;
    for (const PropertyInfo& p : surface_properties()) {
        listed +=
            (listed.empty() ? "" : " ") + std::string(p.name) + ":" + value_type_name(p.type)[0];
        EXPECT_TRUE(p.readable && p.writable) << p.name;
        EXPECT_EQ(find_property(p.name), index++);
    }
    EXPECT_EQ(index, 37);
    EXPECT_EQ(listed, kProperties);
    EXPECT_EQ(find_property("Pump_State"), -1);
}

TEST(Surface, methods_in_interface_order) {
    const std::vector<std::string> expected = {
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
        "Reset_Fuel_Pump(Pump:Integer&)->Boolean",
    };
    const auto methods = surface_methods();
    ASSERT_EQ(methods.size(), expected.size());
    for (std::size_t i = 0; i < methods.size(); ++i) {
        EXPECT_EQ(signature(methods[i]), expected[i]);
        EXPECT_EQ(find_method(methods[i].name), static_cast<int>(i));
    }
    EXPECT_EQ(find_method("Refresh_Pump_Status"), -1);
}

struct SurfaceCtl : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    int prop(const char* name) { return find_property(name); }
    Variant call(const char* name, std::vector<Variant>& args) {
        return invoke_method(ctl, find_method(name), args);
    }
};

TEST_F(SurfaceCtl, every_property_stores_what_the_host_writes) {
    for (int p = 0; p < 37; ++p) {
        const PropertyInfo& info = surface_properties()[static_cast<std::size_t>(p)];
        const VT type = info.type;
        const Variant v = type == VT::String    ? Variant::string("x" + std::to_string(p))
                          : type == VT::Integer ? Variant::integer(-32768)
                          : type == VT::Long    ? Variant::long_(2147483647)
                                                : Variant::boolean(True);
        set_property(ctl, p, v);
        EXPECT_EQ(get_property(ctl, p), v) << info.name;
    }
    EXPECT_EQ(ctl.TimerSwx, True);
    EXPECT_EQ(ctl.BeepFrequency, 2147483647);
    EXPECT_EQ(ctl.Fuel_PLU, "x6");
    // A narrower kind that fits is converted to the property's type.
    set_property(ctl, prop("Total_Price"), Variant::integer(7));
    EXPECT_EQ(get_property(ctl, prop("Total_Price")), Variant::long_(7));
}

TEST_F(SurfaceCtl, overflow_and_wrong_kinds_leave_the_property_unchanged) {
    ctl.Pump_Number = 12;
    ctl.TimerSwx = True;
    ctl.Fuel_PLU = "555001";
    ctl.Total_Price = 2000;
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant::long_(40000)), OverflowFault);
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant::long_(-32769)), OverflowFault);
    EXPECT_THROW(set_property(ctl, prop("TimerSwx"), Variant::long_(70000)), OverflowFault);
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant::string("5")), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Pump_Number"), Variant()), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Total_Price"), Variant::real(20.5)), TypeMismatch);
    EXPECT_THROW(set_property(ctl, prop("Fuel_PLU"), Variant::integer(5)), TypeMismatch);
    EXPECT_EQ(ctl.Pump_Number, 12);
    EXPECT_EQ(ctl.TimerSwx, True);
    EXPECT_EQ(ctl.Fuel_PLU, "555001");
    EXPECT_EQ(ctl.Total_Price, 2000);
    EXPECT_THROW(get_property(ctl, 37), IndexFault);
}

TEST_F(SurfaceCtl, invoke_converts_arguments_and_writes_back_by_ref) {
    std::vector<Variant> pump{Variant::integer(7)};
    EXPECT_EQ(call("Reset_Fuel_Pump", pump), Variant::boolean(False));
    EXPECT_EQ(pump[0], Variant::integer(7));

    std::vector<Variant> promos{Variant::string("2 for 1")};
    EXPECT_EQ(call("Get_Fuel_Promos", promos), Variant::integer(0));
    EXPECT_EQ(promos[0], Variant::string("2 for 1"));

    ctl.Pump_Number = 5;
    std::vector<Variant> flag{Variant::boolean(1), Variant::integer(0)};
    EXPECT_EQ(call("Fuel_Itemization_Complete", flag), Variant());  // no result
    EXPECT_EQ(flag[0], Variant::boolean(1));                        // not normalised to True

    // Arguments are converted before the call: a bad one calls nothing.
    std::vector<Variant> opened{Variant::integer(1), Variant::long_(40000), Variant::integer(3)};
    EXPECT_THROW(call("Terminal_Opened", opened), OverflowFault);
    opened[1] = Variant::string("81");
    EXPECT_THROW(call("Terminal_Opened", opened), TypeMismatch);
    std::vector<Variant> too_few{Variant::integer(1)};
    EXPECT_THROW(call("Terminal_Opened", too_few), TypeMismatch);
    EXPECT_EQ(ctl.pump_table().Terminal_State, 0);

    opened[1] = Variant::long_(81);  // a Long that fits an Integer is accepted
    call("Terminal_Opened", opened);
    EXPECT_EQ(ctl.pump_table().Terminal_State, 1);
    EXPECT_EQ(ctl.pump_table().Terminal_Number, 81);
}

TEST_F(SurfaceCtl, control_stays_usable_after_a_range_fault) {
    platform.set_clock({2026, 12, 5, 6, 10, 0});
    ctl.Terminal_Opened(1, 2, 3);
    ctl.Pump_Number = 0;
    Boolean ok = True;
    EXPECT_THROW(ctl.Fuel_Itemization_Complete(ok, 0), IndexFault);
    std::vector<Variant> args{Variant::boolean(True), Variant::integer(0)};
    EXPECT_THROW(call("Fuel_Itemization_Complete", args), IndexFault);

    // A prepay of 20.00 on pump 1 then goes through as usual.
    ctl.click(W::Pump, 0);
    ctl.click(W::Value, 2);
    ctl.click(W::Pump, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Pump_Number, 1);
    EXPECT_EQ(ctl.Itemization_Type, RING_UP_PREPAY);
    EXPECT_EQ(ctl.Total_Price, 2000);
    ctl.Fuel_Itemization_Complete(ok, 0);
    EXPECT_EQ(ctl.pump_table().Pump_State(0), AUTH);
    EXPECT_EQ(ctl.panel()(W::Status, 0).caption, "PREPAID 20.00");
    EXPECT_EQ(colour_text(ctl.panel()(W::Status, 0).back), "pink");
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(colour_text(ctl.panel()(W::Status, 0).back), "light green");
}

// ---- The widget model.

struct Widgets : SurfaceCtl {
    RecordingObserver seen;
    const Widget& w(W name, int i = -1) const { return ctl.panel()(name, i); }
    int id(W name, int i = -1) const { return ctl.panel().id(name, i); }
    void open_with_panel() {
        ctl.Terminal_Opened(1, 2, 3);
        ctl.click(W::Message1);
    }
};

TEST_F(Widgets, clicks_on_hidden_disabled_or_handlerless_widgets_do_nothing) {
    ctl.panel_for_view().set_observer(&seen);
    ctl.click(W::Pump, 0);  // disabled while the terminal is closed
    ctl.click(W::Hook);     // hidden
    ctl.click(W::SimPump, 3);
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(ctl.pump_table().Pump_State(0), CLOSED);

    open_with_panel();
    ASSERT_TRUE(w(W::Console).visible && w(W::Message2).enabled);
    seen.changes.clear();
    ctl.click(W::Console);
    ctl.click(W::Message2);
    ctl.click(W::SimPump, 3);  // visible, but disabled while pump 4 is closed
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_TRUE(w(W::SimPump, 0).selected);
}

TEST_F(Widgets, selecting_a_sim_pump_clears_the_others_and_runs_its_handler) {
    open_with_panel();
    ctl.click(W::Pump, 3);  // closed -> idle enables SimPump(3)
    ASSERT_TRUE(w(W::SimPump, 3).enabled);
    ctl.panel_for_view().set_observer(&seen);
    ctl.click(W::SimPump, 3);
    EXPECT_TRUE(w(W::SimPump, 3).selected);
    EXPECT_FALSE(w(W::SimPump, 0).selected);
    EXPECT_EQ(ctl.pump_table().Sim_Pump, 3);
    EXPECT_TRUE(w(W::Hook).visible);  // the handler refreshed the keys for pump 4
    int selections = 0;
    for (const auto& change : seen.changes)
        selections += change.second == WidgetProperty::Selected;
    EXPECT_EQ(selections, 2);
}

TEST_F(Widgets, observer_hears_only_real_changes) {
    Panel& panel = ctl.panel_for_view();
    panel.set_observer(&seen);
    const int msg = id(W::Message1), key = id(W::ItemizeFuelKey), pump = id(W::Pump, 5);
    panel.set_caption(msg, w(W::Message1).caption);
    panel.set_back_colour(msg, colour::white);
    panel.set_enabled(msg, true);
    panel.set_visible(msg, true);
    panel.set_selected(msg, true);                // not an option button
    panel.set_back_colour(key, colour::red);      // a standard button keeps its look
    panel.set_selected(id(W::SimPump, 0), true);  // already selected
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(w(W::ItemizeFuelKey).back, Colour::standard());

    panel.set_caption(msg, "hello");
    panel.set_back_colour(pump, colour::pink);
    panel.set_enabled(pump, true);
    panel.set_visible(pump, false);
    const std::vector<std::pair<int, WidgetProperty>> expected = {
        {msg, WidgetProperty::Caption},
        {pump, WidgetProperty::BackColour},
        {pump, WidgetProperty::Enabled},
        {pump, WidgetProperty::Visible}};
    EXPECT_EQ(seen.changes, expected);
}

TEST_F(Widgets, widget_at_finds_the_topmost_visible_widget) {
    auto at = [&](int x, int y) { return ctl.panel().widget_at(x, y); };
    EXPECT_EQ(at(10000, 200), id(W::Status, 16));  // panel hidden
    EXPECT_EQ(at(11000, 5500), id(W::Status, 23));
    EXPECT_EQ(at(12500, 200), std::nullopt);
    open_with_panel();
    EXPECT_EQ(at(11000, 5500), id(W::Console));    // covered third column
    EXPECT_EQ(at(10000, 200), id(W::CarWashKey));  // a simulator key above it
    EXPECT_EQ(at(8540, 1130), id(W::SimPump, 0));  // above the backdrop
    EXPECT_EQ(at(8200, 200), id(W::Pump, 16));     // left part stays uncovered
    EXPECT_EQ(at(8070, 20), id(W::NPump, 16));     // its frame
    EXPECT_EQ(at(11900, 200), id(W::Status, 16));  // strip at the right edge
    EXPECT_EQ(at(9000, 5700), id(W::Sale, 23));    // lower part of the last row
    EXPECT_EQ(at(6500, 6100), id(W::AuthKey));

    // Hiding Status uncovers NStatus.
    ctl.panel_for_view().set_visible(id(W::Status, 4), false);
    EXPECT_EQ(at(2000, 3200), id(W::NStatus, 4));
}

}  // namespace
}  // namespace dorvane
