#include "demo_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "dorvane/common/arrays.h"
#include "dorvane/control/surface.h"
#include "dorvane/forecourt/members.h"
#include "geometry.h"
#include "help.h"
#include "hint.h"
#include "pos_pane.h"

namespace dorvane::demo {

namespace {

constexpr const char* kTitle = "Dorvane demo host";
constexpr const char* kScriptFilter = "Scenario scripts (*.dvs);;All files (*)";
constexpr int kHostPanelWidth = 460;
constexpr int kLogLines = 10;
constexpr int kWindowMargin = 64;
constexpr double kZooms[] = {1.0, 1.25, 1.5, 2.0};
constexpr int kBeepFlashMilliseconds = 300;
constexpr const char* kBeepMark = "\u266A beep";
constexpr const char* kBeepMarkLit = "QLabel { background: #FFFF00; color: #FF0000; }";
constexpr const char* kBeepMarkDark = "QLabel { color: #808080; }";
constexpr const char* kPauseTimeTip =
    "Stops the control's one-second timer: the clock, fuel flow, the alarm and the "
    "15-second POS time-outs all wait. Pause to take your time over a step or to read "
    "the panel; untick to let time run again.";
constexpr int kMessageLines = 2;
constexpr W kMessageWidgets[kMessageLines] = {W::Message1, W::Message2};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString type_name(ValueType t) {
    return t == kVariantParam ? QStringLiteral("Variant") : QString(value_type_name(t));
}

// The text a parameter editor starts with: a value of its type. A flag
// starts True, so that a confirmation with the defaults succeeds.
QString default_argument(ValueType t) {
    return t == ValueType::Boolean ? QStringLiteral("True") : QStringLiteral("0");
}

QTableWidgetItem* read_only_item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

}  // namespace

// A session starts at the local time; the recorder writes it at the first event.
std::unique_ptr<DemoWindow::Recorded> DemoWindow::fresh_session() {
    auto next = std::make_unique<Recorded>();
    next->session.platform().set_clock(clock_());
    return next;
}

DemoWindow::DemoWindow(Clock clock) : clock_(std::move(clock)) {
    session_ = fresh_session();
    setWindowTitle(kTitle);
    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    panel_ = new qt::DorvaneWidget(session().control(), qt::DorvaneWidget::Ticks::Timer, central);
    panel_area_ = new QScrollArea(central);
    panel_area_->setWidget(panel_);
    panel_area_->setAlignment(Qt::AlignCenter);
    panel_area_->viewport()->installEventFilter(this);
    left->addWidget(panel_area_, 1);
    hint_ = new QLabel(central);
    QFont hint_font = hint_->font();
    hint_font.setBold(true);
    hint_->setFont(hint_font);
    hint_->setWordWrap(true);
    left->addWidget(hint_);
    log_ = new QPlainTextEdit(central);
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(5000);
    log_->setMinimumHeight(log_->fontMetrics().lineSpacing() * kLogLines);
    left->addWidget(log_);
    columns->addLayout(left);
    auto* host = new QWidget(central);
    host->setFixedWidth(kHostPanelWidth);
    build_host_panel(host);
    columns->addWidget(host);
    setCentralWidget(central);
    pos_pane_->attach(session().control());
    build_menus();

    connect(panel_, &qt::DorvaneWidget::testerClicked, this, [this](int id) {
        log(QStringLiteral("click ") + qs(session().control().panel().display_name(id)));
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
    });
    connect(panel_, &qt::DorvaneWidget::testerEntered, this, [this](const QString& text) {
        log(QStringLiteral("enter Purchase \"%1\"").arg(text));
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
    });
    // The clock moves on one second before each tick, as dorvane-run moves it.
    connect(panel_, &qt::DorvaneWidget::aboutToTick, this, [this] {
        session().platform().advance_seconds(1);
        for (int m = 0; m < kMessageLines; ++m)
            messages_before_tick_[m] = session().control().panel()(kMessageWidgets[m]).caption;
    });
    connect(panel_, &qt::DorvaneWidget::ticked, this, [this] { after_tick(); });
    connect(panel_, &qt::DorvaneWidget::faultCaught, this,
            [this](const QString& what) { log(QStringLiteral("  fault: ") + what); });
    connect(pos_pane_, &PosPane::noted, this,
            [this](const QString& note) { log(QStringLiteral("POS: ") + note); });
    connect(pos_pane_, &PosPane::faulted, this,
            [this](const QString& what) { log(QStringLiteral("POS fault: ") + what); });
    connect(pos_pane_, &PosPane::acted, this, [this] { refresh(); });
    refresh();
    update_replay_controls();
    // Room for the whole panel at its zoom: the scroll area around it asks
    // for less than that on its own.
    resize(panel_->width() + kHostPanelWidth + kWindowMargin,
           panel_->height() + log_->sizeHint().height() + 3 * hint_->fontMetrics().lineSpacing() +
               menuBar()->sizeHint().height() + kWindowMargin);
}

// ---- Menus.

void DemoWindow::build_menus() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    zooms_ = new QActionGroup(this);
    for (double z : kZooms) {
        QAction* a = view->addAction(tr("Zoom %1 %").arg(z * 100));
        a->setCheckable(true);
        a->setData(z);
        a->setChecked(z == panel_->zoom());
        zooms_->addAction(a);
        connect(a, &QAction::triggered, this, [this, z] { set_zoom(z); });
    }
    fit_ = view->addAction(tr("Fit to window"));
    fit_->setCheckable(true);
    zooms_->addAction(fit_);
    connect(fit_, &QAction::triggered, this, [this] { fit_to_window(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    for (std::size_t f = 0; f < kHelpFlows.size(); ++f)
        connect(help->addAction(qs(std::string(kHelpFlows[f].title))), &QAction::triggered, this,
                [this, f] { show_help(static_cast<int>(f)); });
}

void DemoWindow::show_help(int flow) {
    const HelpFlow& f = kHelpFlows[static_cast<std::size_t>(flow)];
    const QStringList steps = qs(std::string(f.steps)).split('\n');
    QString text;
    for (int i = 0; i < steps.size(); ++i)
        text += QStringLiteral("%1. %2\n").arg(i + 1).arg(steps[i]);
    QMessageBox::information(this, qs(std::string(f.title)), text);
}

void DemoWindow::set_time_paused(bool paused) {
    pause_time_->setChecked(paused);
}

void DemoWindow::set_zoom(double zoom) {
    show_scroll_bars(true);
    panel_->set_zoom(zoom);
    for (QAction* a : zooms_->actions())
        a->setChecked(a != fit_ && a->data().toDouble() == zoom);
}

void DemoWindow::show_scroll_bars(bool on) {
    const auto policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    panel_area_->setHorizontalScrollBarPolicy(policy);
    panel_area_->setVerticalScrollBarPolicy(policy);
}

// The largest zoom at which the whole panel fits the space beside the host
// side; it follows the window while "fit to window" is chosen.
void DemoWindow::fit_to_window() {
    fit_->setChecked(true);
    // A scroll bar that came and went with the zoom would change the room
    // and call for another fit, and so on: a fitted panel needs none.
    show_scroll_bars(false);
    const QSize room = panel_area_->viewport()->size();
    const double zoom = std::min(room.width() * qt::kTwipsPerPixel / kPanelWidth,
                                 room.height() * qt::kTwipsPerPixel / kPanelHeight);
    if (zoom > 0) panel_->set_zoom(zoom);
}

bool DemoWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_area_->viewport() && event->type() == QEvent::Resize && fit_ &&
        fit_->isChecked())
        QMetaObject::invokeMethod(
            this, [this] { fit_to_window(); }, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

// ---- Time.

QString DemoWindow::clock_text() {
    const LocalDateTime& t = session().platform().clock();
    return QString::asprintf("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

// A tick is logged when it left a message; then the POS has its turn.
void DemoWindow::after_tick() {
    const Panel& panel = session().control().panel();
    for (int m = 0; m < kMessageLines; ++m) {
        const std::string& now = panel(kMessageWidgets[m]).caption;
        if (now != messages_before_tick_[m])
            log(QStringLiteral("tick: %1 \"%2\"")
                    .arg(qs(panel.display_name(panel.id(kMessageWidgets[m]))), qs(now)));
    }
    pos_pane_->tick();
    refresh();
}

void DemoWindow::flash_beep_mark() {
    beep_mark_->setStyleSheet(kBeepMarkLit);
    beep_flash_->start();
}

// The panel shows the session's control: it goes first, while that control
// still exists (members go before the base class deletes its children).
DemoWindow::~DemoWindow() {
    delete panel_;
}

// ---- The host panel.

void DemoWindow::build_host_panel(QWidget* host) {
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);

    // Session and replay.
    auto* session_row = new QHBoxLayout;
    auto* fresh = new QPushButton(tr("New session"), host);
    auto* open = new QPushButton(tr("Open script..."), host);
    auto* save = new QPushButton(tr("Save session..."), host);
    session_row->addWidget(fresh);
    session_row->addWidget(open);
    session_row->addWidget(save);
    layout->addLayout(session_row);
    auto* replay_row = new QHBoxLayout;
    step_ = new QPushButton(tr("Step"), host);
    run_ = new QPushButton(tr("Run to end"), host);
    pause_time_ = new QCheckBox(tr("Pause time"), host);
    pause_time_->setToolTip(tr(kPauseTimeTip));
    beep_mark_ = new QLabel(QString::fromUtf8(kBeepMark), host);
    beep_mark_->setStyleSheet(kBeepMarkDark);
    beep_mark_->setToolTip(tr("Lights with every beep of the control"));
    beep_flash_ = new QTimer(this);
    beep_flash_->setSingleShot(true);
    beep_flash_->setInterval(kBeepFlashMilliseconds);
    connect(beep_flash_, &QTimer::timeout, this,
            [this] { beep_mark_->setStyleSheet(kBeepMarkDark); });
    replay_row->addWidget(step_);
    replay_row->addWidget(run_);
    replay_row->addWidget(pause_time_);
    replay_row->addWidget(beep_mark_);
    layout->addLayout(replay_row);
    replay_state_ = new QLabel(host);
    replay_state_->setWordWrap(true);
    layout->addWidget(replay_state_);
    connect(fresh, &QPushButton::clicked, this, [this] { new_session(); });
    connect(open, &QPushButton::clicked, this, [this] { open_script(); });
    connect(save, &QPushButton::clicked, this, [this] { save_script(); });
    connect(step_, &QPushButton::clicked, this, [this] { step(); });
    connect(run_, &QPushButton::clicked, this, [this] { run_to_end(); });
    connect(pause_time_, &QCheckBox::toggled, this, [this](bool paused) {
        panel_->set_ticks(paused ? qt::DorvaneWidget::Ticks::Manual
                                 : qt::DorvaneWidget::Ticks::Timer);
        refresh();
    });

    auto* tabs = new QTabWidget(host);
    layout->addWidget(tabs, 1);

    // The POS emulator first: what a tester needs; the raw surface after it.
    pos_pane_ = new PosPane(tabs);
    tabs->addTab(pos_pane_, tr("POS"));

    // Methods, generated from the surface table.
    auto* methods = new QWidget(tabs);
    auto* methods_layout = new QVBoxLayout(methods);
    method_ = new QComboBox(methods);
    for (const MethodInfo& m : surface_methods())
        method_->addItem(qs(std::string(m.name)));
    methods_layout->addWidget(method_);
    params_box_ = new QWidget(methods);
    new QFormLayout(params_box_);
    methods_layout->addWidget(params_box_);
    auto* call = new QPushButton(tr("Call"), methods);
    methods_layout->addWidget(call);
    result_ = new QLabel(methods);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    methods_layout->addWidget(result_);
    methods_layout->addStretch(1);
    connect(method_, &QComboBox::currentIndexChanged, this, [this] { show_method_params(); });
    connect(call, &QPushButton::clicked, this, [this] { call_method(); });
    show_method_params();
    tabs->addTab(methods, tr("Methods"));

    // Properties, in the surface table's order.
    const auto props = surface_properties();
    properties_ = new QTableWidget(static_cast<int>(props.size()), 3, tabs);
    properties_->setHorizontalHeaderLabels({tr("Property"), tr("Type"), tr("Value")});
    properties_->verticalHeader()->hide();
    for (int row = 0; row < properties_->rowCount(); ++row) {
        const PropertyInfo& p = props[static_cast<std::size_t>(row)];
        properties_->setItem(row, 0, read_only_item(qs(std::string(p.name))));
        properties_->setItem(row, 1, read_only_item(type_name(p.type)));
        auto* value = new QTableWidgetItem;
        if (!p.writable) value->setFlags(value->flags() & ~Qt::ItemIsEditable);
        properties_->setItem(row, 2, value);
    }
    properties_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    properties_->resizeColumnToContents(0);
    connect(properties_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!refreshing_ && item->column() == 2) write_property(item->row());
    });
    tabs->addTab(properties_, tr("Properties"));

    // The pump table, read only.
    auto* inspector = new QWidget(tabs);
    auto* inspector_layout = new QVBoxLayout(inspector);
    auto* chooser = new QHBoxLayout;
    chooser->addWidget(new QLabel(tr("Pump"), inspector));
    inspected_pump_ = new QSpinBox(inspector);
    inspected_pump_->setRange(1, kPumpCount);
    chooser->addWidget(inspected_pump_);
    follow_sim_pump_ = new QCheckBox(tr("the pump under the simulator"), inspector);
    follow_sim_pump_->setChecked(true);
    chooser->addWidget(follow_sim_pump_);
    inspector_layout->addLayout(chooser);
    inspector_ = new QTableWidget(0, 2, inspector);
    inspector_->setHorizontalHeaderLabels({tr("Member"), tr("Value")});
    inspector_->verticalHeader()->hide();
    inspector_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    inspector_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    inspector_layout->addWidget(inspector_);
    connect(inspected_pump_, &QSpinBox::valueChanged, this, [this] { refresh(); });
    connect(follow_sim_pump_, &QCheckBox::toggled, this, [this] { refresh(); });
    tabs->addTab(inspector, tr("Pump table"));
}

void DemoWindow::show_method_params() {
    auto* form = static_cast<QFormLayout*>(params_box_->layout());
    while (form->rowCount() > 0)
        form->removeRow(0);
    params_.clear();
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(method_->currentIndex())];
    for (const ParamInfo& p : m.params) {
        auto* edit = new QLineEdit(default_argument(p.type), params_box_);
        const QString label = QStringLiteral("%1 (%2%3)")
                                  .arg(qs(std::string(p.name)), type_name(p.type),
                                       p.by_ref ? tr(", by reference") : QString());
        form->addRow(label, edit);
        params_.push_back(edit);
    }
    result_->setText(m.result ? tr("returns %1").arg(type_name(*m.result)) : tr("no result"));
}

void DemoWindow::call_method() {
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(method_->currentIndex())];
    std::string line = "call " + std::string(m.name);
    for (QLineEdit* edit : params_)
        line += ' ' + edit->text().trimmed().toStdString();
    if (!host(line)) {
        result_->setText(tr("not called: see the log"));
        return;
    }
    // By-reference arguments show what the method left in them.
    for (std::size_t a = 0; a < m.params.size(); ++a) {
        if (!m.params[a].by_ref) continue;
        script::Target arg;
        arg.kind = script::TargetKind::Arg;
        arg.arg = static_cast<int>(a) + 1;
        params_[a]->setText(qs(script::format_value(session().evaluate(arg))));
    }
}

