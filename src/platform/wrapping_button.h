#pragma once

#include <QPushButton>

namespace corvantile {

// A command button whose caption wraps onto several lines when it is wider than the button.
// text() is the caption as given; only the painting breaks it into lines.
class WrappingButton : public QPushButton
{
    Q_OBJECT

public:
    explicit WrappingButton(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace corvantile
