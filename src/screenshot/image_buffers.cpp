// The eight image buffers: bring a screenshot back, and delete one through the pop-up menu.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "screenshot/buffers.h"

#include <QLineEdit>
#include <QScrollBar>

namespace corvantile {

void Form1::ImgBuffer_MouseUp(int index, int button, int, float, float)
{
    if (!isBufferSlot(index) ||
        ((button == LeftButton || button == RightButton) && refusedWhileBusy()))
        return;
    if (button == LeftButton) {
        clearMatches();
        // Each write below runs its handler at once: the size handler of the view, the clip
        // copy of each geometry box that really changes, and the scroll handler of each bar.
        PicInner->setPicture(m_buffers[static_cast<size_t>(index)].picture());
        txtCoords->setText(QString());
        txtWidth->setText(QString());
        txtHeight->setText(QString());
        picClip->setPicture(QImage());
        HScroll1->setValue(0);
        VScroll1->setValue(0);
        const QImage &shown = PicInner->picture();
        announce(shown.isNull() ? QStringLiteral("Buffer %1 is empty").arg(index + 1)
                                : QStringLiteral("Buffer %1 brought back, %2")
                                      .arg(index + 1)
                                      .arg(sizeDescription(shown.size())));
    }
    if (button == RightButton) {
        state.menuTarget = static_cast<std::int16_t>(index);
        openPopMenu();
    }
}

void Form1::delete_Click()
{
    // Opened on the clip box there is no buffer to delete. Shifting from there would throw
    // away the picture in the last slot, which the user never chose, so nothing happens.
    if (!state.menuTarget || !isBufferSlot(*state.menuTarget) || refusedWhileBusy())
        return;
    const int slot = *state.menuTarget;
    const bool removes = !m_buffers[static_cast<size_t>(slot)].isNull();
    for (auto i = static_cast<size_t>(slot); i + 1 < bufferSlotCount; ++i) {
        ImgBuffer[i]->setPicture(ImgBuffer[i + 1]->picture(), ImgBuffer[i + 1]->pictureSize());
        m_buffers[i] = m_buffers[i + 1];
    }
    ImgBuffer[bufferSlotCount - 1]->setPicture(QImage());
    m_buffers[bufferSlotCount - 1] = StoredPicture();
    // A deletion that removes no picture leaves the counter: lowered, it would make the next
    // paste replace a screenshot that is still kept.
    if (removes)
        state.bufferIndex = loweredBufferIndex(state.bufferIndex);
    announce(removes ? QStringLiteral("Buffer %1 deleted").arg(slot + 1)
                     : QStringLiteral("Buffer %1 was empty: nothing deleted").arg(slot + 1));
}

} // namespace corvantile
