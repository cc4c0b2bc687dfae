#include "toolkit/graphic_button.h"

#include "toolkit/fonts.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tk {

namespace {
constexpr int kMargin = 3; // pixels around the picture and the caption
}

GraphicButton::GraphicButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), design_(font()), caption_(font()) {}

void GraphicButton::setDesignFont(const QFont& font) {
    design_ = font;
    setFont(font);
    fittedFor_ = QSize();
}

QFont GraphicButton::captionFont() {
    fit();
    return caption_;
}

bool GraphicButton::captionFits() {
    fit();
    return fits_;
}

QRect GraphicButton::captionRect() const {
    const int iconHeight = icon().isNull() ? 0 : iconSize().height() + kMargin;
    return rect().adjusted(kMargin, kMargin + iconHeight, -kMargin, -kMargin);
}

void GraphicButton::fit() {
    if (fittedFor_ == size())
        return;
    fittedFor_ = size();
    // The design's font first: the picture gives way down to 16 pixels, then the font by
    // quarter points until the caption fits its box.
    if (!wantedIcon_.isValid())
        wantedIcon_ = iconSize();
    const QString text = this->text();
    setIconSize(wantedIcon_);
    while (!lineFits(design_, text, captionRect().size()) && iconSize().height() > 16)
        setIconSize(iconSize() - QSize(1, 1));
    const FittedFont fitted = fitFont(design_, text, captionRect().size());
    caption_ = fitted.font;
    fits_ = fitted.fits;
    setToolTip(fits_ ? QString() : text);
}

QSize GraphicButton::sizeHint() const {
    const QFontMetrics fm(design_);
    const QSize icon = this->icon().isNull() ? QSize() : iconSize();
    return {std::max(icon.width(), fm.horizontalAdvance(text())) + 4 * kMargin,
            icon.height() + fm.height() + 4 * kMargin};
}

void GraphicButton::paintEvent(QPaintEvent*) {
    fit();
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    p.drawControl(QStyle::CE_PushButton, option); // the bevel, focus and pressed look
    const bool down = isDown() || isChecked();
    const int shift = down ? 1 : 0;
    if (!icon().isNull()) {
        const QSize s = iconSize();
        const QPixmap pm = icon().pixmap(s, devicePixelRatioF(),
                                         isEnabled() ? QIcon::Normal : QIcon::Disabled);
        p.drawPixmap(QPoint((width() - s.width()) / 2 + shift, kMargin + shift), pm);
    }
    p.setFont(caption_);
    const QRect box = captionRect().translated(shift, shift);
    const QString shown =
        fits_ ? text() : QFontMetrics(caption_).elidedText(text(), Qt::ElideRight, box.width());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                             QPalette::ButtonText));
    p.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void GraphicButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::StyleChange)
        fittedFor_ = QSize();
}

} // namespace tk
