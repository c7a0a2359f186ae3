#include "dorvane/panel/panel.h"

#include <string>

#include "dorvane/common/arrays.h"
#include "dorvane/common/types.h"

namespace dorvane {

namespace {

// Every widget name with the size of its control array (0 for a single
// widget), in the order of W.
constexpr int kSingle = 0;

struct WidgetNameRow {
    std::string_view name;
    int array_size;
};

constexpr WidgetNameRow kWidgetNameRows[kWidgetNames] = {{"NPump", kPumpCount},
                                                         {"NStatus", kPumpCount},
                                                         {"Sale", kPumpCount},
                                                         {"Pump", kPumpCount},
                                                         {"Status", kPumpCount},
                                                         {"User", kSingle},
                                                         {"AllStopKey", kSingle},
                                                         {"Message1", kSingle},
                                                         {"Message2", kSingle},
                                                         {"TimeDisplay", kSingle},
                                                         {"AuthKey", kSingle},
                                                         {"MoveKey", kSingle},
                                                         {"CloseKey", kSingle},
                                                         {"StopKey", kSingle},
                                                         {"Value", kPresetAmounts},
                                                         {"Key", kKeypadKeys},
                                                         {"Console", kSingle},
                                                         {"SimPump", kPumpCount},
                                                         {"ItemizeFuelKey", kSingle},
                                                         {"CarWashKey", kSingle},
                                                         {"FuelKey", kSingle},
                                                         {"PendingPriceKey", kSingle},
                                                         {"CreateChangeKey", kSingle},
                                                         {"Purchase", kSingle},
                                                         {"Hook", kSingle},
                                                         {"PumpGas", kSingle},
                                                         {"TerminalOpenClose", kSingle},
                                                         {"Finalize", kSingle},
                                                         {"TerminalLockUnlock", kSingle},
                                                         {"Cancel", kSingle},
                                                         {"ExitKey", kSingle},
                                                         {"Timer1", kSingle}};

}  // namespace

int Panel::array_size(W name) {
    return kWidgetNameRows[static_cast<int>(name)].array_size;
}

std::string_view Panel::name_of(W name) {
    return kWidgetNameRows[static_cast<int>(name)].name;
}

std::optional<W> Panel::find_name(std::string_view name) {
    for (int n = 0; n < kWidgetNames; ++n)
        if (kWidgetNameRows[n].name == name) return static_cast<W>(n);
    return std::nullopt;
}

std::string Panel::display_name(W name, int index) {
    std::string s(name_of(name));
    if (index >= 0) {
        s += '(';
        s += std::to_string(index);
        s += ')';
    }
    return s;
}

int Panel::id(W name, int index) const {
    int n = array_size(name);
    if (n == 0) {
        if (index != -1) throw IndexFault(std::string(name_of(name)) + " is not a control array");
        return base_[static_cast<int>(name)];
    }
    if (index < 0 || index >= n)
        throw IndexFault(std::string(name_of(name)) + "(" + std::to_string(index) + ")");
    return base_[static_cast<int>(name)] + index;
}

void Panel::set_caption(int id, std::string_view text) {
    Widget& w = widgets_[static_cast<std::size_t>(id)];
    if (w.caption == text) return;
    w.caption.assign(text);
    changed(id, WidgetProperty::Caption);
}

void Panel::set_back_colour(int id, Colour c) {
    Widget& w = widgets_[static_cast<std::size_t>(id)];
    // A standard button is drawn by the platform and keeps its look.
    if (w.back.kind == Colour::Kind::Standard || w.back == c) return;
    w.back = c;
    changed(id, WidgetProperty::BackColour);
}

void Panel::set_enabled(int id, bool on) {
    Widget& w = widgets_[static_cast<std::size_t>(id)];
    if (w.enabled == on) return;
    w.enabled = on;
    changed(id, WidgetProperty::Enabled);
}

void Panel::set_visible(int id, bool on) {
    Widget& w = widgets_[static_cast<std::size_t>(id)];
    if (w.visible == on) return;
    w.visible = on;
    changed(id, WidgetProperty::Visible);
}

void Panel::set_selected(int id, bool on) {
    Widget& w = widgets_[static_cast<std::size_t>(id)];
    if (w.kind != WidgetKind::OptionButton) return;
    if (on) {
        for (int other = base_[static_cast<int>(w.name)], end = other + array_size(w.name);
             other < end; ++other) {
            Widget& o = widgets_[static_cast<std::size_t>(other)];
            if (other != id && o.selected) {
                o.selected = false;
                changed(other, WidgetProperty::Selected);
            }
        }
    }
    if (w.selected == on) return;
    w.selected = on;
    changed(id, WidgetProperty::Selected);
}

std::optional<int> Panel::widget_at(int x, int y) const {
    for (int id = size() - 1; id >= 0; --id) {
        const Widget& w = at(id);
        if (w.visible && w.kind != WidgetKind::Timer && w.place.contains(x, y)) return id;
    }
    return std::nullopt;
}

}  // namespace dorvane
