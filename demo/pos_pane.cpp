#include "pos_pane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "dorvane/common/format.h"

namespace dorvane::demo {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr int kExtraColumns = 3;

struct AnswerChoice {
    pos::Answer answer;
    const char* text;
};
constexpr std::array<AnswerChoice, 4> kAnswers{{
    {pos::Answer::confirm, "ring up and confirm"},
    {pos::Answer::fail, "fail the ring-up"},
    {pos::Answer::late, "answer late (after 15 s)"},
    {pos::Answer::never, "never answer"},
}};

const char* ending_text(pos::Ending e) {
    switch (e) {
        case pos::Ending::cash:
            return "finalized, cash";
        case pos::Ending::credit:
            return "finalized, credit";
        case pos::Ending::canceled:
            return "canceled";
    }
    return "";
}

}  // namespace

PosPane::PosPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* terminal_row = new QHBoxLayout;
    open_ = new QPushButton(tr("Open Terminal"), this);
    lock_ = new QPushButton(tr("Lock Terminal"), this);
    terminal_row->addWidget(open_);
    terminal_row->addWidget(lock_);
    layout->addLayout(terminal_row);
    terminal_state_ = new QLabel(this);
    layout->addWidget(terminal_state_);

    auto* fuel = new QGroupBox(tr("Fuel items"), this);
    auto* fuel_layout = new QVBoxLayout(fuel);
    auto* auto_row = new QHBoxLayout;
    auto_ring_up_ = new QCheckBox(tr("Auto ring-up"), fuel);
    auto_ring_up_->setToolTip(
        tr("Poll once a second; ring each item up and confirm it as chosen for the next item"));
    auto_row->addWidget(auto_ring_up_);
    auto* ring_up = new QPushButton(tr("Ring Up Next"), fuel);
    ring_up->setToolTip(tr("Poll once now and answer the item that comes"));
    auto_row->addWidget(ring_up);
    fuel_layout->addLayout(auto_row);
    auto* answer_row = new QHBoxLayout;
    answer_row->addWidget(new QLabel(tr("Next item:"), fuel));
    next_answer_ = new QComboBox(fuel);
    for (const AnswerChoice& c : kAnswers)
        next_answer_->addItem(tr(c.text));
    next_answer_->setToolTip(tr("How the POS answers the next item; then it confirms again"));
    answer_row->addWidget(next_answer_, 1);
    fuel_layout->addLayout(answer_row);
    layout->addWidget(fuel);

    receipt_ = new QPlainTextEdit(this);
    receipt_->setReadOnly(true);
    receipt_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    receipt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(receipt_, 1);
    auto* pay_row = new QHBoxLayout;
    cash_ = new QPushButton(tr("Finalize Cash"), this);
    credit_ = new QPushButton(tr("Finalize Credit"), this);
    cancel_ = new QPushButton(tr("Cancel"), this);
    pay_row->addWidget(cash_);
    pay_row->addWidget(credit_);
    pay_row->addWidget(cancel_);
    layout->addLayout(pay_row);
    last_ = new QLabel(this);
    layout->addWidget(last_);

    auto* extras = new QGroupBox(tr("Car wash and pricing"), this);
    auto* extras_layout = new QGridLayout(extras);
    const struct {
        const char* text;
        const char* tip;
        void (pos::PosEmulator::*op)();
    } extra_keys[] = {
        {"Request Car Wash", "Ask the control for a car wash; poll within 15 s",
         &pos::PosEmulator::request_car_wash},
        {"Poll Car Wash", "Collect the car wash: its PIN, price and PLU become a line",
         &pos::PosEmulator::poll_car_wash},
        {"Price Change?", "Ask whether a price change waits, and apply it if one does",
         &pos::PosEmulator::check_price_change},
        {"Request Pricing", "Ask the control for fuel pricing; poll within 15 s",
         &pos::PosEmulator::request_pricing},
        {"Poll Pricing", "Collect the answer to the pricing request",
         &pos::PosEmulator::poll_pricing},
    };
    int place = 0;
    for (const auto& [text, tip, op] : extra_keys) {
        auto* b = new QPushButton(tr(text), extras);
        b->setToolTip(tr(tip));
        connect(b, &QPushButton::clicked, this, [this, op] { run([&] { (*pos_.*op)(); }); });
        extras_layout->addWidget(b, place / kExtraColumns, place % kExtraColumns);
        ++place;
    }
    layout->addWidget(extras);

    connect(ring_up, &QPushButton::clicked, this, [this] { run([&] { pos_->ring_up_next(); }); });
    connect(open_, &QPushButton::clicked, this, [this] { toggle_terminal(); });
    connect(lock_, &QPushButton::clicked, this, [this] { toggle_lock(); });
    connect(cash_, &QPushButton::clicked, this,
            [this] { run([&] { pos_->finalize(pos::Tender::cash); }); });
    connect(credit_, &QPushButton::clicked, this,
            [this] { run([&] { pos_->finalize(pos::Tender::credit); }); });
    connect(cancel_, &QPushButton::clicked, this, [this] { run([&] { pos_->cancel(); }); });
    connect(auto_ring_up_, &QCheckBox::clicked, this,
            [this](bool on) { run([&] { pos_->set_auto_ring_up(on); }); });
    connect(next_answer_, &QComboBox::activated, this, [this](int index) {
        run([&] { pos_->set_next_answer(kAnswers[static_cast<std::size_t>(index)].answer); });
    });
}

