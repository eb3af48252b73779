#include "accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QTimer>
#include <QVariant>
#include <QWidget>

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

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(controlAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

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
