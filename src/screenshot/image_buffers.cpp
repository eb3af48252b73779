// The eight image buffers: bring a screenshot back, and delete one through the pop-up menu.

#include "main_window/form1.h"
#include "controls/image_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "screenshot/buffers.h"

#include <QLineEdit>
#include <QScrollBar>

namespace corvantile {

void Form1::ImgBuffer_MouseUp(int index, int button, int, float, float)
{
    if (!isBufferSlot(index))
        return;
    if (button == LeftButton) {
        // Each write below runs its handler at once: the size handler of the view, the clip
        // copy of each geometry box that really changes, and the scroll handler of each bar.
        PicInner->setPicture(ImgBuffer[static_cast<size_t>(index)]->picture());
        txtCoords->setText(QString());
        txtWidth->setText(QString());
        txtHeight->setText(QString());
        picClip->setPicture(QImage());
        HScroll1->setValue(0);
        VScroll1->setValue(0);
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
    if (!state.menuTarget || !isBufferSlot(*state.menuTarget))
        return;
    for (int i = *state.menuTarget; i < bufferSlotCount - 1; ++i)
        ImgBuffer[static_cast<size_t>(i)]->setPicture(
            ImgBuffer[static_cast<size_t>(i + 1)]->picture());
    ImgBuffer[bufferSlotCount - 1]->setPicture(QImage());
    state.bufferIndex = loweredBufferIndex(state.bufferIndex);
}

} // namespace corvantile
