// The panel's widgets as laid out at design time: names, kinds, captions,
// colours, fonts, places in twips and initial visibility. Widgets are created
// bottom to top in the layering order.
#include <algorithm>
#include <string>

#include "control/banner.h"
#include "dorvane/panel/panel.h"

namespace dorvane {

namespace {

constexpr Font kDefault{Font::Family::Sans, 8.0, false};
constexpr Font kBold12{Font::Family::Sans, 12.0, true};
constexpr Font kBold13_5{Font::Family::Sans, 13.5, true};
constexpr Font kBold18{Font::Family::Sans, 18.0, true};
constexpr Font kBold24{Font::Family::Sans, 24.0, true};
constexpr Font kMonoBold14_25{Font::Family::Mono, 14.25, true};

// Grid columns (c = i div 8) and rows (r = i mod 8) of the 24 pumps.
constexpr int kPumpLeft[3] = {94, 4125, 8156};
constexpr int kStatusLeft[3] = {1875, 5906, 9938};
constexpr int kNPumpLeft[3] = {0, 4031, 8063};
constexpr int kSaleLeft[3] = {750, 4781, 8813};

constexpr int kSimPumpLeft[3] = {8531, 9000, 9469};
constexpr int kSimPumpTop[8] = {1125, 1406, 1688, 1969, 2250, 2531, 2813, 3094};

// Keypad places (left, top) by key index; Key(0) is double width.
constexpr Place kKeyPlace[kKeypadKeys] = {
    {9750, 8250, 1500, 750}, {9750, 7500, 750, 750}, {10500, 7500, 750, 750},
    {11250, 7500, 750, 750}, {9750, 6750, 750, 750}, {10500, 6750, 750, 750},
    {11250, 6750, 750, 750}, {9750, 6000, 750, 750}, {10500, 6000, 750, 750},
    {11250, 6000, 750, 750}, {11250, 8250, 750, 750}};

constexpr Colour kOrange = Colour::from_rgb(0xFF8000);
constexpr Colour kLightOrange = Colour::from_rgb(0xFFC080);
constexpr Colour kMagenta = Colour::from_rgb(0xFF00FF);
constexpr Colour kLightYellow = Colour::from_rgb(0xFFFF80);

struct Entry {
    W name;
    WidgetKind kind;
    const char* caption;
    Colour back;
    Font font;
    Place place;
    bool visible;
};

// The single widgets, in layering order within their area.
const Entry kConsoleWidgets[] = {
    {W::User,
     WidgetKind::CommandButton,
     nullptr,
     colour::white,
     kBold18,
     {0, 6000, 6387, 762},
     true},
    {W::AllStopKey,
     WidgetKind::CommandButton,
     "ALL STOP",
     colour::red,
     kBold13_5,
     {0, 6750, 1125, 1500},
     true},
    {W::Message1,
     WidgetKind::CommandButton,
     "",
     colour::white,
     kBold18,
     {1125, 6750, 5262, 762},
     true},
    {W::Message2,
     WidgetKind::CommandButton,
     "Terminal Closed",
     colour::white,
     kBold18,
     {1125, 7500, 5262, 762},
     true},
    {W::TimeDisplay,
     WidgetKind::CommandButton,
     "",
     colour::white,
     kBold18,
     {0, 8250, 6387, 762},
     true},
    {W::AuthKey,
     WidgetKind::CommandButton,
     "AUTH",
     colour::green,
     kBold13_5,
     {6375, 6000, 1125, 750},
     true},
    {W::MoveKey,
     WidgetKind::CommandButton,
     "MOVE",
     Colour::face(),
     kBold13_5,
     {6375, 6750, 1125, 750},
     true},
    {W::CloseKey,
     WidgetKind::CommandButton,
     "CLOSE",
     colour::grey,
     kBold13_5,
     {6375, 7500, 1125, 750},
     true},
    {W::StopKey,
     WidgetKind::CommandButton,
     "STOP",
     colour::grey,
     kBold13_5,
     {6375, 8250, 1125, 750},
     true},
};

const Entry kSimulatorKeys[] = {
    {W::ItemizeFuelKey,
     WidgetKind::CommandButton,
     "Itemization Poll",
     Colour::standard(),
     kDefault,
     {8531, 188, 949, 387},
     true},
    {W::CarWashKey,
     WidgetKind::CommandButton,
     "Request CarWash",
     Colour::standard(),
     kDefault,
     {9609, 188, 949, 387},
     true},
    {W::FuelKey,
     WidgetKind::CommandButton,
     "Request Fuel Pricing",
     Colour::face(),
     kDefault,
     {10688, 188, 949, 387},
     false},
    {W::PendingPriceKey,
     WidgetKind::CommandButton,
     "PriceChng Pending?",
     Colour::standard(),
     kDefault,
     {9609, 656, 949, 387},
     true},
    {W::CreateChangeKey,
     WidgetKind::CommandButton,
     "Create Price Chng",
     Colour::face(),
     kDefault,
     {10688, 656, 949, 387},
     false},
    {W::Purchase,
     WidgetKind::TextBox,
     "0.00",
     colour::white,
     kBold24,
     {10125, 1219, 1512, 480},
     false},
    {W::Hook,
     WidgetKind::CommandButton,
     "Hose Off Hook",
     kLightYellow,
     kBold12,
     {10125, 1875, 1512, 574},
     false},
    {W::PumpGas,
     WidgetKind::CommandButton,
     "Pump Gas",
     colour::green,
     kBold12,
     {10125, 2625, 1512, 574},
     false},
    {W::TerminalOpenClose,
     WidgetKind::CommandButton,
     "Open Terminal",
     kMagenta,
     kBold12,
     {8531, 3375, 1512, 574},
     false},
    {W::Finalize,
     WidgetKind::CommandButton,
     "Finalize Transaction",
     kMagenta,
     kBold12,
     {10125, 3375, 1512, 574},
     false},
    {W::TerminalLockUnlock,
     WidgetKind::CommandButton,
     "Lock Terminal",
     kMagenta,
     kBold12,
     {8531, 4125, 1512, 574},
     false},
    {W::Cancel,
     WidgetKind::CommandButton,
     "Cancel Transaction",
     kMagenta,
     kBold12,
     {10125, 4125, 1512, 574},
     false},
    {W::ExitKey,
     WidgetKind::CommandButton,
     "End Demo",
     colour::red,
     kBold12,
     {9375, 4875, 1512, 574},
     false},
};

}  // namespace

Panel::Panel() {
    int count = 0;
    for (int n = 0; n < kWidgetNames; ++n)
        count += std::max(array_size(static_cast<W>(n)), 1);
    widgets_.reserve(static_cast<std::size_t>(count));
    auto add = [this](Widget w) {
        if (w.index <= 0) base_[static_cast<int>(w.name)] = static_cast<int>(widgets_.size());
        widgets_.push_back(std::move(w));
    };
    auto pump_array = [&](W name, const char* caption, Colour back, Font font, const int* lefts,
                          int top_offset, int width, int height, bool number_caption) {
        for (int i = 0; i < kPumpCount; ++i) {
            int c = i / 8, r = i % 8;
            add({name, i, WidgetKind::CommandButton,
                 number_caption ? std::to_string(i + 1) : std::string(caption), back, font,
                 Place{lefts[c], top_offset + 750 * r, width, height}, true, true, false, false});
        }
    };
    // The console frames lie under the forecourt widgets they surround.
    pump_array(W::NPump, "", colour::blue, kBold24, kNPumpLeft, 0, 750, 750, true);
    pump_array(W::NStatus, "", colour::blue, kMonoBold14_25, kStatusLeft, 0, 2074, 750, false);
    pump_array(W::Sale, "", colour::grey, kMonoBold14_25, kSaleLeft, 0, 1125, 750, false);
    pump_array(W::Pump, "", colour::grey, kBold24, kPumpLeft, 94, 656, 574, true);
    pump_array(W::Status, "CLOSED", colour::grey, kBold12, kStatusLeft, 94, 2074, 574, false);

    for (const Entry& s : kConsoleWidgets)
        add({s.name, -1, s.kind, s.caption ? s.caption : std::string(kBannerCaption), s.back,
             s.font, s.place, true, s.visible, false, false});
    for (int k = 0; k < kPresetAmounts; ++k)
        add({W::Value, k, WidgetKind::CommandButton, std::to_string(10 + 5 * k) + ".00", kOrange,
             kBold13_5, Place{k < 4 ? 7500 : 8625, 6000 + 750 * (k % 4), 1137, 762}, true, true,
             false, false});
    for (int k = 0; k < kKeypadKeys; ++k)
        add({W::Key, k, WidgetKind::CommandButton, k == 10 ? "00" : std::to_string(k), kLightOrange,
             kBold24, kKeyPlace[k], true, true, false, false});

    // The simulator panel lies above the third grid column.
    add({W::Console,
         -1,
         WidgetKind::CommandButton,
         " ",
         colour::white,
         kDefault,
         {8438, 94, 3387, 5543},
         true,
         false,
         false,
         false});
    for (int i = 0; i < kPumpCount; ++i)
        add({W::SimPump, i, WidgetKind::OptionButton, std::to_string(i + 1), colour::white,
             kDefault, Place{kSimPumpLeft[i / 8], kSimPumpTop[i % 8], 480, 387}, false, false,
             false, false});
    for (const Entry& s : kSimulatorKeys)
        add({s.name, -1, s.kind, s.caption, s.back, s.font, s.place, true, s.visible, false,
             s.kind == WidgetKind::TextBox});
    add({W::Timer1,
         -1,
         WidgetKind::Timer,
         "",
         Colour::face(),
         kDefault,
         {},
         true,
         true,
         false,
         false});
    last_change_.assign(widgets_.size(), 0);
}

}  // namespace dorvane
