#pragma once

#include <QScrollBar>

namespace corvantile {

// A scroll bar whose arrow keys move the way they point. Qt's scroll bar turns its controls
// round so that Up lowers the value, and for a horizontal bar that turns Left into "raise":
// this one lets Left lower the value and Right raise it (mirrored right to left). With the
// keyboard focus it shows a frame in the highlight colour inside its edge, which the platform's
// own bar does not.
class ScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace corvantile
