// The pop-up menu of the buffers and the clip box, at the pointer or, opened by a key, at the
// control's top-left corner.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/mouse_buttons.h"
#include "main_window/form1.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTimer>

namespace corvantile {

// A right-button release given by a key: the menu it opens stands at the control's top-left
// corner instead of at the pointer.
void Form1::releaseRightByKey(QWidget *control, const std::function<void()> &release)
{
    m_menuPosition = control->mapToGlobal(QPoint(0, 0));
    release();
    m_menuPosition.reset();
}

// A buffer's menu opened by a key: the Menu key on the slot, or Ctrl+Shift+N.
void Form1::bufferMenuByKey(int index)
{
    releaseRightByKey(ImgBuffer[size_t(index)],
                      [this, index] { ImgBuffer_MouseUp(index, RightButton, 0, 0, 0); });
}

void Form1::openPopMenu()
{
    const QPoint at = m_menuPosition.value_or(QCursor::pos());
    const bool byKey = m_menuPosition.has_value();
    m_menuPosition.reset();
    // A screen reader hears what the items act on; the captions stay as they are.
    const int target = state.menuTarget.value_or(-1);
    const QString of =
        isBufferSlot(target) ? QStringLiteral(" of buffer %1").arg(target + 1) : QString();
    setAccessibleItemName(deleteItem,
                          of.isEmpty() ? QString() : QStringLiteral("Delete Image") + of);
    setAccessibleItemName(ZoomIn, QStringLiteral("Expanded Preview") +
                                      (of.isEmpty() ? QStringLiteral(" of the clip") : of));
    // The clip box holds no buffer to delete: the item is there, greyed, and a screen reader
    // says it is unavailable.
    deleteItem->setEnabled(!of.isEmpty());
    PopMenu->setAccessibleName(QStringLiteral("Menu") +
                               (of.isEmpty() ? QStringLiteral(" of the clip") : of));
    // Opened by a key, the menu has its first item active, as a screen reader then speaks it.
    if (byKey)
        QTimer::singleShot(0, PopMenu, [this] {
            for (QAction *item : PopMenu->actions())
                if (item->isEnabled()) {
                    PopMenu->setActiveAction(item);
                    return;
                }
        });
    PopMenu->exec(at);
}

} // namespace corvantile
