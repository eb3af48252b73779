#pragma once

#include <QDialog>
#include <QImage>

namespace corvantile {

// The hidden picture window: a borderless window that shows a fixed picture until it is
// clicked with the left button (or Escape is pressed).
class frmEgg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int clientWidth = 299;
    static constexpr int clientHeight = 298;

    explicit frmEgg(QWidget *parent = nullptr);

    // The fixed 300 x 300 picture, drawn at its own size from the window's top-left corner.
    static const QImage &picture();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_leftPressed = false; // the left button went down on the window
};

} // namespace corvantile