void DemoWindow::write_property(int row) {
    const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(row)];
    const std::string typed = properties_->item(row, 2)->text().toStdString();
    const std::string value =
        p.type == ValueType::String ? script::format_value(script::Value::of_text(typed)) : typed;
    host("set " + std::string(p.name) + ' ' + value);
    refresh();  // a refused write shows the property's value again
}

bool DemoWindow::host(const std::string& line) {
    log(QStringLiteral("> ") + qs(line));
    try {
        const auto statement = script::parse_statement(line, 0);
        if (!statement) return true;
        const script::Outcome outcome = session().execute(*statement);
        log_outcome(outcome);
        if (!outcome.detail.empty()) result_->setText(qs(outcome.detail));
        refresh();
        return outcome.held;
    } catch (const script::ScriptError& e) {
        log(QStringLiteral("  not understood: ") + QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        log(QStringLiteral("  failed: ") + QString::fromUtf8(e.what()));
    }
    refresh();
    return false;
}

// ---- Sessions and replay.

void DemoWindow::replace_session(std::unique_ptr<Recorded> next) {
    // The panel and the POS let go of the old control before it goes.
    panel_->mirror(next->session.control());
    pos_pane_->attach(next->session.control());
    session_ = std::move(next);
    beeps_heard_ = session().platform().beeps();
    refresh();
    update_replay_controls();
}

void DemoWindow::new_session() {
    replace_session(fresh_session());
    pause_time_->setChecked(false);
    log(tr("new session"));
}

bool DemoWindow::load_script(const std::string& text, const std::string& name) {
    std::vector<script::Statement> statements;
    try {
        statements = script::parse_script(text);
    } catch (const script::ScriptError& e) {
        log(QStringLiteral("%1:%2: %3")
                .arg(qs(name))
                .arg(e.line())
                .arg(QString::fromUtf8(e.what())));
        return false;
    }
    // A replay owns the clock: ticks come from the script alone, which sets
    // its own clock if it wants one.
    pause_time_->setChecked(true);
    auto next = std::make_unique<Recorded>();
    next->pending.assign(statements.begin(), statements.end());
    replace_session(std::move(next));
    log(tr("replaying %1").arg(qs(name)));
    return true;
}

bool DemoWindow::step() {
    if (!replaying()) return false;
    const script::Statement s = session_->pending.front();
    session_->pending.pop_front();
    log(QStringLiteral("> ") + qs(s.text));
    bool held = false;
    try {
        const script::Outcome outcome = session().execute(s);
        log_outcome(outcome);
        held = outcome.held;
    } catch (const std::exception& e) {
        log(QStringLiteral("  failed: ") + QString::fromUtf8(e.what()));
    }
    refresh();
    update_replay_controls();
    return held;
}

bool DemoWindow::run_to_end() {
    while (replaying())
        if (!step()) return false;
    return true;
}

void DemoWindow::open_script() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Replay a script"), {}, kScriptFilter);
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        log(tr("cannot read %1").arg(path));
        return;
    }
    load_script(QString::fromUtf8(file.readAll()).toStdString(), path.toStdString());
}

