// The pump table: all working state of the control, as plain scalars and
// fixed-size arrays whose indexes are checked.
#pragma once

#include "dorvane/common/arrays.h"
#include "dorvane/common/types.h"

namespace dorvane {

// Pump state codes.
enum PumpState : Integer { CLOSED = 0, IDLE = 1, CALL = 2, AUTH = 3, BUSY = 4, ERROR = 5 };

// Terminal states: only while it is open are the grid and the console live.
enum TerminalState : Integer { TERMINAL_CLOSED = 0, TERMINAL_OPEN = 1, TERMINAL_LOCKED = 2 };

// Console command modes.
enum ConsoleMode : Integer {
    MODE_AUTH = 0,
    MODE_PREPAY = 1,
    MODE_STOP = 2,
    MODE_CLOSE = 3,
    MODE_MOVE = 4,
    MODE_MOVE_TO = 5
};

// Open exchange with the POS.
enum PosRequest : Integer { REQ_NONE = 0, REQ_FUEL = 1, REQ_CAR_WASH = 2, REQ_PRICING = 3 };

// Item action codes handed to the POS as Itemization_Type.
enum ItemCode : Integer {
    NO_REQUEST = -1,
    RING_UP_SALE = 0,
    VOID_SALE = 1,
    RING_UP_PREPAY = 2,
    VOID_PREPAY = 3,
    REFUND_PREPAY = 4,
    VOID_REFUND = 5
};

struct PumpTable {
    // Scalars.
    Integer Sim_Pump = 0;
    Integer Last_Pump = 0;
    Boolean Price_Change_Pending = False;
    Long Keypad_Value = 0;
    Long Console_Amount = 0;
    Integer Show_Date = 0;
    Integer Flowing_Pump = 0;
    Boolean Flow_On = False;
    Integer Move_Source = 0;
    Integer Beep_Count = 0;
    Boolean Alarm_On = False;
    Integer Console_Mode = 0;
    Long Tick_Count = 0;
    Integer Pricing_Poll_Result = 0;
    Integer Cashier_Number = 0;
    Integer Terminal_Number = 0;
    Integer TCF_Day_Number = 0;
    Integer Terminal_State = 0;
    Integer POS_Request = 0;
    Integer Item_Slot = 0;
    Long ZRD_Seq_Counter = 0;
    Integer Sim_Entry_Counter = 0;
    // Deadlines are kept as wide as Tick_Count so that one set late in a long
    // run still fires exactly 15 ticks later.
    Long Car_Wash_Deadline = 0;
    Long Pricing_Deadline = 0;

    // Per pump, 0..31.
    PumpArray<Integer> Pump_State{"Pump_State"};
    PumpArray<Boolean> Pump_Stopped{"Pump_Stopped"};
    PumpArray<Boolean> Close_Pending{"Close_Pending"};
    PumpArray<Boolean> Calling{"Calling"};
    PumpArray<Boolean> AutoPay{"AutoPay"};
    PumpArray<Boolean> Prepaid{"Prepaid"};
    PumpArray<Boolean> Prepay_Unpaid{"Prepay_Unpaid"};
    PumpArray<Boolean> Prepay_Refunded{"Prepay_Refunded"};
    PumpArray<Long> Auth_Limit{"Auth_Limit"};
    PumpArray<Long> Prepay_Amount{"Prepay_Amount"};
    PumpArray<Long> Pump_ZRD_Seq{"Pump_ZRD_Seq"};
    PumpArray<Long> Purchase_Limit{"Purchase_Limit"};
    PumpArray<Long> Dispensed{"Dispensed"};
    PumpArray<Integer> Sales_Waiting{"Sales_Waiting"};
    PumpArray<Long> Sale_Amount{"Sale_Amount"};
    PumpArray<Long> Stacked_Sale_Amount{"Stacked_Sale_Amount"};
    PumpArray<Long> Sale_Prepaid{"Sale_Prepaid"};
    PumpArray<Long> Stacked_Sale_Prepaid{"Stacked_Sale_Prepaid"};
    PumpArray<Boolean> Sale_Claimed{"Sale_Claimed"};
    PumpArray<Boolean> Stacked_Sale_Claimed{"Stacked_Sale_Claimed"};
    PumpArray<Integer> Tender_Code{"Tender_Code"};

    // Per item, (k 0..2, i 0..31).
    ItemArray<Integer> Item_Request{"Item_Request"};
    ItemArray<Long> Item_Deadline{"Item_Deadline"};
    ItemArray<Long> Item_ZRD_Seq{"Item_ZRD_Seq"};
    ItemArray<Integer> Item_Entry_ID{"Item_Entry_ID"};
    ItemArray<Boolean> Card_Rejected{"Card_Rejected"};
};

}  // namespace dorvane
