#include "dorvane/forecourt/members.h"

namespace dorvane {

namespace {

#define SCALAR(m, T)                                                      \
    MemberInfo {                                                          \
#m, MemberShape::Scalar, ValueType::T,                            \
            [](const PumpTable& t, int, int) -> long long { return t.m; } \
    }
#define PER_PUMP(m, T)                                                         \
    MemberInfo {                                                               \
#m, MemberShape::PerPump, ValueType::T,                                \
            [](const PumpTable& t, int, int i) -> long long { return t.m(i); } \
    }
#define PER_ITEM(m, T)                                                              \
    MemberInfo {                                                                    \
#m, MemberShape::PerItem, ValueType::T,                                     \
            [](const PumpTable& t, int k, int i) -> long long { return t.m(k, i); } \
    }

const MemberInfo kMembers[] = {
    SCALAR(Sim_Pump, Integer),
    SCALAR(Last_Pump, Integer),
    SCALAR(Price_Change_Pending, Boolean),
    SCALAR(Keypad_Value, Long),
    SCALAR(Console_Amount, Long),
    SCALAR(Show_Date, Integer),
    SCALAR(Flowing_Pump, Integer),
    SCALAR(Flow_On, Boolean),
    SCALAR(Move_Source, Integer),
    SCALAR(Beep_Count, Integer),
    SCALAR(Alarm_On, Boolean),
    SCALAR(Console_Mode, Integer),
    SCALAR(Tick_Count, Long),
    SCALAR(Pricing_Poll_Result, Integer),
    SCALAR(Cashier_Number, Integer),
    SCALAR(Terminal_Number, Integer),
    SCALAR(TCF_Day_Number, Integer),
    SCALAR(Terminal_State, Integer),
    SCALAR(POS_Request, Integer),
    SCALAR(Item_Slot, Integer),
    SCALAR(ZRD_Seq_Counter, Long),
    SCALAR(Sim_Entry_Counter, Integer),
    SCALAR(Car_Wash_Deadline, Long),
    SCALAR(Pricing_Deadline, Long),
    PER_PUMP(Pump_State, Integer),
    PER_PUMP(Pump_Stopped, Boolean),
    PER_PUMP(Close_Pending, Boolean),
    PER_PUMP(Calling, Boolean),
    PER_PUMP(AutoPay, Boolean),
    PER_PUMP(Prepaid, Boolean),
    PER_PUMP(Prepay_Unpaid, Boolean),
    PER_PUMP(Prepay_Refunded, Boolean),
    PER_PUMP(Auth_Limit, Long),
    PER_PUMP(Prepay_Amount, Long),
    PER_PUMP(Pump_ZRD_Seq, Long),
    PER_PUMP(Purchase_Limit, Long),
    PER_PUMP(Dispensed, Long),
    PER_PUMP(Sales_Waiting, Integer),
    PER_PUMP(Sale_Amount, Long),
    PER_PUMP(Stacked_Sale_Amount, Long),
    PER_PUMP(Sale_Prepaid, Long),
    PER_PUMP(Stacked_Sale_Prepaid, Long),
    PER_PUMP(Sale_Claimed, Boolean),
    PER_PUMP(Stacked_Sale_Claimed, Boolean),
    PER_PUMP(Tender_Code, Integer),
    PER_ITEM(Item_Request, Integer),
    PER_ITEM(Item_Deadline, Long),
    PER_ITEM(Item_ZRD_Seq, Long),
    PER_ITEM(Item_Entry_ID, Integer),
    PER_ITEM(Card_Rejected, Boolean),
};

#undef SCALAR
#undef PER_PUMP
#undef PER_ITEM

}  // namespace

std::span<const MemberInfo> pump_table_members() {
    return kMembers;
}

const MemberInfo* find_member(std::string_view name) {
    for (const MemberInfo& m : kMembers)
        if (m.name == name) return &m;
    return nullptr;
}

}  // namespace dorvane
