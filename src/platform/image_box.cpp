#include "image_box.h"

#include "accessibility.h"
#include "mouse_buttons.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvantile {
namespace {

// Scales a picture to size. Smooth scaling of a huge screenshot straight down to a thumbnail
// is slow, so a cheap pass first brings it to a few times the target size.
QImage scaledTo(const QImage &picture, QSize size, ImageBox::Scaling scaling)
{
    if (scaling == ImageBox::Scaling::Pixelated)
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage source = picture;
    const QSize coarse = size * 4;
    if (source.width() > 2 * coarse.width() && source.height() > 2 * coarse.height())
        source = source.scaled(coarse, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    setAccessibleDescription(QStringLiteral("empty"));
}

void ImageBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_scaled = QPixmap();
    update();
    // What a screen reader is told the control holds.
    const QString text =
        picture.isNull() ? QStringLiteral("empty") : sizeDescription(picture.size());
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void ImageBox::setBorder(bool on)
{
    m_border = on;
    m_scaled = QPixmap();
    update();
}

void ImageBox::setScaling(Scaling scaling)
{
    m_scaling = scaling;
    m_scaled = QPixmap();
    update();
}

QRect ImageBox::pictureArea() const
{
    return m_border ? rect().adjusted(1, 1, -1, -1) : rect();
}

QPixmap ImageBox::scaledPicture() const
{
    const QRect area = pictureArea();
    if (m_picture.isNull() || area.isEmpty())
        return {};
    if (m_scaled.isNull() || m_scaled.size() != area.size())
        m_scaled = QPixmap::fromImage(scaledTo(m_picture, area.size(), m_scaling));
    return m_scaled;
}

void ImageBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled = QPixmap();
}

void ImageBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap scaled = scaledPicture();
    if (!scaled.isNull())
        painter.drawPixmap(pictureArea().topLeft(), scaled);
    if (m_border) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ImageBox::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseUp(buttonCode(event->button()), shiftStateCode(event->modifiers()),
                 static_cast<float>(event->position().x()),
                 static_cast<float>(event->position().y()));
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace corvantile
