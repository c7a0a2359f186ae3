#include "panel_button.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLine>
#include <algorithm>
#include <cmath>

#include "geometry.h"

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
// The keyboard-focus mark: a dotted rectangle this far inside the key.
constexpr int kFocusInset = 3;

// Laid-out captions by what they were laid out for, shared by all keys.
// Emptied when full: keys keep the captions they show, and a panel shows
// far fewer than this many distinct ones at a time.
constexpr qsizetype kCaptionCacheSize = 512;

struct CaptionKey {
    QString text;
    QFont font;
    QSize box;
    Qt::LayoutDirection direction;
    int dpi;
    bool operator==(const CaptionKey&) const = default;
};

size_t qHash(const CaptionKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.text, k.font, k.box.width(), k.box.height(),
                      static_cast<int>(k.direction), k.dpi);
}

}  // namespace

PanelButton::PanelButton(Look look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    // Keys take the focus on a click, so that the purchase box hears the
    // focus leave it before the click is handled.
    setFocusPolicy(Qt::StrongFocus);
    if (look_ == Look::Option) setCheckable(true);
    mark_opaque();
}

// A graphical key or an option button fills its whole rectangle, so Qt need
// not paint what lies beneath it first, nor repaint what it covers when
// something under it changes. A standard key's platform bevel may leave its
// corners to show through.
void PanelButton::mark_opaque() {
    if (look_ != Look::Standard) setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PanelButton::event(QEvent* event) {
    const bool handled = QAbstractButton::event(event);
    // Styles may clear WA_OpaquePaintEvent when they polish a widget (Fusion
    // does, on every widget), which happens when the key is first shown and
    // again when the style changes; both events come after the polish.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange) mark_opaque();
    return handled;
}

void PanelButton::set_back(Colour c) {
    if (back_ == c) return;
    back_ = c;
    update();
}

QColor PanelButton::painted_back() const {
    if (back_.kind == Colour::Kind::Rgb && look_ != Look::Standard) return to_qcolor(back_);
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
    if (hasFocus()) paint_focus_mark(p, r);
}

void PanelButton::paint_focus_mark(QPainter& p, const QRect& r) const {
    p.save();
    QPen pen(kCaption);
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
    p.restore();
}

bool PanelButton::covered(const QRect& r) const {
    const QWidget* parent = parentWidget();
    if (!parent) return false;
    const QRect area = r.translated(pos());
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(const_cast<PanelButton*>(this)) + 1; i < siblings.size();
         ++i) {
        const auto* w = qobject_cast<const QWidget*>(siblings[i]);
        if (w && !w->isHidden() && w->testAttribute(Qt::WA_OpaquePaintEvent) &&
            w->geometry().intersects(area))
            return true;
    }
    return false;
}

