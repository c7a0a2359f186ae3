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

#include "dorvane/qt/dorvane_widget.h"
#include "run/recorder.h"
#include "run/script.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace dorvane::demo {

class PosPane;

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
    PosPane& pos_pane() { return *pos_pane_; }
    // The one-line hint under the panel.
    QString hint() const;
    // The log as shown.
    QString log_text() const;

    // Scale of the panel; a zoom also ends "fit to window".
    void set_zoom(double zoom);
    void fit_to_window();
    // The "Pause time" switch.
    void set_time_paused(bool paused);

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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    void build_menus();
    void show_help(int flow);
    void after_tick();
    void flash_beep_mark();
    void show_scroll_bars(bool on);
    QString clock_text();
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
    QCheckBox* pause_time_ = nullptr;
    QLabel* beep_mark_ = nullptr;
    QTimer* beep_flash_ = nullptr;
    QLabel* hint_ = nullptr;
    QScrollArea* panel_area_ = nullptr;
    QActionGroup* zooms_ = nullptr;
    QAction* fit_ = nullptr;
    PosPane* pos_pane_ = nullptr;
    // The message lines as they were before the tick under way.
    std::string messages_before_tick_[2];
    QPushButton* step_ = nullptr;
    QPushButton* run_ = nullptr;
    QLabel* replay_state_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    long beeps_heard_ = 0;
    bool refreshing_ = false;
    bool echo_ = false;
};

}  // namespace dorvane::demo
