// What a screen reader gets from every control's interface, whichever factory made it: its
// place in the screen's own pixels, text read whole, and the focus told before the caret.

#include "accessibility.h"

#include "common/screen_grid.h"
#include "shown_text.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <memory>

namespace corvantile {
namespace {

constexpr char itemNameProperty[] = "corvantileItemName";

std::atomic<bool> bridgeScalesRectangles{false};

bool readerBridgeScalesRectangles()
{
    return bridgeScalesRectangles;
}

// The top-left corner of a control's screen, where layout pixels and the screen's own agree.
QPointF screenOrigin(const QWidget *control)
{
    return control->screen() ? QPointF(control->screen()->geometry().topLeft()) : QPointF();
}

// Where a control stands on the screen, in the screen's own pixels: the whole ones it covers.
QRect screenPixels(const QWidget *control)
{
    const QWidget *window = control->window();
    const qreal scale = control->devicePixelRatioF();
    const QPointF screenAt = screenOrigin(window);
    // The window's place with its fraction: a window manager may put it on an odd screen pixel.
    const QPointF windowAt = window->windowHandle()
                                 ? window->windowHandle()->mapToGlobal(QPointF(0, 0))
                                 : QPointF(window->mapToGlobal(QPoint(0, 0)));
    const QPoint windowPixel = ((windowAt - screenAt) * scale + screenAt).toPoint();
    const ScreenGrid grid =
        control == window
            ? ScreenGrid::covering(scale, QPoint(), QRect(QPoint(), control->size()))
            : ScreenGrid::covering(scale, control->parentWidget()->mapTo(window, QPoint()),
                                   control->geometry());
    return QRect(windowPixel + grid.origin(), grid.size());
}

// A scroll bar's position told in per cent of its way, 0 at the start and 100 at the end: a
// reader speaks the bare value on the focus and adds its own per cent on where-am-I, so that a
// bar's range in pixels would be heard as two numbers that disagree ("180, 99 percent").
class PercentValue : public QAccessibleValueInterface
{
public:
    explicit PercentValue(QAccessibleValueInterface *bar) : m_bar(bar) {}
    QVariant currentValue() const override
    {
        const double low = m_bar->minimumValue().toDouble();
        const double span = m_bar->maximumValue().toDouble() - low;
        return span > 0 ? qRound((m_bar->currentValue().toDouble() - low) * 100 / span) : 0;
    }
    void setCurrentValue(const QVariant &percent) override
    {
        const double low = m_bar->minimumValue().toDouble();
        const double span = m_bar->maximumValue().toDouble() - low;
        m_bar->setCurrentValue(
            qRound(low + std::clamp(percent.toDouble(), 0.0, 100.0) * span / 100));
    }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QAccessibleValueInterface *m_bar;
};

// A control's interface as the other factories, or Qt itself, make it, with its rectangles in
// the screen's pixels where the system's bridge does not turn them so itself (AT-SPI): there
// Qt hands a screen reader layout pixels, which on a scaled screen are not the screen's, so
// that the reader would click beside the control. Its text, if it has
// one, tells the runs of its attributes whole: Qt's line edit tells an empty run at every
// offset, and a reader that reads the text by those runs stops one character short.
class InScreenPixels : public QAccessibleInterface, public QAccessibleTextInterface
{
public:
    explicit InScreenPixels(QAccessibleInterface *made)
        : m_made(made), m_madeId(QAccessible::uniqueId(made)), m_object(made->object())
    {
        // A scroll bar is reviewed by its name and place: a reader's review tells the bare
        // value of a bar that has no text.
        if (made->role() == QAccessible::ScrollBar && !made->textInterface() &&
            made->valueInterface()) {
            m_barText = std::make_unique<ShownText>([made] { return barText(made); },
                                                    [made] { return made->rect(); });
            m_percent = std::make_unique<PercentValue>(made->valueInterface());
        }
    }
    ~InScreenPixels() override { QAccessible::deleteAccessibleInterface(m_madeId); }

    // A control is told as far as its parents show it: the screenshot view, larger than its
    // viewport, is told as the part the viewport shows, where a magnifier or flat review finds
    // it.
    QRect rect() const override
    {
        const QWidget *c = control();
        if (!c || !c->isVisible())
            return c || readerBridgeScalesRectangles() ? m_made->rect()
                                                       : scaled(m_made->rect()); // a menu's item
        QRect shown = readerBridgeScalesRectangles() ? m_made->rect() : screenPixels(c);
        for (const QWidget *p = c->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
            shown &= readerBridgeScalesRectangles() ? QRect(p->mapToGlobal(QPoint(0, 0)), p->size())
                                                    : screenPixels(p);
        return shown;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        // The child that holds the point, both in screen pixels.
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface *c = child(i); c && c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return made() ? static_cast<QAccessibleTextInterface *>(this) : nullptr;
        if (type == QAccessible::ValueInterface && m_percent)
            return static_cast<QAccessibleValueInterface *>(m_percent.get());
        return m_made->interface_cast(type);
    }

    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        const QString found = made()->attributes(offset, startOffset, endOffset);
        if (found.isEmpty() && *startOffset >= *endOffset) {
            *startOffset = 0;
            *endOffset = characterCount();
        }
        return found;
    }
    QRect characterRect(int offset) const override { return scaled(made()->characterRect(offset)); }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QWindow *shown = m_made->window();
        if (!shown || !shown->screen() || readerBridgeScalesRectangles())
            return made()->offsetAtPoint(point);
        const QPointF origin = shown->screen()->geometry().topLeft();
        const QPointF inLayout = (QPointF(point) - origin) / shown->devicePixelRatio() + origin;
        return made()->offsetAtPoint(inLayout.toPoint());
    }

