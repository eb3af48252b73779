#pragma once

#include "command_button.h"

namespace corvantile {

// A command button whose caption wraps onto several lines when it is wider than the button.
// text() is the caption as given; only the painting breaks it into lines.
class WrappingButton : public CommandButton
{
    Q_OBJECT

public:
    explicit WrappingButton(const QString &caption, QWidget *parent = nullptr);

    // Where the caption's lines are laid out and drawn.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace corvantile
