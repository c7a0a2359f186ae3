// The keypad and preset amounts that key a prepay, and the clock.
#include <limits>

#include "console/console_texts.h"
#include "control/banner.h"
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"

namespace dorvane {

namespace {

constexpr int kDoubleZeroKey = 10;
constexpr Long kFirstPreset = 1000;
constexpr Long kPresetStep = 500;

}  // namespace

void DorvaneCtl::Key_Click(int index) {
    check_index(index, 11, "Key");
    const long long next =
        index < kDoubleZeroKey ? t_.Keypad_Value * 10LL + index : t_.Keypad_Value * 100LL;
    // A key that would take the entry past the Long range is refused.
    if (next > std::numeric_limits<Long>::max()) return;
    t_.Keypad_Value = static_cast<Long>(next);
    t_.Console_Amount = t_.Keypad_Value;
    if (t_.Console_Amount > 0) {
        Select_Prepay_Mode();
        caption(W::User, format_money(t_.Console_Amount) + console_text::kPrepaySuffix);
    } else {
        AuthKey_Click();
        caption(W::User, kBannerCaption);
    }
}

void DorvaneCtl::Value_Click(int index) {
    check_index(index, 8, "Value");
    t_.Keypad_Value = 0;  // keys pressed after a preset start a new number
    t_.Console_Amount = kFirstPreset + kPresetStep * index;
    caption(W::User, format_money(t_.Console_Amount) + console_text::kPrepaySuffix);
    Select_Prepay_Mode();
}

void DorvaneCtl::Select_Prepay_Mode() {
    t_.Console_Mode = MODE_PREPAY;
    light_command_key(W::AuthKey);
    refresh_all_console_lines();
}

void DorvaneCtl::TimeDisplay_Click() {
    t_.Show_Date = t_.Show_Date == 0 ? 1 : 0;
    show_clock();
}

void DorvaneCtl::show_clock() {
    const LocalDateTime now = platform_.now();
    caption(W::TimeDisplay, t_.Show_Date == 0 ? format_medium_time(now) : format_long_date(now));
}

}  // namespace dorvane
