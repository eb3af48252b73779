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

void frmEgg::mousePressEvent(QMouseEvent *)
{
    accept();
}

} // namespace corvantile