void DemoWindow::save_script() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save the session"), {}, kScriptFilter);
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        log(tr("cannot write %1").arg(path));
        return;
    }
    file.write(QByteArray::fromStdString(script_text()));
    log(tr("session saved to %1").arg(path));
}

std::string DemoWindow::script_text() {
    // A run of ticks waits in the recorder for the next line; it belongs in
    // what is saved.
    session_->recorder.flush();
    return session_->text.str();
}

void DemoWindow::update_replay_controls() {
    const bool replaying = this->replaying();
    step_->setEnabled(replaying);
    run_->setEnabled(replaying);
    replay_state_->setText(replaying ? tr("%1 statements to replay; next: %2")
                                           .arg(session_->pending.size())
                                           .arg(qs(session_->pending.front().text))
                                     : tr("recording"));
}

// ---- What the host sees.

void DemoWindow::refresh() {
    refreshing_ = true;
    DorvaneCtl& ctl = session().control();
    for (int row = 0; row < properties_->rowCount(); ++row) {
        const QString text = qs(get_property(ctl, row).to_text());
        QTableWidgetItem* item = properties_->item(row, 2);
        if (item->text() != text) item->setText(text);
    }

    const PumpTable& t = ctl.pump_table();
    if (follow_sim_pump_->isChecked()) {
        const QSignalBlocker quiet(inspected_pump_);
        inspected_pump_->setValue(t.Sim_Pump + 1);
    }
    const int pump = inspected_pump_->value() - 1;
    std::vector<std::pair<QString, QString>> rows;
    for (const MemberInfo& m : pump_table_members()) {
        const auto value = [&](int k) {
            const long long v = m.read(t, k, pump);
            return qs(
                script::format_value(script::Value::of_number(v, m.type == ValueType::Boolean)));
        };
        const QString name = qs(std::string(m.name));
        switch (m.shape) {
            case MemberShape::Scalar:
                rows.emplace_back(name, value(0));
                break;
            case MemberShape::PerPump:
                rows.emplace_back(QStringLiteral("%1(%2)").arg(name).arg(pump), value(0));
                break;
            case MemberShape::PerItem:
                for (int k = 0; k < kItemKinds; ++k)
                    rows.emplace_back(QStringLiteral("%1(%2, %3)").arg(name).arg(k).arg(pump),
                                      value(k));
                break;
        }
    }
    if (inspector_->rowCount() != static_cast<int>(rows.size()))
        inspector_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < inspector_->rowCount(); ++r) {
        for (int c = 0; c < 2; ++c) {
            const QString& text = c == 0 ? rows[static_cast<std::size_t>(r)].first
                                         : rows[static_cast<std::size_t>(r)].second;
            QTableWidgetItem* item = inspector_->item(r, c);
            if (!item)
                inspector_->setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    }
    refreshing_ = false;

    if (session().platform().beeps() > beeps_heard_) {
        const long heard = session().platform().beeps() - beeps_heard_;
        beeps_heard_ = session().platform().beeps();
        log(heard == 1 ? tr("beep") : tr("beep x%1").arg(heard));
        flash_beep_mark();
        QApplication::beep();
    }
    const QString hint_text = qs(hint_for(ctl, pos_pane_->emulator(), pause_time_->isChecked()));
    if (hint_->text() != hint_text) hint_->setText(hint_text);
}

QString DemoWindow::hint() const {
    return hint_->text();
}

QString DemoWindow::log_text() const {
    return log_->toPlainText();
}

void DemoWindow::log(const QString& line) {
    const QString timed = clock_text() + QStringLiteral("  ") + line;
    log_->appendPlainText(timed);
    if (echo_) QTextStream(stdout) << timed << '\n';
}

void DemoWindow::log_outcome(const script::Outcome& outcome) {
    if (!outcome.detail.empty()) log(QStringLiteral("  ") + qs(outcome.detail));
    for (const auto& note : outcome.notes)
        log(QStringLiteral("  ") + qs(note));
}

}  // namespace dorvane::demo