void PanelButton::paint_bevel(QPainter& p, const QRect& r) const {
    const QColor outer_tl = isDown() ? kEdgeDark : kEdgeLight;
    const QColor inner_tl = isDown() ? kEdgeShadow : painted_back();
    const QColor outer_br = isDown() ? kEdgeLight : kEdgeDark;
    const QColor inner_br = isDown() ? painted_back() : kEdgeShadow;
    const int x0 = r.left(), y0 = r.top(), x1 = r.right(), y1 = r.bottom();
    // Each edge is a run of pixels one wide, filled as a rectangle: the same
    // pixels as a one-pixel line, for a fraction of the cost of stroking.
    // The order matters where edges meet: a later edge covers an earlier one.
    const auto row = [&](int y, int from, int to, const QColor& c) {
        if (to >= from) p.fillRect(QRect(from, y, to - from + 1, 1), c);
    };
    const auto column = [&](int x, int from, int to, const QColor& c) {
        if (to >= from) p.fillRect(QRect(x, from, 1, to - from + 1), c);
    };
    row(y0, x0, x1 - 1, outer_tl);
    column(x0, y0, y1 - 1, outer_tl);
    row(y1, x0, x1, outer_br);
    column(x1, y0, y1, outer_br);
    row(y0 + 1, x0 + 1, x1 - 2, inner_tl);
    column(x0 + 1, y0 + 1, y1 - 2, inner_tl);
    row(y1 - 1, x0 + 1, x1 - 1, inner_br);
    column(x1 - 1, y0 + 1, y1 - 1, inner_br);
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

void PanelButton::update_caption(QSize box) {
    if (caption_ && caption_box_ == box && caption_text_ == text() && caption_font_ == font() &&
        caption_direction_ == layoutDirection())
        return;
    caption_text_ = text();
    caption_font_ = font();
    caption_box_ = box;
    caption_direction_ = layoutDirection();
    static QHash<CaptionKey, std::shared_ptr<const Caption>> cache;
    CaptionKey key{caption_text_, caption_font_, box, caption_direction_, logicalDpiY()};
    if (const auto found = cache.constFind(key); found != cache.cend()) {
        caption_ = found.value();
        return;
    }
    if (cache.size() >= kCaptionCacheSize) cache.clear();
    caption_ = lay_out_caption(box);
    cache.insert(std::move(key), caption_);
}

std::shared_ptr<const PanelButton::Caption> PanelButton::lay_out_caption(QSize box) const {
    QFont fitted = font();
    const QRect fit_box(QPoint(kCaptionMargin, kCaptionMargin), box);
    for (;;) {
        const QRect need = QFontMetrics(fitted).boundingRect(fit_box, kCaptionFlags, text());
        if ((need.width() <= box.width() && need.height() <= box.height()) ||
            fitted.pixelSize() <= kSmallestCaptionPixels)
            break;
        fitted.setPixelSize(fitted.pixelSize() - 1);
    }

    // The lines as QPainter::drawText(box, kCaptionFlags, caption) lays them
    // out, so that drawing them later puts every glyph where it would have:
    // carriage returns and tabs become spaces, newlines break lines, lines
    // start on whole pixels one leading apart, and no line is laid out
    // below the one that reaches the bottom of the box.
    QString caption = text();
    if (const auto variant_end = caption.indexOf(QChar(0x9C)); variant_end >= 0)
        caption.truncate(variant_end);
    for (QChar& c : caption) {
        if (c == u'\r' || c == u'\t')
            c = u' ';
        else if (c == u'\n')
            c = QChar::LineSeparator;
    }
    const QFont device_font(fitted, this);
    QTextOption option;
    option.setTextDirection(layoutDirection());
    option.setAlignment(Qt::AlignLeft);  // each line is centred when drawn
    auto laid_out = std::make_shared<Caption>();
    QTextLayout& lines = laid_out->lines;
    lines.setText(caption);
    lines.setFont(device_font);
    lines.setTextOption(option);
    lines.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(device_font).leading();
    qreal height = -leading;
    qreal width = 0;
    lines.beginLayout();
    if (!caption.isEmpty()) {
        for (;;) {
            QTextLine line = lines.createLine();
            if (!line.isValid()) break;
            line.setLineWidth(std::max(0, box.width()));
            height += leading;
            height = std::ceil(height);
            line.setPosition(QPointF(0, height));
            height += line.ascent() + line.descent();
            width = std::max(width, line.naturalTextWidth());
            if (height >= box.height()) break;
        }
    }
    lines.endLayout();
    laid_out->size = QSizeF(width, height);
    laid_out->top = (box.height() - height) / 2;
    return laid_out;
}

// Each line centred across the box, the lines together centred down it;
// lines that overflow the box are clipped to it.
void PanelButton::draw_caption(QPainter& p, QPoint at) const {
    const QTextLayout& lines = caption_->lines;
    if (lines.lineCount() == 0) return;
    const QRectF box(at, caption_box_);
    const QRectF all(box.x() + (box.width() - caption_->size.width()) / 2, box.y() + caption_->top,
                     caption_->size.width(), caption_->size.height());
    const bool clip = !box.contains(all);
    if (clip) {
        p.save();
        p.setClipRect(box, Qt::IntersectClip);
    }
    for (int i = 0; i < lines.lineCount(); ++i) {
        const QTextLine line = lines.lineAt(i);
        line.draw(&p, QPointF(box.x() + (box.width() - line.horizontalAdvance()) / 2,
                              box.y() + caption_->top));
    }
    if (clip) p.restore();
}

QRect PanelButton::caption_rect() {
    // An option button draws its caption beside its indicator, and no key
    // ever lies on one.
    if (look_ == Look::Option) return {};
    const QRect box =
        rect().adjusted(kCaptionMargin, kCaptionMargin, -kCaptionMargin, -kCaptionMargin);
    update_caption(box.size());
    if (caption_->lines.lineCount() == 0) return {};
    const QRectF all(box.x() + (box.width() - caption_->size.width()) / 2, box.y() + caption_->top,
                     caption_->size.width(), caption_->size.height());
    return all.toAlignedRect().intersected(box);
}

void PanelButton::paint_caption(QPainter& p, const QRect& r, bool emboss) {
    const QRect box = r.adjusted(kCaptionMargin, kCaptionMargin, -kCaptionMargin, -kCaptionMargin);
    // A caption that keys above this one cover in part is not drawn at all:
    // a frame under a pump-number key would otherwise show slivers of its
    // own number around the key.
    const QRect caption = caption_rect();
    if (caption.isEmpty() || covered(caption)) return;
    if (isEnabled()) {
        p.setPen(look_ == Look::Standard ? palette().color(QPalette::ButtonText) : kCaption);
        draw_caption(p, box.topLeft());
        return;
    }
    // Greyed text, etched as disabled captions traditionally are.
    if (emboss) {
        p.setPen(kEdgeLight);
        draw_caption(p, box.topLeft() + QPoint(1, 1));
    }
    p.setPen(look_ == Look::Standard ? palette().color(QPalette::Disabled, QPalette::ButtonText)
                                     : kCaptionGreyed);
    draw_caption(p, box.topLeft());
}

}  // namespace dorvane::qt
