#include "wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace corvantile {

WrappingButton::WrappingButton(const QString &caption, QWidget *parent)
    : CommandButton(caption, parent)
{}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect textRect = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown())
        textRect.translate(1, 1);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

} // namespace corvantile
