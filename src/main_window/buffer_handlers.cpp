// The eight image buffers: bring a screenshot back, and delete one through the pop-up menu.

#include "controls/accessibility.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/definition_search.h"
#include "screenshot/image_buffers.h"

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
        PicInner->setPicture(m_buffers->picture(index).picture());
        m_search->forgetPicture();
        m_buffers->showSlot(PicInner->picture().isNull() ? -1 : index);
        txtCoords->setText(QString());
        txtWidth->setText(QString());
        txtHeight->setText(QString());
        picClip->setPicture(QImage());
        HScroll1->setValue(0);
        VScroll1->setValue(0);
        const QImage &shown = PicInner->picture();
        report(shown.isNull() ? QStringLiteral("Buffer %1 is empty").arg(index + 1)
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
    // The places found in the screenshot of the slot go with it.
    if (m_buffers->shownSlot() == *state.menuTarget) {
        clearMatches();
        m_search->forgetPicture();
    }
    report(m_buffers->remove(*state.menuTarget));
}

} // namespace corvantile
