#include "client_frame.h"

#include "platform.h"

#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
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
    QSize outer(content->width() + 2 * border, content->height() + titleHeight + border);
    // A compositor that centres a window of odd size puts it on a half pixel, and the pointer's
    // positions in it are then half a pixel off: the frame is even both ways, a spare pixel at
    // its right and bottom where needed.
    outer += QSize(outer.width() % 2, outer.height() % 2);
    if (content->minimumSize() == content->maximumSize()) {
        setFixedSize(outer);
    } else {
        m_sizable = true;
        setMinimumSize(2 * border + 40, titleHeight + border);
        resize(outer);
        setMouseTracking(true);
    }
}

// The title is drawn in the active colour whenever the window is active.
void ClientFrame::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update();
}

void ClientFrame::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_sizable)
        m_content->resize(width() - 2 * border, height() - titleHeight - border);
}

Qt::Edges ClientFrame::edgesAt(QPoint at) const
{
    Qt::Edges edges;
    if (!m_sizable)
        return edges;
    if (at.x() < border)
        edges |= Qt::LeftEdge;
    if (at.x() >= width() - border)
        edges |= Qt::RightEdge;
    if (at.y() < border)
        edges |= Qt::TopEdge;
    if (at.y() >= height() - border)
        edges |= Qt::BottomEdge;
    return edges;
}

void ClientFrame::mouseMoveEvent(QMouseEvent *event)
{
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge)))
        setCursor(
            (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                ? Qt::SizeFDiagCursor
                : Qt::SizeBDiagCursor);
    else if (edges)
        setCursor(edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    else
        unsetCursor();
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
    else if (const Qt::Edges edges = edgesAt(at); edges && windowHandle())
        windowHandle()->startSystemResize(edges);
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

// Escape closes a dialog in the frame, as it closes one with the system's own frame.
void ClientFrame::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel) && qobject_cast<QDialog *>(m_content)) {
        m_content->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ClientFrame::closeEvent(QCloseEvent *event)
{
    // The window inside decides, as it would as a window of its own.
    if (m_content->close())
        event->accept();
    else
        event->ignore();
}

namespace {

bool qtDrawsTitleBars()
{
    return windowSystem() == WindowSystem::Wayland;
}

} // namespace

QWidget *showFixedWindow(QWidget *window)
{
    QWidget *shown = window;
    if (qtDrawsTitleBars())
        shown = new ClientFrame(window);
    shown->show();
    return shown;
}

void execDialog(QDialog *dialog)
{
    if (!qtDrawsTitleBars()) {
        dialog->exec();
        return;
    }
    // The dialog goes into a frame that is shown modally in its place, for as long as the
    // dialog is open; closing the frame closes the dialog.
    QWidget *owner = dialog->parentWidget();
    const Qt::WindowFlags flags = dialog->windowFlags();
    ClientFrame frame(dialog);
    frame.setWindowModality(Qt::ApplicationModal);
    // A child of the window it was opened from, so that the compositor keeps it above that
    // window and places it as a dialog; and the window the keys go to.
    if (owner) {
        frame.winId();
        frame.windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
    dialog->show();
    frame.show();
    frame.activateWindow();
    // Some compositors (mutter) give the keys to a window that is clicked although the dialog
    // blocks it, and refuse to hand them back on request. The dialog then asks for them, and
    // where that is refused, it is shown anew, which gives a dialog the keys everywhere: Escape
    // must still close it.
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &frame,
                     [&frame](QWindow *focused) {
                         if (!focused || focused == frame.windowHandle())
                             return;
                         frame.activateWindow();
                         QTimer::singleShot(300, &frame, [&frame] {
                             if (QGuiApplication::focusWindow() == frame.windowHandle())
                                 return;
                             frame.hide();
                             frame.show();
                             frame.activateWindow();
                         });
                     });
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    dialog->hide();
    dialog->setParent(owner, flags); // a window of its own again, before the frame goes
}

} // namespace corvantile
