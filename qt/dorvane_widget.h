// DorvaneWidget: the control's face as one embeddable Qt widget. It owns a
// DorvaneCtl, mirrors the control's widget model (places, captions, colours,
// fonts, enabled, visible, selection and layering) and forwards what the
// tester does: clicks, the purchase box losing the focus, and the ticks of a
// 1000 ms timer. No behaviour lives here; the control decides everything.
//
// Captions, colours, enabled and selection are mirrored as the model reports
// them. Visibility is mirrored once per event, as its net change: the
// control often hides a group of widgets and shows some of them again in one
// handler, and every hide or show costs Qt a repaint of all that lies
// beneath. The view is up to date when a tester action or a host access
// through this widget returns, and, for changes made on the control
// directly, when the event loop next runs or the panel is painted.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/platform.h"
#include "common/variant.h"
#include "control/dorvane_ctl.h"
#include "panel/panel.h"

class QLineEdit;
class QTimer;

namespace dorvane::script {
class Recorder;
enum class Expectations : std::uint8_t;
}  // namespace dorvane::script

namespace dorvane::qt {

class LivePlatform;
class PanelButton;

class DorvaneWidget : public QWidget, private WidgetObserver {
    Q_OBJECT
  public:
    // Who delivers the ticks: a real 1000 ms timer running from creation, or
    // the embedding code through tick() (tests, benchmarks, replays).
    enum class Ticks { Timer, Manual };

    // A control on the machine's local clock with the desktop's beep.
    explicit DorvaneWidget(QWidget* parent = nullptr);
    // A control on the given platform, which must outlive the widget (or the
    // next restart()).
    DorvaneWidget(Platform& platform, Ticks ticks, QWidget* parent = nullptr);
    // The face of a control that someone else owns (a scenario session, say);
    // it must outlive the widget or be replaced through mirror() first.
    DorvaneWidget(DorvaneCtl& control, Ticks ticks, QWidget* parent = nullptr);
    ~DorvaneWidget() override;

    // ---- The host's access: the whole surface of the control. Host calls
    // are not caught here: their faults belong to the host.
    DorvaneCtl& control() { return *ctl_; }
    const DorvaneCtl& control() const { return *ctl_; }
    // By name, through the control's surface table. An unknown name is a
    // std::invalid_argument.
    Variant property(std::string_view name) const;
    void set_property(std::string_view name, const Variant& value);
    Variant call(std::string_view name, std::span<Variant> args);

    // Replaces the control by a fresh one (start-up runs again) on the given
    // platform, or on the widget's own live one.
    void restart(Platform& platform);
    void restart();
    // Shows another control, owned elsewhere; a control the widget owned goes.
    void mirror(DorvaneCtl& control);
    Platform& platform() { return ctl_->platform(); }
    // Starts or stops the 1000 ms timer; a new control's first tick comes a
    // full interval after it is shown.
    void set_ticks(Ticks ticks);
    Ticks ticks() const;

    // ---- The tester's side, driven by code exactly as by the user. Faults
    // are caught at this boundary and reported through faultCaught().
    void click(int id);
    void click(W name, int index = -1) { click(ctl_->panel().id(name, index)); }
    // Types the text into the purchase box and moves the focus away.
    void enter_purchase(const QString& text);
    void tick();

    // ---- Recording the session of the control shown as a scenario script
    // that dorvane-run replays and checks (see run/recorder.h). A widget that
    // creates its own control records it into a new file in the folder named
    // by DORVANE_RECORD, when that is set. A new control (restart, mirror)
    // ends the recording.
    //
    // Starts recording into a new file at `path`, ending a recording in
    // progress. False when the file cannot be created: the reason is in
    // recording_error() and recordingFailed(); the control works on.
    bool record_to(const QString& path);
    bool record_to(const QString& path, script::Expectations expectations);
    // Writes what is pending and ends the recording.
    void stop_recording();
    bool is_recording() const;
    // Why recording last failed; empty when it did not.
    QString recording_error() const { return recording_error_; }

    // ---- Scale and look-up.
    void set_zoom(double zoom);
    double zoom() const { return zoom_; }
    QSize sizeHint() const override;
    // The Qt widget that shows model widget `id` (nullptr for the timer).
    QWidget* view_of(int id) const;
    // The model widget shown by a Qt widget of this panel.
    std::optional<int> id_of(const QWidget* w) const;
    // The model widget that takes a click at a pixel of this widget: the
    // topmost visible one, as Qt delivers mouse events.
    std::optional<int> id_at(QPoint pixel) const;
    // The pixel of this widget at the centre of model widget `id`.
    QPoint centre_of(int id) const;

  signals:
    // The tester's actions, each emitted just before it reaches the control.
    void testerClicked(int id);
    void testerEntered(const QString& text);
    void aboutToTick();
    // After a tick has been handled (a host may look for beeps or refresh).
    void ticked();
    // A fault met by a tester action, after the control has stopped the handler.
    void faultCaught(const QString& what);
    // Recording could not start, or stopped because writing failed; said once
    // per failure.
    void recordingFailed(const QString& message);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void widget_changed(int id, WidgetProperty what) override;
    void build();
    void attach(DorvaneCtl& control);
    void apply(int id, WidgetProperty what);
    void apply_all(int id);
    void apply_visibility();
    void place(int id);
    void on_clicked(int id);
    void validate_pending_entry();
    void record_from_environment();
    void forward_entry(const QString& text);
    template <typename F>
    void guarded(F&& action);

    std::unique_ptr<LivePlatform> own_platform_;
    std::unique_ptr<DorvaneCtl> own_ctl_;
    DorvaneCtl* ctl_ = nullptr;
    // Declared after the control it listens to, so that it goes first.
    std::unique_ptr<script::Recorder> recorder_;
    QString recording_error_;
    std::vector<QWidget*> views_;  // by model id; nullptr for the timer
    QLineEdit* purchase_ = nullptr;
    int purchase_id_ = -1;
    QTimer* timer_ = nullptr;
    double zoom_ = 1.0;
    // The purchase box was edited or entered and has not been validated since.
    bool entry_pending_ = false;
    // Set while the model is applied, so that focus moves it causes are not
    // taken for the user's.
    bool applying_ = false;
    // Widgets whose visibility the model changed since it was last applied,
    // each listed once, and whether a later pass of the event loop will apply
    // them.
    std::vector<int> visibility_changed_;
    std::vector<bool> visibility_pending_;  // by model id
    bool visibility_posted_ = false;
};

}  // namespace dorvane::qt
