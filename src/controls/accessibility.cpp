#include "accessibility.h"

#include "shown_text.h"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace corvantile {
namespace {

constexpr const char *roleProperty = "corvantileAccessibleRole";

constexpr const char *actionListName = "corvantileAccessibleActions";

constexpr const char *labelForProperty = "corvantileLabelFor";

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

// The text of a status line as an item of its own: a reader speaks a status bar by the items
// in it.
class StatusText : public QAccessibleInterface
{
public:
    explicit StatusText(QLabel *line) : m_line(line) {}
    bool isValid() const override { return m_line; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_line ? m_line->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_line);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && m_line ? m_line->text() : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override { return parent() ? parent()->rect() : QRect(); }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override { return {}; }

private:
    QPointer<QLabel> m_line;
};

// A control shown with the role set for it, its actions, and, for a label, its text.
class ControlAccessible : public QAccessibleWidget
{
public:
    ControlAccessible(QWidget *control, QAccessible::Role role)
        : QAccessibleWidget(control, role),
          m_shown([this] { return shownText(); }, [this] { return shownArea(); })
    {}
    ~ControlAccessible() override
    {
        if (m_statusText)
            QAccessible::deleteAccessibleInterface(m_statusText);
    }

    // A status line holds its text as one item, while it has one.
    int childCount() const override
    {
        return statusLine() ? !statusLine()->text().isEmpty() : QAccessibleWidget::childCount();
    }
    QAccessibleInterface *child(int index) const override
    {
        if (!statusLine())
            return QAccessibleWidget::child(index);
        if (index != 0 || statusLine()->text().isEmpty())
            return nullptr;
        if (!m_statusText)
            m_statusText = QAccessible::registerAccessibleInterface(new StatusText(statusLine()));
        return QAccessible::accessibleInterface(m_statusText);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!statusLine())
            return QAccessibleWidget::indexOfChild(child);
        return m_statusText && child == QAccessible::accessibleInterface(m_statusText) ? 0 : -1;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface && showsText())
            return static_cast<QAccessibleTextInterface *>(&m_shown);
        return QAccessibleWidget::interface_cast(type);
    }

    // A frame is labelled by its caption for each control in it; a caption beside a control
    // is the label of the control it was set for.
    QList<std::pair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto found = QAccessibleWidget::relations(match);
        if (!(match & QAccessible::Labelled))
            return found;
        if (group())
            for (int i = 0; i < childCount(); ++i)
                if (QAccessibleInterface *c = child(i); c && c->role() != QAccessible::NoRole)
                    found.emplace_back(c, QAccessible::Labelled);
        if (auto *control = widget()->property(labelForProperty).value<QWidget *>())
            if (QAccessibleInterface *c = QAccessible::queryAccessibleInterface(control))
                found.emplace_back(c, QAccessible::Labelled);
        return found;
    }

    // A control without a role is presentation only, and a reader passes over it.
    QAccessible::State state() const override
    {
        QAccessible::State s = controlState();
        if (role() == QAccessible::NoRole) {
            s.invisible = true;
            s.focusable = false;
        }
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        // Presentation only: not even the caption of the frame it stands in (Qt's name for an
        // unnamed control) is told.
        if (role() == QAccessible::NoRole)
            return QString();
        if (t == QAccessible::Value && label() && !statusLine())
            return label()->text();
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty() &&
            (group() || (label() && !statusLine())))
            return shownText();
        return QAccessibleWidget::text(t);
    }

    // A control that merely contains others (an area inside a frame, say) is not told as
    // focused when the focus is on the control it passes its focus to.
    QAccessible::State controlState() const
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (widget()->focusProxy())
            s.focused = false;
        return s;
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

private:
    QLabel *label() const { return qobject_cast<QLabel *>(widget()); }
    QGroupBox *group() const { return qobject_cast<QGroupBox *>(widget()); }
    bool showsText() const
    {
        return (label() && !statusLine()) || group() || role() == QAccessible::Graphic;
    }
    // The text a control shows: a label's text, a frame's caption, and a picture's name with
    // what it holds, so that a reader's review of the window reads each where it stands.
    QString shownText() const
    {
        if (label())
            return label()->text();
        if (group())
            return group()->title();
        // What a picture holds is the first sentence of its description.
        const QString holds = text(QAccessible::Description).section(QStringLiteral(". "), 0, 0);
        return holds.isEmpty() ? text(QAccessible::Name)
                               : text(QAccessible::Name) + QStringLiteral(": ") + holds;
    }
    QLabel *statusLine() const { return role() == QAccessible::StatusBar ? label() : nullptr; }

    // A frame's caption stands in its title; a picture's text on what the picture shows of it.
    QRect shownArea() const
    {
        if (const QGroupBox *frame = group()) {
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            const QRect caption = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                                 QStyle::SC_GroupBoxLabel, frame);
            return QRect(frame->mapToGlobal(caption.topLeft()), caption.size());
        }
        const QRect shown = widget()->visibleRegion().boundingRect();
        return QRect(widget()->mapToGlobal(shown.topLeft()), shown.size());
    }

    mutable QAccessible::Id m_statusText = 0;
    ShownText m_shown;
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
    installAccessibleFactory(controlAccessible);
}

} // namespace

void setAccessibleRole(QWidget *control, QAccessible::Role role)
{
    installFactory();
    control->setProperty(roleProperty, int(role));
    // An interface made before the role was set (a change of description makes one) is
    // dropped, so that the reader gets this one.
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void setAccessibleLabelFor(QLabel *caption, QWidget *control)
{
    caption->setProperty(labelForProperty, QVariant::fromValue(control));
    setAccessibleRole(caption, QAccessible::StaticText);
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
