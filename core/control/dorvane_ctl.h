// DorvaneCtl: the fuel-forecourt simulator control. A host drives it through
// the 37 properties and 18 methods of its surface; a tester drives it through
// clicks, purchase entries and timer ticks; a view mirrors its widget model.
#pragma once

#include <string>
#include <string_view>

#include "common/platform.h"
#include "common/types.h"
#include "common/variant.h"
#include "control/listener.h"
#include "forecourt/pump_table.h"
#include "panel/panel.h"

namespace dorvane {

struct DorvaneCtlTestAccess;

class DorvaneCtl {
  public:
    // Start-up runs here. The platform must outlive the control.
    explicit DorvaneCtl(Platform& platform);
    DorvaneCtl(const DorvaneCtl&) = delete;
    DorvaneCtl& operator=(const DorvaneCtl&) = delete;

    // ---- Host surface: properties, in interface order. Plain variables:
    // a host write stores the value with no check and no side effect.
    Integer Tender_ID = 0;
    Integer Itemization_Type = 0;
    Integer POS_Entry_ID = 0;
    Integer Pump_Number = 0;
    Long ZRD_Sequence_Number = 0;
    Long Total_Price = 0;
    String Fuel_PLU;
    Integer Fuel_Grade = 0;
    Long Gallons_Sold = 0;
    Integer Price_Per_Gallon_Sold = 0;
    Integer Cash_Price_Per_Gallon = 0;
    Integer Credit_Price_Per_Gallon = 0;
    String Rejection_Code;
    String Rejected_Card_Number;
    Long Rejection_Reference_Code = 0;
    String Track1;
    String Track2;
    Integer Car_Wash_Status = 0;
    Integer Transaction_Total = 0;
    Integer Fuel_Gallons_Sold = 0;
    Integer Car_Wash_PIN = 0;
    Long Car_Wash_Price = 0;
    String Car_Wash_PLU;
    Integer Fuel_Pricing_Group = 0;
    String Fuel_Price_Change_Date_Time;
    Integer Fuel_Pricing_Entries = 0;
    Integer Fuel_Pricing_Entry = 0;
    String Fuel_Price_State;
    Integer Fuel_Product_Id = 0;
    String Fuel_Product_Name;
    Integer Fuel_Service_Level = 0;
    Integer Fuel_Price_Media = 0;
    Integer Fuel_Price = 0;
    Long Refund_Sale_Price = 0;
    Long BeepFrequency = 0;
    Long BeepDuration = 0;
    Boolean TimerSwx = False;

    // ---- Host surface: methods, in interface order. Range faults are thrown
    // as OverflowFault / IndexFault; the control stays usable.
    Boolean Car_Wash_Request();
    void Poll_Car_Wash_Itemization();
    Integer Get_Fuel_Promos(Variant& Promos);
    Boolean Apply_Fuel_Price_Changes();
    Boolean Fuel_Pricing_Request();
    Integer Poll_Fuel_Pricing();
    Boolean Poll_Fuel_Itemization();
    void Fuel_Itemization_Complete(Boolean& SuccessFlag, Integer DisplayMessage);
    void Put_Fuel_Discount(Integer EntryID, Long Discount, Integer CentsOffPerGallon);
    void Terminal_Opened(Integer Cashier_Number, Integer Terminal_Number, Integer TCF_Day_Number);
    void Terminal_Unlocked();
    void Terminal_Closed();
    void Terminal_Locked();
    Boolean Reset_Fuel_Controller();
    Boolean Fuel_Price_Change_Pending();
    void Transaction_Finalized(Integer Cash_Sale_Flag);
    void Transaction_Canceled();
    Boolean Reset_Fuel_Pump(Integer& Pump);

    // ---- The tester's side. A click runs its handler only when the widget is
    // visible and enabled (an option button is selected first); an entry
    // replaces the purchase box's text and validates it as the focus leaves;
    // a tick is one beat of Timer1. A range fault met inside stops the
    // handler, is shown on Message1, and is rethrown to the caller.
    void click(W name, int index = -1);
    void click_id(int id);
    void enter_purchase(std::string_view text);
    void tick();

    const Panel& panel() const { return panel_; }
    Panel& panel_for_view() { return panel_; }  // to attach an observer
    const PumpTable& pump_table() const { return t_; }
    Platform& platform() { return platform_; }

