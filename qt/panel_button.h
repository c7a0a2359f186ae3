// A button of the panel, drawn the way the control's face needs it: a
// graphical key or display that paints its back colour, a standard key in the
// platform's own look, or an option button. Captions wrap on word boundaries
// and are centred, since many keys are too narrow for their text on one line.
#pragma once

#include <QAbstractButton>
#include <QTextLayout>
#include <memory>

#include "dorvane/panel/colours.h"

namespace dorvane::qt {

class PanelButton : public QAbstractButton {
    Q_OBJECT
  public:
    enum class Look { Graphical, Standard, Option };

    PanelButton(Look look, QWidget* parent);

    Look look() const { return look_; }
    // The colour the model asks for; a standard key ignores it.
    void set_back(Colour c);
    // The colour actually painted behind the caption.
    QColor painted_back() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The model decides the selection of an option button: a click only
    // reports itself and never checks or unchecks the button on its own.
    void nextCheckState() override {}

  private:
    // A caption fitted and laid out for a box: the panel's font, made
    // smaller where the caption would not fit (narrow keys with long
    // captions), and its lines wrapped on word boundaries and centred.
    struct Caption {
        QTextLayout lines;
        qreal top = 0;  // of the first line, from the box's top
        QSizeF size;    // of the lines together
    };

    void mark_opaque();
    void paint_bevel(QPainter& p, const QRect& r) const;
    void paint_option(QPainter& p, const QRect& r) const;
    void paint_caption(QPainter& p, const QRect& r, bool emboss);
    void draw_caption(QPainter& p, QPoint at) const;
    void update_caption(QSize box);
    std::shared_ptr<const Caption> lay_out_caption(QSize box) const;

    Look look_;
    // The caption as painted, and what it was laid out for. Fitting and
    // laying out a caption costs far more than drawing it, so it is done
    // again only when caption, font, size or direction change, and then
    // shared by every key that shows the same caption the same way (the
    // pump displays show the same few words over and over).
    std::shared_ptr<const Caption> caption_;
    QString caption_text_;
    QFont caption_font_;
    QSize caption_box_;
    Qt::LayoutDirection caption_direction_ = Qt::LeftToRight;
    Colour back_ = Colour::face();
};

}  // namespace dorvane::qt
