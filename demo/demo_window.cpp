#include "demo_window.h"

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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextStream>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "control/surface.h"
#include "forecourt/members.h"

namespace dorvane::demo {

namespace {

constexpr const char* kTitle = "Dorvane demo host";
constexpr const char* kScriptFilter = "Scenario scripts (*.dvs);;All files (*)";
constexpr int kPumps = 24;
constexpr int kItemsPerPump = 3;
constexpr int kHostPanelWidth = 460;
constexpr int kLogLines = 10;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString type_name(ValueType t) {
    return t == kVariantParam ? QStringLiteral("Variant") : QString(value_type_name(t));
}

// The text a parameter editor starts with: a value of its type.
QString default_argument(ValueType t) {
    return t == ValueType::Boolean ? QStringLiteral("False") : QStringLiteral("0");
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
    panel_ = new qt::DorvaneWidget(session_->session.control(), qt::DorvaneWidget::Ticks::Timer,
                                   central);
    left->addWidget(panel_);
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
    connect(panel_, &qt::DorvaneWidget::aboutToTick, this,
            [this] { session().platform().advance_seconds(1); });
    connect(panel_, &qt::DorvaneWidget::ticked, this, [this] { refresh(); });
    connect(panel_, &qt::DorvaneWidget::faultCaught, this,
            [this](const QString& what) { log(QStringLiteral("  fault: ") + what); });
    refresh();
    update_replay_controls();
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
    timer_running_ = new QCheckBox(tr("Timer1 running"), host);
    timer_running_->setChecked(true);
    replay_row->addWidget(step_);
    replay_row->addWidget(run_);
    replay_row->addWidget(timer_running_);
    layout->addLayout(replay_row);
    replay_state_ = new QLabel(host);
    replay_state_->setWordWrap(true);
    layout->addWidget(replay_state_);
    connect(fresh, &QPushButton::clicked, this, [this] { new_session(); });
    connect(open, &QPushButton::clicked, this, [this] { open_script(); });
    connect(save, &QPushButton::clicked, this, [this] { save_script(); });
    connect(step_, &QPushButton::clicked, this, [this] { step(); });
    connect(run_, &QPushButton::clicked, this, [this] { run_to_end(); });
    connect(timer_running_, &QCheckBox::toggled, this, [this](bool on) {
        panel_->set_ticks(on ? qt::DorvaneWidget::Ticks::Timer : qt::DorvaneWidget::Ticks::Manual);
    });

    auto* tabs = new QTabWidget(host);
    layout->addWidget(tabs, 1);

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
    inspected_pump_->setRange(1, kPumps);
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
    // The panel lets go of the old control before it goes.
    panel_->mirror(next->session.control());
    session_ = std::move(next);
    beeps_heard_ = session().platform().beeps();
    refresh();
    update_replay_controls();
}

void DemoWindow::new_session() {
    replace_session(fresh_session());
    timer_running_->setChecked(true);
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
    timer_running_->setChecked(false);
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
                for (int k = 0; k < kItemsPerPump; ++k)
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
        beeps_heard_ = session().platform().beeps();
        QApplication::beep();
    }
}

void DemoWindow::log(const QString& line) {
    log_->appendPlainText(line);
    if (echo_) QTextStream(stdout) << line << '\n';
}

void DemoWindow::log_outcome(const script::Outcome& outcome) {
    if (!outcome.detail.empty()) log(QStringLiteral("  ") + qs(outcome.detail));
    for (const auto& note : outcome.notes)
        log(QStringLiteral("  ") + qs(note));
}

}  // namespace dorvane::demo