    // The rest as the interface made by the others.
    bool isValid() const override { return m_made->isValid(); }
    // Kept apart: as the application ends, the interfaces go in no set order, the one made by
    // the others possibly before this one.
    QObject *object() const override { return m_object; }
    QWindow *window() const override { return m_made->window(); }
    // Relations with what a reader is told of: none with a control that is presentation only.
    // A choice is not labelled by the frame it stands in: a reader names the frame as the
    // focus enters it, and would name it again for the choice.
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto found = m_made->relations(match);
        found.removeIf([this](const QPair<QAccessibleInterface *, QAccessible::Relation> &r) {
            return !told(r.first) || (r.second == QAccessible::Label &&
                                      role() == QAccessible::RadioButton && isAncestor(r.first));
        });
        return found;
    }
    QAccessibleInterface *focusChild() const override { return m_made->focusChild(); }
    // An open pop-up menu stands in the window it was opened from, as a child of it: a reader
    // going back from the menu to a control of that window names nothing but the control.
    QAccessibleInterface *parent() const override
    {
        if (QWidget *opener = popupOpener(control()))
            return QAccessible::queryAccessibleInterface(opener);
        return m_made->parent();
    }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QAccessibleInterface *> shown = children();
        return index >= 0 && index < shown.size() ? shown[index] : nullptr;
    }
    int childCount() const override { return int(children().size()); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(children().indexOf(child));
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            if (const QString name =
                    object() ? object()->property(itemNameProperty).toString() : QString();
                !name.isEmpty())
                return name;
        return m_made->text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override { m_made->setText(t, text); }
    QAccessible::Role role() const override { return m_made->role(); }
    QAccessible::State state() const override { return m_made->state(); }
    QColor foregroundColor() const override { return m_made->foregroundColor(); }
    QColor backgroundColor() const override { return m_made->backgroundColor(); }
    void virtual_hook(int id, void *data) override { m_made->virtual_hook(id, data); }

    void selection(int index, int *startOffset, int *endOffset) const override
    {
        made()->selection(index, startOffset, endOffset);
    }
    int selectionCount() const override { return made()->selectionCount(); }
    void addSelection(int start, int end) override { made()->addSelection(start, end); }
    void removeSelection(int index) override { made()->removeSelection(index); }
    void setSelection(int index, int start, int end) override
    {
        made()->setSelection(index, start, end);
    }
    int cursorPosition() const override { return made()->cursorPosition(); }
    void setCursorPosition(int position) override { made()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        return made()->text(startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                             int *endOffset) const override
    {
        return made()->textBeforeOffset(offset, type, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                            int *endOffset) const override
    {
        return made()->textAfterOffset(offset, type, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                         int *endOffset) const override
    {
        return made()->textAtOffset(offset, type, startOffset, endOffset);
    }
    int characterCount() const override { return made()->characterCount(); }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        made()->scrollToSubstring(startIndex, endIndex);
    }

private:
    QAccessibleTextInterface *made() const
    {
        return m_barText ? m_barText.get() : m_made->textInterface();
    }
    static QString barText(QAccessibleInterface *bar)
    {
        return QStringLiteral("%1: %2 %")
            .arg(bar->text(QAccessible::Name))
            .arg(PercentValue(bar->valueInterface()).currentValue().toInt());
    }

    // Whether a reader is told of an object: not when it is presentation only, nor a
    // notification that has said nothing yet, nor a menu's item that the menu does not show
    // (the reader counts the items: "1 of 2").
    static bool told(const QAccessibleInterface *i)
    {
        const auto *item = i ? qobject_cast<const QAction *>(i->object()) : nullptr;
        return i && i->role() != QAccessible::NoRole && (!item || item->isVisible()) &&
               !(i->role() == QAccessible::Notification && i->text(QAccessible::Name).isEmpty());
    }
    bool isAncestor(const QAccessibleInterface *other) const
    {
        for (QAccessibleInterface *p = parent(); p; p = p->parent())
            if (p->object() == other->object())
                return true;
        return false;
    }
    // The window a pop-up menu was opened from, or nothing for any other control.
    static QWidget *popupOpener(const QWidget *c)
    {
        if (!c || !c->isWindow() || c->windowType() != Qt::Popup || !c->parentWidget())
            return nullptr;
        return c->parentWidget()->window();
    }
    // The children a reader is told of. A menu makes its items' interfaces itself, past every
    // factory: they are wrapped here, and the wrapper takes their place for the item. A window
    // holds the pop-up menu open over it, which Qt leaves out.
    QList<QAccessibleInterface *> children() const
    {
        QList<QAccessibleInterface *> shown;
        for (int i = 0; i < m_made->childCount(); ++i) {
            QAccessibleInterface *c = m_made->child(i);
            if (c && qobject_cast<QAction *>(c->object()) && !dynamic_cast<InScreenPixels *>(c)) {
                auto *wrapped = new InScreenPixels(c);
                QAccessible::registerAccessibleInterface(wrapped);
                c = wrapped;
            }
            if (told(c))
                shown.append(c);
        }
        if (const QWidget *c = control(); c && c->isWindow())
            if (QWidget *menu = QApplication::activePopupWidget();
                menu && menu->isVisible() && popupOpener(menu) == c)
                if (QAccessibleInterface *c = QAccessible::queryAccessibleInterface(menu);
                    c && !shown.contains(c))
                    shown.append(c);
        return shown;
    }
    // A rectangle of the screen in layout pixels, in the screen's own pixels.
    QRect scaled(const QRect &r) const
    {
        const QWindow *shown = m_made->window();
        if (r.isEmpty() || !shown || !shown->screen() || readerBridgeScalesRectangles())
            return r;
        const qreal scale = shown->devicePixelRatio();
        const QPointF origin = shown->screen()->geometry().topLeft();
        return QRectF((QPointF(r.topLeft()) - origin) * scale + origin, QSizeF(r.size()) * scale)
            .toRect();
    }
    const QWidget *control() const { return qobject_cast<const QWidget *>(object()); }

    QAccessibleInterface *m_made;
    QAccessible::Id m_madeId;
    QPointer<QObject> m_object;
    std::unique_ptr<ShownText> m_barText;
    std::unique_ptr<PercentValue> m_percent;
};

// Qt tells a reader of a text box's caret and selection before it tells that the box has the
// focus; a reader then takes the box as focused without a word (Orca says nothing of an empty
// box). Those come after the focus here: until the focus is told, they are held back, and the
// box's focus brings them. The caret and selection of a box without the focus (a region typed
// anew when a buffer comes back) are not told at all: a reader would say "Text unselected" over
// the control the user is on.
void inFocusOrder(QAccessibleEvent *event)
{
    static QPointer<QObject> told;
    QObject *source = event->object();
    const QAccessible::Event type = event->type();
    const bool aboutText =
        type == QAccessible::TextCaretMoved || type == QAccessible::TextSelectionChanged;
    if (aboutText && source && source->isWidgetType() &&
        (source != QApplication::focusWidget() || source != told))
        return;
    // A pop-up menu takes the keyboard from the window it stands over, and the window is told
    // active again while the menu is open: a reader would name the window between the menu's
    // items. The window never stopped being the user's, so that is not told.
    if (type == QAccessible::StateChanged && QApplication::activePopupWidget()) {
        QAccessible::State onlyActive;
        onlyActive.active = true;
        if (static_cast<QAccessibleStateChangeEvent *>(event)->changedStates() == onlyActive)
            return;
    }
    if (type == QAccessible::Focus)
        told = source;
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(inFocusOrder);
}

// Consulted before every other factory: asks the others (and Qt) for a control's interface,
// and wraps it.
QAccessibleInterface *inScreenPixels(const QString &, QObject *object)
{
    static bool asking = false;
    if (asking || !object || !(object->isWidgetType() || object == qApp))
        return nullptr;
    asking = true;
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(object);
    asking = false;
    return made ? new InScreenPixels(made) : nullptr;
}

} // namespace

void setAccessibleItemName(QAction *item, const QString &name)
{
    item->setProperty(itemNameProperty, name);
}

void installAccessibleFactory(QAccessible::InterfaceFactory factory)
{
    static const bool ordered = [] {
        QAccessible::installUpdateHandler(inFocusOrder);
        return true;
    }();
    Q_UNUSED(ordered);
    // The last factory installed is asked first: the one of screen pixels stays last.
    QAccessible::removeFactory(inScreenPixels);
    QAccessible::installFactory(factory);
    QAccessible::installFactory(inScreenPixels);
    // The application's interface, if made before, is made again through the factory.
    static const bool applicationWrapped = [] {
        if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(qApp);
            made && !dynamic_cast<InScreenPixels *>(made))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        return true;
    }();
    Q_UNUSED(applicationWrapped);
}

void setReaderBridgeScalesRectangles(bool scales)
{
    bridgeScalesRectangles = scales;
}

} // namespace corvantile