PosPane::~PosPane() = default;

void PosPane::attach(DorvaneCtl& control) {
    pos_ = std::make_unique<pos::PosEmulator>(control);
    notes_published_ = 0;
    refresh();
}

// Faults of the control's calls belong to the host: shown, never thrown
// into Qt's event loop. The emulator stays consistent when a call fails.
template <typename F>
void PosPane::run(F&& operation) {
    try {
        operation();
    } catch (const std::exception& e) {
        emit faulted(QString::fromUtf8(e.what()));
    }
    publish_notes();
    refresh();
    emit acted();
}

void PosPane::tick() {
    try {
        pos_->tick();
    } catch (const std::exception& e) {
        emit faulted(QString::fromUtf8(e.what()));
    }
    publish_notes();
    refresh();
}

void PosPane::publish_notes() {
    const auto& notes = pos_->notes();
    for (; notes_published_ < notes.size(); ++notes_published_)
        emit noted(qs(notes[notes_published_]));
}

void PosPane::toggle_terminal() {
    run([&] {
        if (pos_->terminal() == pos::TerminalState::closed)
            pos_->open_terminal();
        else
            pos_->close_terminal();
    });
}

void PosPane::toggle_lock() {
    run([&] {
        if (pos_->terminal() == pos::TerminalState::locked)
            pos_->unlock_terminal();
        else
            pos_->lock_terminal();
    });
}

QString PosPane::receipt_text() const {
    return receipt_->toPlainText();
}

void PosPane::refresh() {
    const pos::PosEmulator& p = *pos_;
    const bool closed = p.terminal() == pos::TerminalState::closed;
    const bool locked = p.terminal() == pos::TerminalState::locked;
    open_->setText(closed ? tr("Open Terminal") : tr("Close Terminal"));
    lock_->setText(locked ? tr("Unlock Terminal") : tr("Lock Terminal"));
    lock_->setEnabled(!closed);
    const pos::Settings& s = p.settings();
    terminal_state_->setText(closed ? tr("Terminal closed")
                                    : tr("Terminal %1: cashier %2, terminal %3, day %4")
                                          .arg(locked ? tr("locked") : tr("open"))
                                          .arg(s.cashier)
                                          .arg(s.terminal)
                                          .arg(s.day));
    auto_ring_up_->setChecked(p.auto_ring_up());
    for (std::size_t i = 0; i < kAnswers.size(); ++i)
        if (kAnswers[i].answer == p.next_answer())
            next_answer_->setCurrentIndex(static_cast<int>(i));

    QString text;
    for (const pos::Line& l : p.open_transaction().lines) {
        text += qs(l.text()) + '\n';
        if (!l.details().empty()) text += QStringLiteral("    ") + qs(l.details()) + '\n';
    }
    text += tr("Total %1").arg(qs(format_money(p.open_transaction().total())));
    if (p.holding_item()) text += tr("\n(an item is out, not answered yet)");
    if (receipt_->toPlainText() != text) receipt_->setPlainText(text);

    const auto& done = p.closed_transactions();
    last_->setText(done.empty() ? tr("No transaction closed yet")
                                : tr("Last transaction: %1 lines, total %2, %3")
                                      .arg(done.back().transaction.lines.size())
                                      .arg(qs(format_money(done.back().transaction.total())))
                                      .arg(tr(ending_text(done.back().ending))));
}

}  // namespace dorvane::demo
