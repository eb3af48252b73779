#include "client_frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace corvantile {

ClientFrame::ClientFrame(QWidget *content)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_content(content)
{
    setWindowTitle(content->windowTitle());
    setWindowIcon(content->windowIcon());
    setAttribute(Qt::WA_TranslucentBackground); // the rounded corners of the title bar
    // A window with a style sheet passes its font on to its controls only while it is a window
    // of its own; inside the frame they would take the desktop's font. Each control keeps the
    // font it had.
    QHash<QWidget *, QFont> fonts;
    for (QWidget *control : content->findChildren<QWidget *>())
        fonts.insert(control, control->font());
    setFont(content->font());
    content->setParent(this, Qt::Widget);
    for (auto it = fonts.cbegin(); it != fonts.cend(); ++it)
        it.key()->setFont(it.value());
    content->move(border, titleHeight);
    setFixedSize(content->width() + 2 * border, content->height() + titleHeight + border);
}

QRect ClientFrame::closeButtonRect() const
{
    constexpr int size = 18;
    return QRect(width() - border - 8 - size, (titleHeight - size) / 2, size, size);
}

void ClientFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), 3, 3);
    painter.fillPath(outline, palette().color(QPalette::Window));

    const bool active = isActiveWindow();
    const QColor ink =
        palette().color(active ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    windowIcon().paint(&painter, QRect(border + 5, 4, 22, 22));
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(ink);
    // The caption is centred on the whole bar, but never runs under the icon or the button.
    painter.save();
    painter.setClipRect(
        QRect(border + 32, 0, closeButtonRect().left() - 5 - (border + 32), titleHeight));
    painter.drawText(QRect(0, 0, width(), titleHeight), Qt::AlignCenter, windowTitle());
    painter.restore();

    // The close button: a cross.
    QPen pen(ink);
    pen.setWidth(2);
    painter.setPen(pen);
    const QRectF button = closeButtonRect();
    const qreal cross = button.height() / 2.3;
    const QRectF mark(button.center() - QPointF(cross / 2, cross / 2), QSizeF(cross, cross));
    painter.drawLine(mark.topLeft(), mark.bottomRight());
    painter.drawLine(mark.bottomLeft(), mark.topRight());
}

void ClientFrame::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (closeButtonRect().contains(at))
        m_closePressed = true;
    else if (at.y() < titleHeight && windowHandle())
        windowHandle()->startSystemMove();
}

void ClientFrame::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = m_closePressed && closeButtonRect().contains(event->position().toPoint());
    m_closePressed = false;
    if (clicked)
        close();
}

void ClientFrame::closeEvent(QCloseEvent *event)
{
    // The window inside decides, as it would as a window of its own.
    if (m_content->close())
        event->accept();
    else
        event->ignore();
}

QWidget *showFixedWindow(QWidget *window)
{
    QWidget *shown = window;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        shown = new ClientFrame(window);
    shown->show();
    return shown;
}

} // namespace corvantile
