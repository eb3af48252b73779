#include "frm_egg.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvantile {
namespace {

// A crow on a branch under a full moon, drawn once.
QImage drawPicture()
{
    QImage image(300, 300, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(18, 24, 60));
    sky.setColorAt(1, QColor(70, 40, 90));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 232, 190));
    p.drawEllipse(QPointF(200, 95), 62, 62);
    p.setPen(QPen(QColor(30, 20, 15), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 235), QPointF(285, 210));
    p.drawLine(QPointF(220, 216), QPointF(262, 180));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 12));
    QPainterPath body;
    body.moveTo(95, 225);
    body.cubicTo(80, 190, 110, 140, 150, 140);
    body.cubicTo(165, 125, 190, 128, 195, 145);
    body.lineTo(222, 152);
    body.lineTo(196, 160);
    body.cubicTo(195, 195, 170, 220, 140, 226);
    body.lineTo(60, 258);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(245, 200, 60));
    p.drawEllipse(QPointF(180, 144), 3.5, 3.5);
    p.setPen(QPen(QColor(8, 8, 12), 3));
    p.drawLine(QPointF(130, 224), QPointF(128, 234));
    p.drawLine(QPointF(145, 222), QPointF(146, 232));
    return image;
}

} // namespace

frmEgg::frmEgg(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(clientWidth, clientHeight);
}

const QImage &frmEgg::picture()
{
    static const QImage image = drawPicture();
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
