#include "dorvane_widget.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>
#include <iostream>
#include <stdexcept>
#include <string>

#include "control/surface.h"
#include "geometry.h"
#include "live_platform.h"
#include "panel_button.h"
#include "run/recorder.h"

namespace dorvane::qt {

namespace {

constexpr int kTickMilliseconds = 1000;
const char* const kSansFamily = "DejaVu Sans";
const char* const kMonoFamily = "DejaVu Sans Mono";
const char* const kIdProperty = "dorvaneWidgetId";

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QFont font_of(const Font& f, double zoom) {
    const bool mono = f.family == Font::Family::Mono;
    QFont q(mono ? kMonoFamily : kSansFamily);
    q.setStyleHint(mono ? QFont::TypeWriter : QFont::SansSerif);
    q.setBold(f.bold);
    q.setPixelSize(font_pixels(f.points, zoom));
    return q;
}

QColor rgb_of(Colour c) {
    return QColor((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF);
}

// Focus moves that the user made, as opposed to those that follow from a
// widget being hidden or the window losing the activation.
bool user_moved_focus(Qt::FocusReason r) {
    return r == Qt::MouseFocusReason || r == Qt::TabFocusReason || r == Qt::BacktabFocusReason ||
           r == Qt::ShortcutFocusReason;
}

}  // namespace

DorvaneWidget::DorvaneWidget(QWidget* parent)
    : QWidget(parent), own_platform_(std::make_unique<LivePlatform>()) {
    own_ctl_ = std::make_unique<DorvaneCtl>(*own_platform_);
    ctl_ = own_ctl_.get();
    build();
    set_ticks(Ticks::Timer);
    record_from_environment();
}

DorvaneWidget::DorvaneWidget(Platform& platform, Ticks ticks, QWidget* parent)
    : QWidget(parent), own_ctl_(std::make_unique<DorvaneCtl>(platform)), ctl_(own_ctl_.get()) {
    build();
    set_ticks(ticks);
    record_from_environment();
}

DorvaneWidget::DorvaneWidget(DorvaneCtl& control, Ticks ticks, QWidget* parent)
    : QWidget(parent), ctl_(&control) {
    build();
    set_ticks(ticks);
}

DorvaneWidget::~DorvaneWidget() {
    // The control may outlive the widget, and the Qt children go after the
    // control the widget owns: neither may reach the other from here on
    // (destroying the focused box would otherwise validate it).
    if (timer_) timer_->stop();
    if (purchase_) purchase_->removeEventFilter(this);
    ctl_->panel_for_view().set_observer(nullptr);
    recorder_.reset();
}

// ---- Recording.

bool DorvaneWidget::record_to(const QString& path) {
    return record_to(path, script::Expectations::Written);
}

bool DorvaneWidget::record_to(const QString& path, script::Expectations expectations) {
    recorder_.reset();
    recording_error_.clear();
    auto recorder = std::make_unique<script::Recorder>(*ctl_, path.toStdString(), expectations);
    if (recorder->failed()) {
        recording_error_ = QString::fromStdString(recorder->error());
        emit recordingFailed(recording_error_);
        return false;
    }
    recorder->set_error_handler([this](const std::string& message) {
        recording_error_ = QString::fromStdString(message);
        emit recordingFailed(recording_error_);
    });
    recorder_ = std::move(recorder);
    return true;
}

void DorvaneWidget::stop_recording() {
    if (recorder_) recorder_->stop();
    recorder_.reset();
}

bool DorvaneWidget::is_recording() const {
    return recorder_ && recorder_->recording();
}

// DORVANE_RECORD=DIR records every control the widget creates. No caller
// asked for it, so a folder that cannot be written is said once per process
// on stderr.
void DorvaneWidget::record_from_environment() {
    const std::string path = script::environment_record_path();
    if (path.empty() || record_to(QString::fromStdString(path))) return;
    static bool said = false;
    if (!said) std::cerr << "dorvane: DORVANE_RECORD: " << recording_error_.toStdString() << '\n';
    said = true;
}

void DorvaneWidget::set_ticks(Ticks ticks) {
    if (ticks == Ticks::Manual) {
        if (timer_) timer_->stop();
        return;
    }
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setInterval(kTickMilliseconds);
        connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    }
    timer_->start();
}

DorvaneWidget::Ticks DorvaneWidget::ticks() const {
    return timer_ && timer_->isActive() ? Ticks::Timer : Ticks::Manual;
}

// ---- Building and mirroring the model.

void DorvaneWidget::build() {
    setAutoFillBackground(true);
    const Panel& panel = ctl_->panel();
    views_.assign(static_cast<std::size_t>(panel.size()), nullptr);
    visibility_pending_.assign(views_.size(), false);
    // Created in id order: a later sibling lies above an earlier one, which
    // is the layering the model's ids follow.
    for (int id = 0; id < panel.size(); ++id) {
        const Widget& w = panel.at(id);
        QWidget* view = nullptr;
        switch (w.kind) {
            case WidgetKind::CommandButton:
            case WidgetKind::OptionButton: {
                const auto look = w.kind == WidgetKind::OptionButton ? PanelButton::Look::Option
                                  : w.back.kind == Colour::Kind::Standard
                                      ? PanelButton::Look::Standard
                                      : PanelButton::Look::Graphical;
                auto* button = new PanelButton(look, this);
                connect(button, &QAbstractButton::clicked, this, [this, id] { on_clicked(id); });
                view = button;
                break;
            }
            case WidgetKind::TextBox:
                purchase_ = new QLineEdit(this);
                purchase_id_ = id;
                purchase_->installEventFilter(this);
                connect(purchase_, &QLineEdit::textEdited, this, [this] { entry_pending_ = true; });
                view = purchase_;
                break;
            case WidgetKind::Timer:
                break;
        }
        if (!view) continue;
        view->setProperty(kIdProperty, id);
        views_[static_cast<std::size_t>(id)] = view;
    }
    set_zoom(zoom_);
    attach(*ctl_);
}

// Start-up has already run in the control's constructor, so the whole face
// is copied once; from then on only what the model reports as changed.
void DorvaneWidget::attach(DorvaneCtl& control) {
    ctl_->panel_for_view().set_observer(nullptr);
    ctl_ = &control;
    ctl_->panel_for_view().set_observer(this);
    entry_pending_ = false;
    for (int id = 0; id < ctl_->panel().size(); ++id)
        apply_all(id);
    // Whatever the previous control left pending is shown as it now is.
    visibility_changed_.clear();
    visibility_pending_.assign(views_.size(), false);
}

void DorvaneWidget::apply_all(int id) {
    for (auto what : {WidgetProperty::Caption, WidgetProperty::BackColour, WidgetProperty::Enabled,
                      WidgetProperty::Visible, WidgetProperty::Selected})
        apply(id, what);
}

void DorvaneWidget::widget_changed(int id, WidgetProperty what) {
    if (what != WidgetProperty::Visible) {
        apply(id, what);
        return;
    }
    const auto i = static_cast<std::size_t>(id);
    if (!visibility_pending_[i]) {
        visibility_pending_[i] = true;
        visibility_changed_.push_back(id);
    }
    // For changes made on the control directly; the tester's actions and the
    // host's accesses through this widget apply them before they return.
    // Queued at normal priority, this runs before the low-priority request
    // that paints the window.
    if (!visibility_posted_) {
        visibility_posted_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                visibility_posted_ = false;
                apply_visibility();
            },
            Qt::QueuedConnection);
    }
}

