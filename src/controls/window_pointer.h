#pragma once

#include <QObject>
#include <QPointF>

class QSinglePointEvent;
class QWindow;

namespace corvantile {

// Where the pointer is in a window, as the window system reported it.
//
// A window whose place on the screen is not a whole number of layout pixels (a window manager
// may put it anywhere) is drawn at its true place, but Qt counts it at the nearest layout
// pixel. The window system's own reports are counted from the true place; the events Qt makes
// for a widget that the pointer has just entered are counted from the rounded one instead, up
// to half a layout pixel off, which on a scaled screen is a neighbouring screen pixel. This
// keeps the window system's report of each event so that a widget can use it.
class WindowPointer : public QObject
{
    Q_OBJECT

public:
    // The tracker of a window, made on first use.
    static WindowPointer *of(QWindow *window);

    // The pointer's position in the window, in layout pixels with their fraction: the window
    // system's report of this event, or otherwise the event's own window position.
    QPointF windowPosition(const QSinglePointEvent &event) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit WindowPointer(QWindow *window);

    QPointF m_position;
    quint64 m_timestamp = 0;
};

} // namespace corvantile
