#include "frm_egg.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvantile {

frmEgg::frmEgg(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(clientWidth, clientHeight);
}

const QImage &frmEgg::picture()
{
    // Stored with the program as a 24-bit picture.
    static const QImage image = QImage(QStringLiteral(":/corvantile/hidden_picture.png"))
                                    .convertToFormat(QImage::Format_RGB888);
    return image;
}

void frmEgg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture());
}

void frmEgg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
}

// A click is a press and a release of the left button on the window: a press alone, another
// button, or a press that is dragged off the window before its release leaves it open.
void frmEgg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = m_leftPressed && rect().contains(event->position().toPoint());
    m_leftPressed = false;
    if (click)
        accept();
}

} // namespace corvantile