void DorvaneWidget::apply_visibility() {
    // Hiding the focused purchase box moves the focus, which sends events
    // while the list is walked: work on a copy until nothing is left.
    while (!visibility_changed_.empty()) {
        std::vector<int> ids;
        ids.swap(visibility_changed_);
        for (int id : ids) {
            visibility_pending_[static_cast<std::size_t>(id)] = false;
            apply(id, WidgetProperty::Visible);
        }
    }
}

// The panel is painted before its children: a painting that the event loop
// has not reached first (QWidget::grab, say) still shows the model as it is.
void DorvaneWidget::paintEvent(QPaintEvent*) {
    apply_visibility();
}

void DorvaneWidget::apply(int id, WidgetProperty what) {
    QWidget* view = views_[static_cast<std::size_t>(id)];
    if (!view) return;
    const Widget& w = ctl_->panel().at(id);
    QScopedValueRollback<bool> applying(applying_, true);
    const QSignalBlocker quiet(view);
    auto* button = id == purchase_id_ ? nullptr : static_cast<PanelButton*>(view);
    switch (what) {
        case WidgetProperty::Caption:
            if (button)
                button->setText(qs(w.caption));
            else
                purchase_->setText(qs(w.caption));
            break;
        case WidgetProperty::BackColour:
            if (button) {
                button->set_back(w.back);
            } else {
                QPalette pal = purchase_->palette();
                pal.setColor(QPalette::Base, rgb_of(w.back));
                purchase_->setPalette(pal);
            }
            break;
        case WidgetProperty::Enabled:
            view->setEnabled(w.enabled);
            break;
        case WidgetProperty::Visible:
            view->setVisible(w.visible);
            break;
        case WidgetProperty::Selected:
            if (button && button->isCheckable()) button->setChecked(w.selected);
            break;
    }
}

