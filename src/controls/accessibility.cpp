#include "accessibility.h"

#include "common/screen_grid.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace corvantile {
namespace {

constexpr const char *roleProperty = "corvantileAccessibleRole";

constexpr const char *actionListName = "corvantileAccessibleActions";

// The actions of a control, kept as a child object of it under a name of its own.
class ActionList : public QObject
{
public:
    explicit ActionList(QObject *control) : QObject(control)
    {
        setObjectName(QLatin1String(actionListName));
    }
    QList<AccessibleAction> actions;
};

ActionList *actionsOf(QObject *control)
{
    return dynamic_cast<ActionList *>(
        control->findChild<QObject *>(QLatin1String(actionListName), Qt::FindDirectChildrenOnly));
}

// A control shown with the role set for it, its actions, and, for a label, its text.
class ControlAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    ControlAccessible(QWidget *control, QAccessible::Role role) : QAccessibleWidget(control, role)
    {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface && label())
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // A control without a role is presentation only, and a reader passes over it.
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (role() == QAccessible::NoRole) {
            s.invisible = true;
            s.focusable = false;
        }
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value && label())
            return label()->text();
        return QAccessibleWidget::text(t);
    }

    // The control's own actions come first, then the widget's (such as taking the focus).
    QStringList actionNames() const override
    {
        QStringList names;
        if (const ActionList *list = actionsOf(widget()))
            for (const AccessibleAction &action : list->actions)
                names << action.name;
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (const ActionList *list = actionsOf(widget())) {
            for (const AccessibleAction &action : list->actions) {
                if (action.name == name) {
                    QTimer::singleShot(0, widget(), action.run);
                    return;
                }
            }
        }
        QAccessibleWidget::doAction(name);
    }

    // The text of a label, read-only.
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return label()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(label()->text().size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = std::max(offset, characterCount());
        return QString();
    }

private:
    QLabel *label() const { return qobject_cast<QLabel *>(widget()); }
};

QAccessibleInterface *controlAccessible(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(roleProperty);
    if (!role.isValid())
        return nullptr;
    return new ControlAccessible(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

// Where a control stands on the screen, in the screen's own pixels: the whole ones it covers.
QRect screenPixels(const QWidget *control)
{
    const QWidget *window = control->window();
    const qreal scale = control->devicePixelRatioF();
    const QPointF screenAt = window->screen() ? window->screen()->geometry().topLeft() : QPoint();
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

// A control's interface as the other factories, or Qt itself, make it, with its rectangle in
// the screen's pixels. Qt hands a screen reader layout pixels, which on a scaled screen are
// not the screen's, so that the reader would click beside the control.
class InScreenPixels : public QAccessibleInterface
{
public:
    explicit InScreenPixels(QAccessibleInterface *made)
        : m_made(made), m_madeId(QAccessible::uniqueId(made))
    {}
    ~InScreenPixels() override { QAccessible::deleteAccessibleInterface(m_madeId); }

    QRect rect() const override
    {
        const auto *control = static_cast<const QWidget *>(object());
        return control && control->isVisible() ? screenPixels(control) : m_made->rect();
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        // The child that holds the point, both in screen pixels.
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface *c = child(i); c && c->rect().contains(x, y))
                return c;
        return nullptr;
    }

    bool isValid() const override { return m_made->isValid(); }
    QObject *object() const override { return m_made->object(); }
    QWindow *window() const override { return m_made->window(); }
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        return m_made->relations(match);
    }
    QAccessibleInterface *focusChild() const override { return m_made->focusChild(); }
    QAccessibleInterface *parent() const override { return m_made->parent(); }
    QAccessibleInterface *child(int index) const override { return m_made->child(index); }
    int childCount() const override { return m_made->childCount(); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return m_made->indexOfChild(child);
    }
    QString text(QAccessible::Text t) const override { return m_made->text(t); }
    void setText(QAccessible::Text t, const QString &text) override { m_made->setText(t, text); }
    QAccessible::Role role() const override { return m_made->role(); }
    QAccessible::State state() const override { return m_made->state(); }
    QColor foregroundColor() const override { return m_made->foregroundColor(); }
    QColor backgroundColor() const override { return m_made->backgroundColor(); }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return m_made->interface_cast(type);
    }
    void virtual_hook(int id, void *data) override { m_made->virtual_hook(id, data); }

private:
    QAccessibleInterface *m_made;
    QAccessible::Id m_madeId;
};

// Consulted before every other factory: asks the others (and Qt) for a control's interface,
// and wraps it.
QAccessibleInterface *inScreenPixels(const QString &, QObject *object)
{
    static bool asking = false;
    if (asking || !object || !object->isWidgetType())
        return nullptr;
    asking = true;
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(object);
    asking = false;
    return made ? new InScreenPixels(made) : nullptr;
}

void installFactory()
{
    installAccessibleFactory(controlAccessible);
}

} // namespace

void installAccessibleFactory(QAccessible::InterfaceFactory factory)
{
    // The last factory installed is asked first: the one of screen pixels stays last.
    QAccessible::removeFactory(inScreenPixels);
    QAccessible::installFactory(factory);
    QAccessible::installFactory(inScreenPixels);
}

void setAccessibleRole(QWidget *control, QAccessible::Role role)
{
    installFactory();
    control->setProperty(roleProperty, int(role));
    // An interface made before the role was set (a change of description makes one) is
    // dropped, so that the reader gets one with the role.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(control);
    if (made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

QString sizeDescription(QSize size)
{
    return QStringLiteral("%1 \u00d7 %2").arg(size.width()).arg(size.height());
}

void setAccessibleActions(QWidget *control, const QList<AccessibleAction> &actions)
{
    ActionList *list = actionsOf(control);
    if (!list)
        list = new ActionList(control);
    list->actions = actions;
}

} // namespace corvantile
