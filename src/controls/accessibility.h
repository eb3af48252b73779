#pragma once

#include <QAccessible>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>

class QAction;
class QLabel;
class QWidget;

namespace corvantile {

// What a screen reader is told about the tool's own controls, beyond their names and
// descriptions (which are the widgets' own accessible name and description).

// The role a control is presented with: the main window as a frame, the picture boxes as
// graphics, the status line as a status bar (with its text readable). NoRole marks a widget
// that is presentation only (a focus mark, say): a reader is told it is not there.
void setAccessibleRole(QWidget *control, QAccessible::Role role);

// A caption that stands beside a control, told as the label of that control. The control keeps
// its own name: a reader speaks it, not the caption, when the control takes the focus.
void setAccessibleLabelFor(QLabel *caption, QWidget *control);

// Actions a screen reader can run on a control, in order. Each runs from the event loop once the
// reader's call has returned, so an action that opens a modal window does not hold the reader.
struct AccessibleAction
{
    QString name;
    std::function<void()> run;
};
void setAccessibleActions(QWidget *control, const QList<AccessibleAction> &actions);

// The name a screen reader is told for a menu's item, in place of its caption: what the item
// acts on, where the caption alone does not say it. An empty name tells the caption again.
void setAccessibleItemName(QAction *item, const QString &name);

// Installs a factory of accessible interfaces. Every control's interface, whichever factory
// made it, tells a screen reader where the control is in the screen's own pixels.
void installAccessibleFactory(QAccessible::InterfaceFactory factory);

// How a picture's size is told: "640 × 480".
QString sizeDescription(QSize size);

// Whether the system's screen-reader bridge turns the rectangles it is given into the screen's
// own pixels itself; when it does not, every control tells its place in the screen's pixels.
// Set once, before the first control is built, by whoever knows the system.
void setReaderBridgeScalesRectangles(bool scales);

} // namespace corvantile
