// The abstract widget model: every widget of the control's face with the state
// the control sets or reads, and the few operations it uses on them. A view
// mirrors this model; it observes changes and forwards the user's actions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dorvane/common/arrays.h"
#include "dorvane/panel/colours.h"

namespace dorvane {

enum class WidgetKind : std::uint8_t { CommandButton, OptionButton, TextBox, Timer };

// Widget names. A control array (Pump, SimPump, Key, ...) is one name with an index.
enum class W : std::uint8_t {
    // Pump grid.
    NPump,
    NStatus,
    Sale,
    Pump,
    Status,
    // Attendant console.
    User,
    AllStopKey,
    Message1,
    Message2,
    TimeDisplay,
    AuthKey,
    MoveKey,
    CloseKey,
    StopKey,
    Value,
    Key,
    // Simulator panel.
    Console,
    SimPump,
    ItemizeFuelKey,
    CarWashKey,
    FuelKey,
    PendingPriceKey,
    CreateChangeKey,
    Purchase,
    Hook,
    PumpGas,
    TerminalOpenClose,
    Finalize,
    TerminalLockUnlock,
    Cancel,
    ExitKey,
    Timer1,
    Count
};

inline constexpr int kWidgetNames = static_cast<int>(W::Count);

inline constexpr int kPresetAmounts = 8;  // Value(0..7): 10.00 to 45.00
inline constexpr int kKeypadKeys = 11;    // Key(0..9) the digits, Key(10) "00"

struct Font {
    enum class Family : std::uint8_t { Sans, Mono };
    Family family = Family::Sans;
    double points = 8.0;
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

struct Place {
    int left = 0, top = 0, width = 0, height = 0;  // twips
    bool contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

struct Widget {
    W name{};
    int index = -1;  // control-array index, -1 for a single widget
    WidgetKind kind = WidgetKind::CommandButton;
    std::string caption;  // the text of a text box
    Colour back = Colour::face();
    Font font;
    Place place;
    bool enabled = true;
    bool visible = true;
    bool selected = false;
    bool right_aligned = false;
};

enum class WidgetProperty : std::uint8_t { Caption, BackColour, Enabled, Visible, Selected };

class WidgetObserver {
  public:
    virtual ~WidgetObserver() = default;
    virtual void widget_changed(int id, WidgetProperty what) = 0;
};

// The panel is 12000 x 9000 twips.
inline constexpr int kPanelWidth = 12000;
inline constexpr int kPanelHeight = 9000;

class Panel {
  public:
    Panel();

    // The widget id of a name and control-array index. Ids run bottom to top
    // in the layering order, so a higher id lies above a lower one.
    int id(W name, int index = -1) const;
    int size() const { return static_cast<int>(widgets_.size()); }
    const Widget& at(int id) const { return widgets_[static_cast<std::size_t>(id)]; }
    const Widget& operator()(W name, int index = -1) const { return at(id(name, index)); }

    // Number of widgets in a control array (0 for a single widget).
    static int array_size(W name);
    static std::string_view name_of(W name);
    static std::optional<W> find_name(std::string_view name);
    // "Pump(3)" or "Message1": how every tool writes a widget.
    static std::string display_name(W name, int index = -1);
    std::string display_name(int id) const { return display_name(at(id).name, at(id).index); }

    // The operations the control uses; each notifies the observer only when
    // the value really changes.
    void set_caption(int id, std::string_view text);
    void set_back_colour(int id, Colour c);
    void set_enabled(int id, bool on);
    void set_visible(int id, bool on);
    // Selecting an option button clears every other one of its group.
    void set_selected(int id, bool on);

    // The topmost visible widget at a point of the panel, if any.
    std::optional<int> widget_at(int x, int y) const;

    void set_observer(WidgetObserver* o) { observer_ = o; }

    // Changes so far, counted; each widget keeps the count at its last change
    // (0 for none). A reader that compares states after each event (a session
    // recorder) looks only at the widgets changed since it last looked.
    std::uint64_t changes() const { return changes_; }
    std::uint64_t last_change(int id) const {
        return id >= 0 && id < static_cast<int>(last_change_.size())
                   ? last_change_[static_cast<std::size_t>(id)]
                   : 0;
    }

  private:
    void changed(int id, WidgetProperty what) {
        last_change_[static_cast<std::size_t>(id)] = ++changes_;
        if (observer_) observer_->widget_changed(id, what);
    }
    std::vector<Widget> widgets_;
    std::vector<std::uint64_t> last_change_;  // by id, as many as widgets
    std::uint64_t changes_ = 0;
    std::array<int, kWidgetNames> base_{};
    WidgetObserver* observer_ = nullptr;
};

}  // namespace dorvane
