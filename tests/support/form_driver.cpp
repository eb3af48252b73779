#include "form_driver.h"

#include "common/screen_grid.h"

namespace corvantile::test {

namespace {

std::unique_ptr<Form1> makeForm(std::unique_ptr<Clipboard> systemClipboard, FakeClipboard *&fake)
{
    if (systemClipboard)
        return std::make_unique<Form1>(std::move(systemClipboard));
    auto owned = std::make_unique<FakeClipboard>();
    fake = owned.get();
    return std::make_unique<Form1>(std::move(owned));
}

} // namespace

FormDriver::FormDriver(std::unique_ptr<Clipboard> systemClipboard)
    : form(makeForm(std::move(systemClipboard), clipboard))
{
    form->show();
}

std::array<ImageBox *, Form1::bufferCount> FormDriver::bufferSlots() const
{
    std::array<ImageBox *, Form1::bufferCount> found{};
    for (int i = 0; i < Form1::bufferCount; ++i)
        found[size_t(i)] =
            control<ImageBox>(*form, qPrintable(QStringLiteral("ImgBuffer%1").arg(i)));
    return found;
}

FormDriver::~FormDriver() = default;

void FormDriver::paste(const QImage &image)
{
    clipboard->holdImage(image);
    clickPaste();
}

void FormDriver::clickPaste()
{
    QTest::mouseClick(Command1, Qt::LeftButton);
    waitForPictures();
}

bool FormDriver::waitForPictures() const
{
    return QTest::qWaitFor([this] { return !form->pictureJobRunning(); }, 10000);
}

void sendMouse(QWidget *target, QEvent::Type type, QPointF inWindow, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    const QPointF local = inWindow - target->mapTo(target->window(), QPointF(0, 0));
    QMouseEvent event(type, QPointF(local.toPoint()), inWindow,
                      target->window()->mapToGlobal(inWindow), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

namespace {

void sendMouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    test::sendMouse(target, type, target->mapTo(target->window(), QPointF(at)), button, held);
}

} // namespace

QPointF FormDriver::onView(QPoint pixel, QPointF within) const
{
    return PicInner->mapDrawingToWindow(QPointF(pixel) + within);
}

void FormDriver::press(QPoint at, Qt::MouseButton button, QPointF within)
{
    sendMouse(PicInner, QEvent::MouseButtonPress, onView(at, within), button, button);
}

void FormDriver::move(QPoint to, Qt::MouseButtons held, QPointF within)
{
    sendMouse(PicInner, QEvent::MouseMove, onView(to, within), Qt::NoButton, held);
}

void FormDriver::release(QPoint at, Qt::MouseButton button, QPointF within)
{
    sendMouse(PicInner, QEvent::MouseButtonRelease, onView(at, within), button, Qt::NoButton);
}

void FormDriver::jumpInto(QPoint pixel, QPointF within, QPointF misplaced)
{
    static int timestamp = 0;
    QWindow *window = form->windowHandle();
    const QPointF screenAt = QPointF(window->position()) + misplaced;
    const QPointF target = onView(pixel, within);
    for (const QPointF inWindow : {QPointF(txtObject->geometry().center()), target})
        qt_handleMouseEvent(window, inWindow, screenAt + inWindow, Qt::NoButton, Qt::NoButton,
                            QEvent::MouseMove, Qt::NoModifier, ++timestamp);
    const QPointF counted = target + misplaced;
    const QPointF local = counted - PicInner->mapTo(form.get(), QPointF(0, 0));
    QMouseEvent entered(QEvent::MouseMove, QPointF(local.toPoint()), counted, screenAt + target,
                        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    entered.setTimestamp(ulong(timestamp));
    QApplication::sendEvent(PicInner, &entered);
}

void FormDriver::pointAtScreenPixel(QPoint pixel, QEvent::Type type, Qt::MouseButton button,
                                    Qt::MouseButtons held)
{
    static ulong timestamp = 1u << 20;
    QWindow *window = form->windowHandle();
    const QPointF inWindow = QPointF(pixel) / form->devicePixelRatioF();
    qt_handleMouseEvent(window, inWindow, QPointF(window->position()) + inWindow, held, button,
                        type, Qt::NoModifier, int(++timestamp));
}

QImage FormDriver::onScreen() const
{
    QImage image = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

QPoint FormDriver::screenPixel(QPointF inWindow) const
{
    return ScreenGrid(form->devicePixelRatioF(), {}, {}, {}, {}).pixelAt(inWindow);
}

QRect FormDriver::viewportOnScreen() const
{
    const QWidget *inside = picScroll->clientArea();
    const ScreenGrid grid =
        ScreenGrid::covering(form->devicePixelRatioF(), inside->mapTo(form.get(), QPoint(0, 0)),
                             QRect(QPoint(0, 0), inside->size()));
    return QRect(grid.origin(), grid.size());
}

void FormDriver::drag(QPoint from, QPoint to)
{
    press(from);
    move(to);
    release(to);
}

void FormDriver::releaseOnSlot(int index, Qt::MouseButton button)
{
    ImageBox *slot = ImgBuffer[static_cast<size_t>(index)];
    sendMouse(slot, QEvent::MouseButtonRelease, QPoint(10, 10), button, Qt::NoButton);
}

void FormDriver::releaseOnClip(Qt::MouseButton button)
{
    sendMouse(picClip, QEvent::MouseButtonRelease, QPoint(1, 1), button, Qt::NoButton);
}

void FormDriver::type(QWidget *box, const QString &text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

int whileNestedLoopsRun(const std::function<void()> &action,
                        const QList<std::function<void(QWidget *)>> &handlers)
{
    int handled = 0;
    QPointer<QWidget> last;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *open = QApplication::activePopupWidget();
        if (!open)
            open = QApplication::activeModalWidget();
        if (!open || open == last || handled >= handlers.size())
            return;
        last = open;
        const auto handler = handlers.at(handled++);
        // Called from the loop, so that this timer is free to fire in the loops it opens.
        QTimer::singleShot(0, open, [handler, open] { handler(open); });
    });
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [] {
        while (QWidget *w = QApplication::activePopupWidget())
            w->close();
        while (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    poll.start();
    fallback.start(5000);
    action();
    return handled;
}

bool whileNestedLoopRuns(const std::function<void()> &action,
                         const std::function<void(QWidget *)> &onOpen)
{
    return whileNestedLoopsRun(action, {onOpen}) == 1;
}

void chooseMenuItem(QWidget *menuWidget, const QString &caption)
{
    auto *menu = qobject_cast<QMenu *>(menuWidget);
    QVERIFY2(menu, "the open popup is not a menu");
    for (QAction *action : menu->actions()) {
        if (action->text() == caption) {
            // Triggering closes the menu; its exec() returns after the slot has run.
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu item ") + caption));
}

} // namespace corvantile::test
