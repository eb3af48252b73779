#include "window_keys.h"

#include "main_window/find_flow.h"
#include "main_window/job_status.h"
#include "main_window/text_reader.h"
#include "screenshot/image_buffers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace corvantile {

WindowKeys::WindowKeys(const Parts &parts) : m_parts(parts) {}

bool WindowKeys::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        break;
    case QEvent::KeyPress:
        // Every key counts as input, the ones handled here too.
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        return keyFiltered(watched, *static_cast<QKeyEvent *>(event));
    case QEvent::FocusIn:
        if (const int slot = m_parts.buffers.slotOf(watched); slot >= 0)
            m_parts.buffers.makeTabStop(slot);
        break;
    case QEvent::FocusOut:
        return keptSelection(watched, *static_cast<QFocusEvent *>(event));
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// Whether `watched` is a control of the main window, told by the control itself: where the
// window sits in a frame the tool draws (on Wayland), its controls' top-level window is the
// frame.
bool WindowKeys::ours(const QObject *watched) const
{
    return watched->isWidgetType() &&
           m_parts.window->isAncestorOf(static_cast<const QWidget *>(watched));
}

// A text box of the window that the Tab key leaves keeps its selection, as a Windows edit box
// does: Qt's line edit drops it, and a screen reader then says "Text unselected" over the
// control the focus moved to. The box is told it lost the focus to another window, which
// leaves the selection; True when the focus change was handled so.
bool WindowKeys::keptSelection(QObject *watched, const QFocusEvent &focus)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || !ours(box) || !box->hasSelectedText() ||
        (focus.reason() != Qt::TabFocusReason && focus.reason() != Qt::BacktabFocusReason))
        return false;
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(box, &away);
    return true;
}

// True when the key was handled here.
bool WindowKeys::keyFiltered(QObject *watched, const QKeyEvent &key)
{
    // Up and Down move between the option buttons as Left and Right do, as on Windows: Qt
    // looks for a button above or below, and the two stand side by side.
    if ((watched == static_cast<QObject *>(m_parts.Option1) ||
         watched == static_cast<QObject *>(m_parts.Option2)) &&
        (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down)) {
        QKeyEvent sideways(QEvent::KeyPress, key.key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                           key.modifiers());
        QApplication::sendEvent(watched, &sideways);
        return true;
    }
    if (const int slot = m_parts.buffers.slotOf(watched);
        slot >= 0 && m_parts.buffers.keyPressed(slot, key))
        return true;
    // The paste key in a text box pastes the clipboard's text, read off the window's thread.
    if (key.matches(QKeySequence::Paste)) {
        auto *box = qobject_cast<QLineEdit *>(watched);
        if (box && ours(box) && !box->isReadOnly()) {
            m_parts.text.pasteInto(box);
            return true;
        }
    }
    if (key.key() != Qt::Key_Escape)
        return false;
    if (m_parts.text.stop() || m_parts.job.cancel())
        return true;
    // Escape in the main window also takes the outlines of a search away.
    if (m_parts.find.holdsResult() && ours(watched))
        m_parts.find.inputsChanged();
    return false;
}

} // namespace corvantile
