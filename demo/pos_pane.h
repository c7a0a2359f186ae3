// The demo's host side: the POS emulator's keys and its receipt. Every key
// runs one operation of the emulator; what the emulator notes is handed on
// through noted(), faults of the control's calls through faulted().
#pragma once

#include <QWidget>
#include <memory>

#include "pos_emulator.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dorvane::demo {

class PosPane : public QWidget {
    Q_OBJECT
  public:
    explicit PosPane(QWidget* parent = nullptr);
    ~PosPane() override;

    // A fresh emulator on the control of a new session.
    void attach(DorvaneCtl& control);
    pos::PosEmulator& emulator() { return *pos_; }
    // After every tick of the control.
    void tick();
    // Shows the emulator's state again.
    void refresh();

    // The keys, for tests that press them as a tester does.
    QPushButton* open_key() const { return open_; }
    QPushButton* finalize_cash_key() const { return cash_; }
    QPushButton* finalize_credit_key() const { return credit_; }
    QPushButton* cancel_key() const { return cancel_; }
    QString receipt_text() const;

  signals:
    void noted(const QString& note);
    void faulted(const QString& what);
    // After an operation changed something the window shows.
    void acted();

  private:
    template <typename F>
    void run(F&& operation);
    void publish_notes();

    void toggle_terminal();
    void toggle_lock();

    std::unique_ptr<pos::PosEmulator> pos_;
    std::size_t notes_published_ = 0;
    QPushButton* open_ = nullptr;
    QPushButton* lock_ = nullptr;
    QPushButton* cash_ = nullptr;
    QPushButton* credit_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* auto_ring_up_ = nullptr;
    QComboBox* next_answer_ = nullptr;
    QLabel* terminal_state_ = nullptr;
    QPlainTextEdit* receipt_ = nullptr;
    QLabel* last_ = nullptr;
};

}  // namespace dorvane::demo