void DorvaneWidget::place(int id) {
    QWidget* view = views_[static_cast<std::size_t>(id)];
    if (!view) return;
    const Widget& w = ctl_->panel().at(id);
    view->setGeometry(to_pixels(w.place, zoom_));
    view->setFont(font_of(w.font, zoom_));
    if (view == purchase_)
        purchase_->setAlignment((w.right_aligned ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignVCenter);
}

void DorvaneWidget::set_zoom(double zoom) {
    if (zoom <= 0) throw std::invalid_argument("zoom must be positive");
    zoom_ = zoom;
    for (int id = 0; id < ctl_->panel().size(); ++id)
        place(id);
    setFixedSize(sizeHint());
}

QSize DorvaneWidget::sizeHint() const {
    return {to_pixels(kPanelWidth, zoom_), to_pixels(kPanelHeight, zoom_)};
}

void DorvaneWidget::restart(Platform& platform) {
    stop_recording();
    auto fresh = std::make_unique<DorvaneCtl>(platform);
    attach(*fresh);
    own_ctl_ = std::move(fresh);
    if (ticks() == Ticks::Timer) timer_->start();
    record_from_environment();
}

void DorvaneWidget::mirror(DorvaneCtl& control) {
    stop_recording();
    attach(control);
    if (own_ctl_.get() != &control) own_ctl_.reset();
    if (ticks() == Ticks::Timer) timer_->start();
}

void DorvaneWidget::restart() {
    if (!own_platform_) own_platform_ = std::make_unique<LivePlatform>();
    restart(*own_platform_);
}

// ---- Look-up.

QWidget* DorvaneWidget::view_of(int id) const {
    if (id < 0 || id >= static_cast<int>(views_.size())) return nullptr;
    return views_[static_cast<std::size_t>(id)];
}

std::optional<int> DorvaneWidget::id_of(const QWidget* w) const {
    for (; w && w != this; w = w->parentWidget()) {
        const QVariant v = w->property(kIdProperty);
        if (v.isValid()) return v.toInt();
    }
    return std::nullopt;
}

std::optional<int> DorvaneWidget::id_at(QPoint pixel) const {
    return id_of(childAt(pixel));
}

QPoint DorvaneWidget::centre_of(int id) const {
    const Place& p = ctl_->panel().at(id).place;
    return {to_pixels(p.left + p.width / 2, zoom_), to_pixels(p.top + p.height / 2, zoom_)};
}

// ---- The tester's actions.

template <typename F>
void DorvaneWidget::guarded(F&& action) {
    // Nothing may escape into Qt's event loop. A range fault has already been
    // shown on Message1 by the control; anything else is a defect worth a line
    // on stderr, and the control stays usable either way.
    try {
        action();
    } catch (const RangeFault& f) {
        emit faultCaught(QString::fromUtf8(f.what()));
    } catch (const std::exception& e) {
        std::cerr << "dorvane: " << e.what() << '\n';
        emit faultCaught(QString::fromUtf8(e.what()));
    } catch (...) {
        std::cerr << "dorvane: unknown exception\n";
        emit faultCaught(QStringLiteral("unknown exception"));
    }
}

void DorvaneWidget::on_clicked(int id) {
    // The control expects the box's validation before the click that takes
    // the focus from it; Qt does not always deliver that focus-out first.
    validate_pending_entry();
    emit testerClicked(id);
    guarded([&] { ctl_->click_id(id); });
    apply_visibility();
}

void DorvaneWidget::click(int id) {
    on_clicked(id);
}

void DorvaneWidget::enter_purchase(const QString& text) {
    entry_pending_ = false;
    forward_entry(text);
}

void DorvaneWidget::validate_pending_entry() {
    if (!entry_pending_) return;
    entry_pending_ = false;
    forward_entry(purchase_->text());
}

void DorvaneWidget::forward_entry(const QString& text) {
    emit testerEntered(text);
    guarded([&] { ctl_->enter_purchase(text.toStdString()); });
    apply_visibility();
}

void DorvaneWidget::tick() {
    emit aboutToTick();
    guarded([&] { ctl_->tick(); });
    apply_visibility();
    emit ticked();
}

bool DorvaneWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == purchase_ && !applying_) {
        if (event->type() == QEvent::FocusIn) {
            entry_pending_ = true;
        } else if (event->type() == QEvent::FocusOut &&
                   user_moved_focus(static_cast<QFocusEvent*>(event)->reason())) {
            validate_pending_entry();
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- The host's access by name.

Variant DorvaneWidget::property(std::string_view name) const {
    const int index = find_property(name);
    if (index < 0) throw std::invalid_argument("unknown property: " + std::string(name));
    return get_property(*ctl_, index);
}

void DorvaneWidget::set_property(std::string_view name, const Variant& value) {
    const int index = find_property(name);
    if (index < 0) throw std::invalid_argument("unknown property: " + std::string(name));
    const auto catch_up = qScopeGuard([this] { apply_visibility(); });
    dorvane::set_property(*ctl_, index, value);
}

Variant DorvaneWidget::call(std::string_view name, std::span<Variant> args) {
    const int index = find_method(name);
    if (index < 0) throw std::invalid_argument("unknown method: " + std::string(name));
    const auto catch_up = qScopeGuard([this] { apply_visibility(); });
    return invoke_method(*ctl_, index, args);
}

}  // namespace dorvane::qt
