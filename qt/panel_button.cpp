#include "panel_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace dorvane::qt {

namespace {

// The classic three-dimensional edge of a graphical button.
const QColor kEdgeDark(0x00, 0x00, 0x00);
const QColor kEdgeShadow(0x80, 0x80, 0x80);
const QColor kEdgeLight(0xFF, 0xFF, 0xFF);
const QColor kCaption(0x00, 0x00, 0x00);
const QColor kCaptionGreyed(0x80, 0x80, 0x80);
constexpr int kCaptionMargin = 2;
constexpr int kSmallestCaptionPixels = 7;
constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap;

QColor to_qcolor(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

PanelButton::PanelButton(Look look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    // Keys take the focus on a click, so that the purchase box hears the
    // focus leave it before the click is handled.
    setFocusPolicy(Qt::StrongFocus);
    if (look_ == Look::Option) setCheckable(true);
}

void PanelButton::set_back(Colour c) {
    if (back_ == c) return;
    back_ = c;
    update();
}

QColor PanelButton::painted_back() const {
    if (back_.kind == Colour::Kind::Rgb && look_ != Look::Standard) return to_qcolor(back_.rgb);
    return palette().color(QPalette::Button);
}

void PanelButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    switch (look_) {
        case Look::Standard: {
            QStyleOptionButton opt;
            opt.initFrom(this);
            if (isDown())
                opt.state |= QStyle::State_Sunken;
            else
                opt.state |= QStyle::State_Raised;
            style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
            paint_caption(p, r, false);
            break;
        }
        case Look::Graphical:
            p.fillRect(r, painted_back());
            paint_bevel(p, r);
            paint_caption(p, isDown() ? r.translated(1, 1) : r, true);
            break;
        case Look::Option:
            p.fillRect(r, painted_back());
            paint_option(p, r);
            break;
    }
}

void PanelButton::paint_bevel(QPainter& p, const QRect& r) const {
    const QColor outer_tl = isDown() ? kEdgeDark : kEdgeLight;
    const QColor inner_tl = isDown() ? kEdgeShadow : painted_back();
    const QColor outer_br = isDown() ? kEdgeLight : kEdgeDark;
    const QColor inner_br = isDown() ? painted_back() : kEdgeShadow;
    const int x0 = r.left(), y0 = r.top(), x1 = r.right(), y1 = r.bottom();
    p.setPen(outer_tl);
    p.drawLine(x0, y0, x1 - 1, y0);
    p.drawLine(x0, y0, x0, y1 - 1);
    p.setPen(outer_br);
    p.drawLine(x0, y1, x1, y1);
    p.drawLine(x1, y0, x1, y1);
    p.setPen(inner_tl);
    p.drawLine(x0 + 1, y0 + 1, x1 - 2, y0 + 1);
    p.drawLine(x0 + 1, y0 + 1, x0 + 1, y1 - 2);
    p.setPen(inner_br);
    p.drawLine(x0 + 1, y1 - 1, x1 - 1, y1 - 1);
    p.drawLine(x1 - 1, y0 + 1, x1 - 1, y1 - 1);
}

void PanelButton::paint_option(QPainter& p, const QRect& r) const {
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (isDown()) opt.state |= QStyle::State_Sunken;
    const int side = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &opt, this);
    opt.rect = QRect(r.left() + 1, r.top() + (r.height() - side) / 2, side, side);
    style()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &opt, &p, this);
    p.setPen(isEnabled() ? kCaption : kCaptionGreyed);
    p.setFont(font());
    p.drawText(r.adjusted(side + 3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

const QFont& PanelButton::caption_font(const QRect& box) {
    if (fitted_text_ == text() && fitted_for_ == font() && fitted_size_ == box.size())
        return fitted_;
    fitted_text_ = text();
    fitted_for_ = font();
    fitted_size_ = box.size();
    fitted_ = font();
    for (;;) {
        const QRect need = QFontMetrics(fitted_).boundingRect(box, kCaptionFlags, fitted_text_);
        if ((need.width() <= box.width() && need.height() <= box.height()) ||
            fitted_.pixelSize() <= kSmallestCaptionPixels)
            break;
        fitted_.setPixelSize(fitted_.pixelSize() - 1);
    }
    return fitted_;
}

void PanelButton::paint_caption(QPainter& p, const QRect& r, bool emboss) {
    const QRect box = r.adjusted(kCaptionMargin, kCaptionMargin, -kCaptionMargin, -kCaptionMargin);
    const int flags = kCaptionFlags;
    p.setFont(caption_font(box));
    if (isEnabled()) {
        p.setPen(look_ == Look::Standard ? palette().color(QPalette::ButtonText) : kCaption);
        p.drawText(box, flags, text());
        return;
    }
    // Greyed text, etched as disabled captions traditionally are.
    if (emboss) {
        p.setPen(kEdgeLight);
        p.drawText(box.translated(1, 1), flags, text());
    }
    p.setPen(look_ == Look::Standard ? palette().color(QPalette::Disabled, QPalette::ButtonText)
                                     : kCaptionGreyed);
    p.drawText(box, flags, text());
}

}  // namespace dorvane::qt
