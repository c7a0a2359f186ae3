// The demo host: the control's panel beside a host panel that plays the POS.
// Every method of the control's surface can be called with its arguments,
// every property read and written, and the pump table inspected; everything
// done is logged and recorded as a scenario script by the session recorder,
// and a script can be replayed step by step.
#pragma once

#include <QMainWindow>
#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dorvane_widget.h"
#include "run/recorder.h"
#include "run/script.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace dorvane::demo {

class DemoWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The clock tells the local time at which each new session starts.
    using Clock = std::function<LocalDateTime()>;
    explicit DemoWindow(Clock clock);
    ~DemoWindow() override;

    qt::DorvaneWidget& panel() { return *panel_; }
    // The control of the session, on its virtual clock.
    script::Session& session() { return session_->session; }
    // The session so far, as the recorder wrote it: a script that replays
    // and checks what each step did.
    std::string script_text();
    bool replaying() const { return !session_->pending.empty(); }

    // A fresh control on the local clock, recording from scratch.
    void new_session();
    // A fresh control ready to replay the script; false (and logged) when
    // the script has a statement the language does not know.
    bool load_script(const std::string& text, const std::string& name);
    // Runs the next statement of the replay; false when none is left or an
    // expect failed.
    bool step();
    // Runs the replay to its end; false when an expect failed or a statement
    // could not run.
    bool run_to_end();
    // Runs one statement as the host (call, set, expect, print) and logs it.
    bool host(const std::string& line);
    // Also writes the log to standard output (for runs with no window).
    void echo_log(bool on) { echo_ = on; }

  private:
    void build_host_panel(QWidget* host);
    // One control on a virtual clock, recorded from its creation, and the
    // statements of a script still to replay into it.
    struct Recorded {
        script::Session session;
        std::ostringstream text;  // declared before the recorder, which writes to it
        script::Recorder recorder{session.control(), text};
        std::deque<script::Statement> pending;
    };

    std::unique_ptr<Recorded> fresh_session();
    void replace_session(std::unique_ptr<Recorded> next);
    void show_method_params();
    void call_method();
    void write_property(int row);
    void refresh();
    void log(const QString& line);
    void log_outcome(const script::Outcome& outcome);
    void save_script();
    void open_script();
    void update_replay_controls();

    Clock clock_;
    std::unique_ptr<Recorded> session_;
    qt::DorvaneWidget* panel_ = nullptr;
    QComboBox* method_ = nullptr;
    QWidget* params_box_ = nullptr;
    std::vector<QLineEdit*> params_;
    QLabel* result_ = nullptr;
    QTableWidget* properties_ = nullptr;
    QTableWidget* inspector_ = nullptr;
    QSpinBox* inspected_pump_ = nullptr;
    QCheckBox* follow_sim_pump_ = nullptr;
    QCheckBox* timer_running_ = nullptr;
    QPushButton* step_ = nullptr;
    QPushButton* run_ = nullptr;
    QLabel* replay_state_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    long beeps_heard_ = 0;
    bool refreshing_ = false;
    bool echo_ = false;
};

}  // namespace dorvane::demo