    // One optional listener hears every host call, click, entry and tick
    // that reaches the control from outside, and every beep; nullptr for none.
    void set_listener(ControlListener* listener) { listener_ = listener; }
    ControlListener* listener() const { return listener_; }

  private:
    friend struct DorvaneCtlTestAccess;

    // Panel widgets: shorthand ids.
    int wid(W name, int index = -1) const { return panel_.id(name, index); }
    void caption(W name, std::string_view text) { panel_.set_caption(wid(name), text); }
    void caption(W name, int i, std::string_view text) { panel_.set_caption(wid(name, i), text); }
    void colour(W name, Colour c) { panel_.set_back_colour(wid(name), c); }
    void colour(W name, int i, Colour c) { panel_.set_back_colour(wid(name, i), c); }
    void enable(W name, bool on) { panel_.set_enabled(wid(name), on); }
    void enable(W name, int i, bool on) { panel_.set_enabled(wid(name, i), on); }
    void show(W name, bool on) { panel_.set_visible(wid(name), on); }
    void show(W name, int i, bool on) { panel_.set_visible(wid(name, i), on); }
    bool enabled(W name, int i = -1) const { return panel_(name, i).enabled; }
    bool visible(W name, int i = -1) const { return panel_(name, i).visible; }
    // Selecting a SimPump option by code raises its click before returning.
    void select_sim_pump(int i);
    void run_handler(int id);
    void report_fault(const RangeFault& f);

    // Start-up and terminal state.
    void Start_Up();
    void Disable_Console();
    void TerminalOpenClose_Click();
    void TerminalLockUnlock_Click();
    void ExitKey_Click();

    // Pump status presentation.
    void Refresh_Pump_Status(int i);
    void Disable_Pump_Buttons(int i);
    void Enable_Pump_Buttons(int i);
    void Disable_Sale_Button(int i);
    void Enable_Sale_Button(int i);
    bool Any_Pump_Locked() const;
    void Set_Pump_Stopped(int i);
    void Clear_Pump_Stopped(int i);

    // Customer fuelling and the tick.
    void SimPump_Click(int i);
    void Hook_Click();
    void PumpGas_Click();
    void Purchase_Validate();
    void Message1_Click();
    void Timer1_Timer();
    Long Next_ZRD_Seq();

    // Pump grid clicks.
    void Status_Click(int i);
    void NStatus_Click(int i);

    // Console.
    void Refresh_Console_Line(int i);
    void Refresh_All_Console_Lines();
    void Pump_Click(int i);
    void NPump_Click(int i);
    void AuthKey_Click();
    void StopKey_Click();
    void CloseKey_Click();
    void MoveKey_Click();
    void Select_Command(Integer mode, W key);
    void Light_Command_Key(W key);
    void Drop_Move_Source();
    void AllStopKey_Click();
    void User_Click();
    void Move_Authorization(int s, int d);
    void Finish_Move();
    void Key_Click(int index);
    void Value_Click(int index);
    void Select_Prepay_Mode();
    void TimeDisplay_Click();
    void Show_Clock();

    // POS exchange.
    bool Find_Waiting_Item(int& k, int& p) const;
    Long Response_Deadline() const;
    Boolean Open_Request(Integer request, Long& deadline, const char* out_of_sequence);
    void Sale_Click(int i);
    void ItemizeFuelKey_Click();
    void Check_POS_Timeouts();
    void Finalize_Click();
    void Cancel_Click();
    void Drop_Request(int k, int i);
    void CarWashKey_Click();
    void FuelKey_Click();
    void CreateChangeKey_Click();
    void PendingPriceKey_Click();

    // Simulator key visibility.
    void Refresh_Panel_Keys(int p);

    // Reporting to the listener (control/reported.h).
    bool listening() const { return listener_ != nullptr && !reporting_; }
    template <typename R, typename... P, typename... A>
    R reported(ControlEventKind kind, int index, R (DorvaneCtl::*body)(P...), A&... args);
    void sound_beep();

    Platform& platform_;
    Panel panel_;
    PumpTable t_;
    ControlListener* listener_ = nullptr;
    bool reporting_ = false;
};

}  // namespace dorvane
