#pragma once

#include <QPointer>
#include <QWidget>

class QMouseEvent;
class QPainter;

namespace corvantile {

// The sunken border of a box, in whole screen pixels (the painter counts them): its outer half
// dark above and left and light below and right, its inner half the shadow and the midlight,
// as the platform's two-pixel panel is. With the focus, the inner half is in the highlight
// colour.
void paintSunkenPanel(QPainter &painter, const QRect &outer, int width, const QPalette &palette,
                      bool focused);

// A sunken two-pixel frame that holds child controls in the area inside it, as a picture box
// that only holds others does. With the focus, the inner line of its border is in the
// highlight colour.
//
// On a scaled screen a child is drawn on the screen pixels its edge only partly covers, on the
// right and at the bottom, but Qt rounds the pointer's position to a whole layout pixel to
// find the control under it, and gives a pointer on such a pixel to the frame. The frame
// passes it on to the child whose own area holds the position with its fraction.
class SunkenFrame : public QWidget
{
    Q_OBJECT

public:
    explicit SunkenFrame(QWidget *parent);

    // The area inside the border that holds the child controls.
    QWidget *clientArea() const { return m_client; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool passOn(QWidget *watched, QMouseEvent *event);
    bool insideDrawn(QPointF windowPoint) const;

    QWidget *m_client;
    QPointer<QWidget> m_pressed; // the child a press was passed on to, until its release
};

} // namespace corvantile
