// A button of the panel, drawn the way the control's face needs it: a
// graphical key or display that paints its back colour, a standard key in the
// platform's own look, or an option button. Captions wrap on word boundaries
// and are centred, since many keys are too narrow for their text on one line.
#pragma once

#include <QAbstractButton>

#include "panel/colours.h"

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
    void paintEvent(QPaintEvent* event) override;
    // The model decides the selection of an option button: a click only
    // reports itself and never checks or unchecks the button on its own.
    void nextCheckState() override {}

  private:
    void paint_bevel(QPainter& p, const QRect& r) const;
    void paint_option(QPainter& p, const QRect& r) const;
    void paint_caption(QPainter& p, const QRect& r, bool emboss);
    const QFont& caption_font(const QRect& box);

    Look look_;
    // The panel's font, made smaller where a caption would not fit its key
    // (narrow keys with long captions); kept until caption, font or size change.
    QFont fitted_;
    QString fitted_text_;
    QFont fitted_for_;
    QSize fitted_size_;
    Colour back_ = Colour::face();
};

}  // namespace dorvane::qt
