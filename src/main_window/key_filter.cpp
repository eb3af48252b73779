// The window's look at every event of the program: Escape stops the running job wherever the
// keyboard is, the time of each input is kept, and the keys of the buffers, the option buttons
// and the paste key in a text box are handled before the control they were pressed on.

#include "main_window/form1.h"
#include "object_definition/definition_search.h"
#include "screenshot/image_buffers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace corvantile {

// The time of each input is kept, since an X11 clipboard owner is asked with the time of the
// click that asked for it.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        break;
    case QEvent::KeyPress:
        // Every key counts as input, the ones handled here too: a paste asks the clipboard's
        // owner with the time of the input that asked for it.
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        return keyFiltered(watched, *static_cast<QKeyEvent *>(event));
    case QEvent::FocusIn:
        if (const int slot = m_buffers->slotOf(watched); slot >= 0)
            m_buffers->makeTabStop(slot);
        break;
    case QEvent::FocusOut:
        return keptSelection(watched, *static_cast<QFocusEvent *>(event));
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// A text box of the window that the Tab key leaves keeps its selection, as a Windows edit box
// does: Qt's line edit drops it, and a screen reader then says "Text unselected" over the
// control the focus moved to. The box is told it lost the focus to another window, which
// leaves the selection; True when the focus change was handled so.
bool Form1::keptSelection(QObject *watched, const QFocusEvent &focus)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || box->window() != this || !box->hasSelectedText() ||
        (focus.reason() != Qt::TabFocusReason && focus.reason() != Qt::BacktabFocusReason))
        return false;
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(box, &away);
    return true;
}

// True when the key was handled here.
bool Form1::keyFiltered(QObject *watched, const QKeyEvent &key)
{
    // Up and Down move between the option buttons as Left and Right do, as on Windows: Qt
    // looks for a button above or below, and the two stand side by side.
    if ((watched == static_cast<QObject *>(Option1) ||
         watched == static_cast<QObject *>(Option2)) &&
        (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down)) {
        QKeyEvent sideways(QEvent::KeyPress, key.key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                           key.modifiers());
        QApplication::sendEvent(watched, &sideways);
        return true;
    }
    if (const int slot = m_buffers->slotOf(watched); slot >= 0 && m_buffers->keyPressed(slot, key))
        return true;
    // The paste key in a text box pastes the clipboard's text, read off the window's thread.
    if (key.matches(QKeySequence::Paste)) {
        auto *box = qobject_cast<QLineEdit *>(watched);
        if (box && box->window() == this && !box->isReadOnly()) {
            pasteTextInto(box);
            return true;
        }
    }
    if (key.key() != Qt::Key_Escape)
        return false;
    if (stopTextRead())
        return true;
    if (jobRunning()) {
        m_intake->cancel();
        m_search->cancel();
        return true;
    }
    // Escape in the main window also takes the outlines of a search away.
    if (m_search->holdsResult() && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        clearMatches();
    return false;
}

} // namespace corvantile
