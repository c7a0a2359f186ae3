#include "dorvane/panel/panel.h"

#include <string>

#include "dorvane/common/arrays.h"
#include "dorvane/common/types.h"

namespace dorvane {

namespace {

constexpr std::string_view kNames[kWidgetNames] = {"NPump",
                                                   "NStatus",
                                                   "Sale",
                                                   "Pump",
                                                   "Status",
                                                   "User",
                                                   "AllStopKey",
                                                   "Message1",
                                                   "Message2",
                                                   "TimeDisplay",
                                                   "AuthKey",
                                                   "MoveKey",
                                                   "CloseKey",
                                                   "StopKey",
                                                   "Value",
                                                   "Key",
                                                   "Console",
                                                   "SimPump",
                                                   "ItemizeFuelKey",
                                                   "CarWashKey",
                                                   "FuelKey",
                                                   "PendingPriceKey",
                                                   "CreateChangeKey",
                                                   "Purchase",
                                                   "Hook",
                                                   "PumpGas",
                                                   "TerminalOpenClose",
                                                   "Finalize",
                                                   "TerminalLockUnlock",
                                                   "Cancel",
                                                   "ExitKey",
                                                   "Timer1"};

constexpr int kArraySizes[kWidgetNames] = {24, 24, 24, 24, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 11,
                                           0,  24, 0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

int Panel::array_size(W name) {
    return kArraySizes[static_cast<int>(name)];
}

std::string_view Panel::name_of(W name) {
    return kNames[static_cast<int>(name)];
}

std::optional<W> Panel::find_name(std::string_view name) {
    for (int n = 0; n < kWidgetNames; ++n)
        if (kNames[n] == name) return static_cast<W>(n);
    return std::nullopt;
}

std::string Panel::display_name(int id) const {
    const Widget& w = at(id);
    std::string s(name_of(w.name));
    if (w.index >= 0) {
        // Appended piece by piece: GCC 12 at -O3 wrongly sees overlapping
        // copies (-Wrestrict) in the temporary that "(" + ... + ")" builds.
        s += '(';
        s += std::to_string(w.index);
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
