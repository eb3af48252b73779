#include "wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace corvantile {

WrappingButton::WrappingButton(const QString &caption, QWidget *parent)
    : CommandButton(caption, parent)
{}

// The caption wraps within the button less its outer line, whatever margins the style keeps
// for a one-line caption, so that it stands on the same two lines in every style.
QRect WrappingButton::captionRect() const
{
    constexpr int edge = 1;
    return rect().adjusted(edge, edge, -edge, -edge);
}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect textRect = captionRect();
    if (isDown())
        textRect.translate(1, 1);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

} // namespace corvantile
