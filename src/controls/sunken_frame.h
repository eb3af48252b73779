#pragma once

#include <QWidget>

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

private:
    QWidget *m_client;
};

} // namespace corvantile
