// End-to-end flows through the host surface and the tester's clicks.
#include <gtest/gtest.h>

#include "control/dorvane_ctl.h"

namespace dorvane {
namespace {

struct Flow : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    const PumpTable& t = ctl.pump_table();

    void open() {
        platform.set_clock({2026, 12, 5, 6, 10, 0});
        ctl.Terminal_Opened(44, 81, 129);
    }
    std::string caption(W w, int i = -1) { return ctl.panel()(w, i).caption; }
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl.tick();
        }
    }
    Boolean confirm(Boolean flag = True) {
        ctl.Fuel_Itemization_Complete(flag, 0);
        return flag;
    }
};

TEST_F(Flow, postpay_sale_on_pump_5_runs_from_hose_to_finalize) {
    open();
    EXPECT_EQ(t.ZRD_Seq_Counter, 12522200);
    ctl.click(W::Pump, 4);
    EXPECT_EQ(t.Pump_State(4), IDLE);
    ctl.click(W::Message1);
    ctl.click(W::SimPump, 4);
    ctl.click(W::Hook);
    EXPECT_EQ(caption(W::Status, 4), "CALL");
    ticks(5);
    EXPECT_EQ(platform.beeps(), 4);
    ctl.click(W::Pump, 4);  // answers the call
    EXPECT_EQ(t.Calling(4), False);
    ctl.click(W::Pump, 4);  // authorizes
    EXPECT_EQ(t.Pump_State(4), AUTH);
    EXPECT_EQ(t.Pump_ZRD_Seq(4), 12522201);
    ctl.click(W::PumpGas);
    EXPECT_EQ(t.Pump_State(4), BUSY);
    ctl.click(W::Status, 4);
    ticks(41);
    EXPECT_EQ(t.Dispensed(4), 1517);
    EXPECT_EQ(caption(W::Status, 4), "BUSY 15.17");
    ctl.click(W::Hook);
    EXPECT_EQ(t.Sales_Waiting(4), 1);
    EXPECT_EQ(caption(W::Sale, 4), "15.17 ");
    ctl.click(W::Sale, 4);
    EXPECT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Pump_Number, 5);
    EXPECT_EQ(ctl.Itemization_Type, 0);
    EXPECT_EQ(ctl.Total_Price, 1517);
    EXPECT_EQ(ctl.ZRD_Sequence_Number, 12522201);
    confirm();
    EXPECT_EQ(caption(W::Message2), "Register Rings Up Sale of 15.17");
    EXPECT_EQ(t.Sale_Claimed(4), True);
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(t.Sales_Waiting(4), 0);
    EXPECT_EQ(caption(W::Sale, 4), "");
}

TEST_F(Flow, prepay_partly_used_is_refunded_then_rung_up) {
    open();
    ctl.click(W::Pump, 0);
    ctl.click(W::Value, 2);
    EXPECT_EQ(caption(W::User), "20.00 PREPAY");
    ctl.click(W::Pump, 0);
    EXPECT_EQ(t.Item_Request(2, 0), RING_UP_PREPAY);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Itemization_Type, 2);
    EXPECT_EQ(ctl.Total_Price, 2000);
    ctl.POS_Entry_ID = 7;
    confirm();
    EXPECT_EQ(t.Pump_State(0), AUTH);
    EXPECT_EQ(t.Item_Entry_ID(2, 0), 7);
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(t.Prepay_Unpaid(0), False);
    ctl.click(W::Message1);
    ctl.click(W::SimPump, 0);
    ctl.click(W::PumpGas);
    ctl.click(W::Status, 0);
    ticks(41);
    ctl.click(W::Hook);
    EXPECT_EQ(caption(W::Sale, 0), "REFUND 4.83");
    ctl.click(W::Sale, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Itemization_Type, 4);
    EXPECT_EQ(ctl.Total_Price, 2000);
    confirm();
    EXPECT_EQ(caption(W::Message1), "Register REFUNDS PrePay of 20.00");
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Itemization_Type, 0);
    EXPECT_EQ(ctl.Total_Price, 1517);
    EXPECT_EQ(ctl.Gallons_Sold, 10843);
    confirm();
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(t.Sales_Waiting(0), 0);
}

}  // namespace
}  // namespace dorvane
